# The Windows program: todsync.exe, and the zip it ships in.
add_executable(todsync WIN32 app/entry-win32.cpp resources/todsync.rc)
# The layers top down, then the platform's implementations they call.
target_link_libraries(todsync PRIVATE
    ${TODSYNC_LOGIC} todsync_runtime todsync_net todsync_clock vestriosupport0100 todsync_warnings)
target_include_directories(todsync PRIVATE ${TODSYNC_GENERATED_DIR})
target_link_options(todsync PRIVATE -municode)
set_source_files_properties(resources/todsync.rc PROPERTIES
    OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/resources/todsync.ico;${PROJECT_SOURCE_DIR}/resources/todsync-classic.ico;${TODSYNC_GENERATED_DIR}/todsync.manifest;${TODSYNC_GENERATED_DIR}/version.h")

install(TARGETS todsync RUNTIME DESTINATION .)
install(TARGETS vestriosupport0100 RUNTIME DESTINATION . ARCHIVE DESTINATION lib COMPONENT sdk
    EXCLUDE_FROM_ALL)
install(FILES support/library/include/vestriosupport.h DESTINATION include COMPONENT sdk
    EXCLUDE_FROM_ALL)

# --- The zip for Windows: cpack -G ZIP -----------------------------------
install(FILES README.md LICENSE DESTINATION .)
set(CPACK_PACKAGE_NAME todsync)
set(CPACK_PACKAGE_VENDOR "Vestrio")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME win64)
set(CPACK_GENERATOR ZIP)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)

include(cmake/win32-msi.cmake)
