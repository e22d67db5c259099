# The Linux program: todsync, and what is installed with it.
add_executable(todsync app/entry-posix.cpp)
# The layers top down, then the platform's implementations they call.
target_link_libraries(todsync PRIVATE
    ${TODSYNC_LOGIC} todsync_runtime todsync_net todsync_clock vestriosupport0100 todsync_warnings)
set_target_properties(todsync PROPERTIES
    BUILD_RPATH "$ORIGIN"
    INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")

install(TARGETS todsync RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS vestriosupport0100 LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES support/library/include/vestriosupport.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

include(cmake/package-posix.cmake)
