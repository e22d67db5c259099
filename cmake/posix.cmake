# The Linux build of the lower layers: libvestriosupport0100.so and the
# platform layer's Linux implementation.

find_package(PkgConfig REQUIRED)
# libnetapi is loaded by the network helper when it is first asked for a
# host; the build needs its header only.
pkg_check_modules(NETAPI REQUIRED netapi)
find_library(CAP_LIBRARY cap REQUIRED)
find_path(CAP_INCLUDE_DIR sys/capability.h REQUIRED)

# --- The support library (support/library) --------------------------------
add_library(vestriosupport0100 SHARED
    support/library/exports.cpp
    support/library/errors-posix.cpp
    support/library/log-posix.cpp
    support/library/privilege-posix.cpp
    support/library/process-posix.cpp
    support/library/system-posix.cpp
    support/library/bstr-posix.cpp)
target_include_directories(vestriosupport0100
    PRIVATE ${PROJECT_SOURCE_DIR}/support/library ${CAP_INCLUDE_DIR})
target_compile_definitions(vestriosupport0100 PRIVATE VESTRIOSUPPORT_BUILD)
target_link_libraries(vestriosupport0100 PUBLIC vestriosupport_headers
    PRIVATE todsync_base ${CAP_LIBRARY} ${CMAKE_DL_LIBS} todsync_warnings)
# Every symbol resolved at link time (with sanitizers, their runtime comes
# from the executable).
if(NOT TODSYNC_SANITIZE AND NOT TODSYNC_FUZZ)
    target_link_options(vestriosupport0100 PRIVATE -Wl,--no-undefined)
endif()
set_target_properties(vestriosupport0100 PROPERTIES
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)

# --- The platform layer (platform/posix) ---------------------------------
# The network helper: its launcher, the credentials it reads, the helper's
# sandbox and use of libnetapi, the checked answer, and the stop signals
# that end a wait for it.
add_library(todsync_fetcher STATIC
    platform/posix/credentials.cpp
    platform/posix/fetcher.cpp
    platform/posix/fetch-protocol.cpp
    platform/posix/netapi-client.cpp
    platform/posix/netstatus.cpp
    platform/posix/sandbox.cpp
    platform/posix/stop.cpp)
target_include_directories(todsync_fetcher PUBLIC ${PROJECT_SOURCE_DIR}/platform/posix
    PRIVATE ${NETAPI_INCLUDE_DIRS} ${CAP_INCLUDE_DIR})
target_link_libraries(todsync_fetcher PUBLIC todsync_platform ${CAP_LIBRARY} ${CMAKE_DL_LIBS}
    PRIVATE todsync_warnings)

add_library(todsync_net STATIC platform/posix/net.cpp)
target_link_libraries(todsync_net PUBLIC todsync_fetcher PRIVATE todsync_warnings)

add_library(todsync_clock STATIC platform/posix/clock.cpp)
target_include_directories(todsync_clock PRIVATE ${CAP_INCLUDE_DIR})
target_link_libraries(todsync_clock PUBLIC todsync_platform ${CAP_LIBRARY} PRIVATE todsync_warnings)

# The resources, built into the executable from the same icon files as the
# Windows resources.
set(TODSYNC_RESOURCES
    "ICON_GROUP|A_MAIN|${PROJECT_SOURCE_DIR}/resources/todsync.ico"
    "ICON_GROUP|#1|${PROJECT_SOURCE_DIR}/resources/todsync-classic.ico")
set(resources_cpp ${CMAKE_CURRENT_BINARY_DIR}/resources-posix.cpp)
add_custom_command(OUTPUT ${resources_cpp}
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${resources_cpp} "-DRESOURCES=${TODSYNC_RESOURCES}"
            -P ${PROJECT_SOURCE_DIR}/cmake/embed-resources.cmake
    DEPENDS ${PROJECT_SOURCE_DIR}/cmake/embed-resources.cmake
            ${PROJECT_SOURCE_DIR}/resources/todsync.ico
            ${PROJECT_SOURCE_DIR}/resources/todsync-classic.ico
    COMMENT "Embedding the icon groups"
    VERBATIM)
add_library(todsync_resources STATIC ${resources_cpp})
target_link_libraries(todsync_resources PRIVATE vestriosupport_headers)

# The application runtime; its window functions are for the support library
# to find (runtime.dynlist).
add_library(todsync_runtime STATIC platform/posix/runtime.cpp platform/posix/window.cpp)
target_include_directories(todsync_runtime PRIVATE ${CAP_INCLUDE_DIR})
target_link_libraries(todsync_runtime PUBLIC todsync_platform todsync_fetcher todsync_resources
    vestriosupport_headers ${CAP_LIBRARY} PRIVATE todsync_warnings)
target_link_options(todsync_runtime INTERFACE
    -Wl,--dynamic-list=${PROJECT_SOURCE_DIR}/platform/posix/runtime.dynlist)
