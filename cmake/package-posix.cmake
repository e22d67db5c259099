# What an administrator installs on Linux besides the program: the man page,
# the systemd units, the host list file, and the Debian package.

# The man page, compressed as Debian keeps them.
set(man_gz ${CMAKE_CURRENT_BINARY_DIR}/todsync.8.gz)
add_custom_command(OUTPUT ${man_gz}
    COMMAND gzip -9n -c ${TODSYNC_GENERATED_DIR}/todsync.8 > ${man_gz}
    DEPENDS ${TODSYNC_GENERATED_DIR}/todsync.8
    VERBATIM)
add_custom_target(todsync_man ALL DEPENDS ${man_gz})
install(FILES ${man_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man8)

# The units and the host list file, written for the prefix installed to.
install(CODE "set(TODSYNC_SOURCE_DIR \"${PROJECT_SOURCE_DIR}\")")
install(SCRIPT cmake/install-units.cmake)
install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})

# --- Debian package: cpack -G DEB (configured for the prefix /usr) ---------
set(CPACK_PACKAGE_NAME todsync)
set(CPACK_PACKAGE_VENDOR "Vestrio")
set(CPACK_PACKAGE_CONTACT "todsync maintainers <todsync@example.invalid>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "set the system clock from the time of day of a network host")
set(CPACK_PACKAGE_DESCRIPTION
    "todsync asks Windows or Samba servers for their time of day (NetRemoteTOD)\n\
and sets the clock from the first that answers, logging each step to the\n\
system log and a plain-text log file. Includes a systemd service and timer.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# libc, libstdc++ and libcap from the binaries; libnetapi (samba-libs) is
# loaded at run time, and reads smb.conf from samba-common.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "samba-libs, samba-common")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/debian/conffiles
    ${PROJECT_SOURCE_DIR}/debian/postinst
    ${PROJECT_SOURCE_DIR}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
include(CPack)
