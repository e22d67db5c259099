# Runs at install time (cmake --install, cpack): writes the systemd units and
# the host list file for the prefix being installed to, so that the units
# name the installed binary. Prefix /usr keeps its host list in /etc.
set(prefix "${CMAKE_INSTALL_PREFIX}")
if(prefix STREQUAL "/usr")
    set(sysconfdir "/etc")
else()
    set(sysconfdir "${prefix}/etc")
endif()
set(TODSYNC_BINARY "${prefix}/bin/todsync")
set(TODSYNC_DEFAULTS_FILE "${sysconfdir}/default/todsync")
if(TODSYNC_UNIT_DIR)
    set(unitdir "${TODSYNC_UNIT_DIR}")
else()
    set(unitdir "${prefix}/lib/systemd/system")
endif()

# file(INSTALL) puts DESTDIR (cpack's staging folder) in front by itself;
# configure_file does not.
message(STATUS "Installing: $ENV{DESTDIR}${unitdir}/todsync.service")
configure_file("${TODSYNC_SOURCE_DIR}/systemd/todsync.service.in"
    "$ENV{DESTDIR}${unitdir}/todsync.service" @ONLY)
file(INSTALL "${TODSYNC_SOURCE_DIR}/systemd/todsync.timer" DESTINATION "${unitdir}")
# An administrator's host list is never overwritten.
if(NOT EXISTS "$ENV{DESTDIR}${TODSYNC_DEFAULTS_FILE}")
    file(INSTALL "${TODSYNC_SOURCE_DIR}/systemd/todsync.default"
        DESTINATION "${sysconfdir}/default" RENAME todsync)
endif()
