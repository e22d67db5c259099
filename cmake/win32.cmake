# The Windows build: VESTRIOSUPPORT0100.DLL and todsync.exe.
enable_language(RC)

add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)

# --- The support library ---------------------------------------------------
# The event log's message table, from messages.mc.
set(mc_dir ${CMAKE_CURRENT_BINARY_DIR}/support)
add_custom_command(
    OUTPUT ${mc_dir}/messages.h ${mc_dir}/messages.rc ${mc_dir}/MSG00409.bin
    COMMAND ${CMAKE_COMMAND} -E make_directory ${mc_dir}
    COMMAND ${CMAKE_MC_COMPILER} -U -h ${mc_dir} -r ${mc_dir} ${PROJECT_SOURCE_DIR}/support/messages.mc
    DEPENDS ${PROJECT_SOURCE_DIR}/support/messages.mc
    COMMENT "Compiling the event log messages"
    VERBATIM)
add_custom_target(vestrio_messages DEPENDS ${mc_dir}/messages.h ${mc_dir}/messages.rc)

add_library(vestriosupport0100 SHARED
    support/exports.cpp
    support/errors-win32.cpp
    support/log-win32.cpp
    support/privilege-win32.cpp
    support/system-win32.cpp
    support/vestriosupport.def
    support/support.rc)
add_dependencies(vestriosupport0100 vestrio_messages)
target_include_directories(vestriosupport0100
    PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/support> $<INSTALL_INTERFACE:include>
    PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR} ${mc_dir})
target_compile_definitions(vestriosupport0100 PRIVATE VESTRIOSUPPORT_BUILD)
target_link_libraries(vestriosupport0100 PRIVATE
    vltext oleaut32 advapi32 user32 shell32 ole32 todsync_warnings)
set_target_properties(vestriosupport0100 PROPERTIES
    OUTPUT_NAME VESTRIOSUPPORT0100
    PREFIX ""
    SUFFIX ".DLL"
    ARCHIVE_OUTPUT_NAME vestriosupport0100
    IMPORT_PREFIX "lib"
    IMPORT_SUFFIX ".dll.a")
target_link_libraries(vestriosupport0100 INTERFACE oleaut32)

# --- The platform layer ------------------------------------------------------
add_library(todsync_net STATIC platform/win32/net.cpp)
target_include_directories(todsync_net PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(todsync_net PUBLIC netapi32 PRIVATE todsync_warnings)

add_library(todsync_clock STATIC platform/win32/clock.cpp)
target_include_directories(todsync_clock PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(todsync_clock PRIVATE todsync_warnings)

add_library(todsync_runtime STATIC platform/win32/runtime.cpp)
target_include_directories(todsync_runtime PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(todsync_runtime PUBLIC vltext comctl32 user32 PRIVATE todsync_warnings)

# --- The program -------------------------------------------------------------
add_executable(todsync WIN32 platform/win32/entry.cpp resources/todsync.rc)
target_link_libraries(todsync PRIVATE
    todsync_core todsync_runtime todsync_net todsync_clock vestriosupport0100 todsync_warnings)
target_link_options(todsync PRIVATE -municode)
set_source_files_properties(resources/todsync.rc PROPERTIES
    OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/resources/todsync.ico;${PROJECT_SOURCE_DIR}/resources/todsync-classic.ico;${PROJECT_SOURCE_DIR}/resources/todsync.manifest")

install(TARGETS todsync RUNTIME DESTINATION .)
install(TARGETS vestriosupport0100 RUNTIME DESTINATION . ARCHIVE DESTINATION lib COMPONENT sdk
    EXCLUDE_FROM_ALL)
install(FILES support/vestriosupport.h DESTINATION include COMPONENT sdk EXCLUDE_FROM_ALL)

# --- The zip for Windows: cpack -G ZIP -----------------------------------
install(FILES README.md LICENSE DESTINATION .)
set(CPACK_PACKAGE_NAME todsync)
set(CPACK_PACKAGE_VENDOR "Vestrio")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME win64)
set(CPACK_GENERATOR ZIP)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
