# What an administrator installs on Linux besides the program: the man page,
# the systemd units, the host list file, and the system user's sysusers.d
# and tmpfiles.d files. The Debian package is built
# from debian/ with dpkg-buildpackage.

# The man page, compressed as Debian keeps them.
set(man_gz ${CMAKE_CURRENT_BINARY_DIR}/todsync.8.gz)
add_custom_command(OUTPUT ${man_gz}
    COMMAND gzip -9n -c ${TODSYNC_GENERATED_DIR}/todsync.8 > ${man_gz}
    DEPENDS ${TODSYNC_GENERATED_DIR}/todsync.8
    VERBATIM)
add_custom_target(todsync_man ALL DEPENDS ${man_gz})
install(FILES ${man_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man8)

# The units and the host list file, written for the prefix installed to.
set(TODSYNC_UNIT_DIR "" CACHE PATH "Where the systemd units go (default: PREFIX/lib/systemd/system)")
install(CODE "set(TODSYNC_SOURCE_DIR \"${PROJECT_SOURCE_DIR}\")\nset(TODSYNC_UNIT_DIR \"${TODSYNC_UNIT_DIR}\")")
install(SCRIPT cmake/install-units.cmake)
# The system user _todsync and its folders: `systemd-sysusers todsync.conf`
# and `systemd-tmpfiles --create todsync.conf` make them (the Debian
# package does so itself).
install(FILES systemd/todsync.sysusers DESTINATION lib/sysusers.d RENAME todsync.conf)
install(FILES systemd/todsync.tmpfiles DESTINATION lib/tmpfiles.d RENAME todsync.conf)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
# Debian's packages keep the licence in their copyright file.
if(NOT TODSYNC_PRIVATE_LIBRARY)
    install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()
