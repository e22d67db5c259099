# The Linux program: todsync, and what is installed with it.
add_executable(todsync app/entry-posix.cpp)
# The layers top down, then the platform's implementations they call.
target_link_libraries(todsync PRIVATE
    ${TODSYNC_LOGIC} todsync_runtime todsync_net todsync_clock vestriosupport0100 todsync_warnings)
# The support library is either the program's own (a private folder, found
# through the program's RPATH, no header: what the Debian package does) or
# a library for other programs of the family too (the library folder and
# the header).
option(TODSYNC_PRIVATE_LIBRARY "Install the support library as the program's private library" OFF)
if(TODSYNC_PRIVATE_LIBRARY)
    set(library_dir ${CMAKE_INSTALL_LIBDIR}/todsync)
    set(library_rpath ${CMAKE_INSTALL_FULL_LIBDIR}/todsync)
else()
    set(library_dir ${CMAKE_INSTALL_LIBDIR})
    set(library_rpath "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
    install(FILES support/library/include/vestriosupport.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
endif()
set_target_properties(todsync PROPERTIES BUILD_RPATH "$ORIGIN" INSTALL_RPATH "${library_rpath}")

install(TARGETS todsync RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS vestriosupport0100 LIBRARY DESTINATION ${library_dir})

include(cmake/package-posix.cmake)
