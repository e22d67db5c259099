# The Windows build of the lower layers: VESTRIOSUPPORT0100.DLL and the
# platform layer's Windows implementation.
enable_language(RC)

add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)

# --- The support library ---------------------------------------------------
# The event log's message table, from messages.mc.
set(mc_dir ${CMAKE_CURRENT_BINARY_DIR}/support)
add_custom_command(
    OUTPUT ${mc_dir}/messages.h ${mc_dir}/messages.rc ${mc_dir}/MSG00409.bin
    COMMAND ${CMAKE_COMMAND} -E make_directory ${mc_dir}
    COMMAND ${CMAKE_MC_COMPILER} -U -h ${mc_dir} -r ${mc_dir} ${PROJECT_SOURCE_DIR}/support/library/messages.mc
    DEPENDS ${PROJECT_SOURCE_DIR}/support/library/messages.mc
    COMMENT "Compiling the event log messages"
    VERBATIM)
add_custom_target(vestrio_messages DEPENDS ${mc_dir}/messages.h ${mc_dir}/messages.rc)

add_library(vestriosupport0100 SHARED
    support/library/exports.cpp
    support/library/errors-win32.cpp
    support/library/log-win32.cpp
    support/library/privilege-win32.cpp
    support/library/system-win32.cpp
    support/library/vestriosupport.def
    support/library/support.rc)
add_dependencies(vestriosupport0100 vestrio_messages)
target_include_directories(vestriosupport0100
    PRIVATE ${PROJECT_SOURCE_DIR}/support/library ${mc_dir} ${TODSYNC_GENERATED_DIR})
target_compile_definitions(vestriosupport0100 PRIVATE VESTRIOSUPPORT_BUILD)
target_link_libraries(vestriosupport0100 PUBLIC vestriosupport_headers PRIVATE
    todsync_base oleaut32 advapi32 user32 shell32 ole32 todsync_warnings)
set_target_properties(vestriosupport0100 PROPERTIES
    OUTPUT_NAME VESTRIOSUPPORT0100
    PREFIX ""
    SUFFIX ".DLL"
    ARCHIVE_OUTPUT_NAME vestriosupport0100
    IMPORT_PREFIX "lib"
    IMPORT_SUFFIX ".dll.a")
target_link_libraries(vestriosupport0100 INTERFACE oleaut32)

# --- The platform layer (platform/win32) ---------------------------------
add_library(todsync_net STATIC platform/win32/net.cpp)
target_link_libraries(todsync_net PUBLIC todsync_platform netapi32 winmm PRIVATE todsync_warnings)

add_library(todsync_clock STATIC platform/win32/clock.cpp)
target_link_libraries(todsync_clock PUBLIC todsync_platform PRIVATE todsync_warnings)

add_library(todsync_runtime STATIC platform/win32/runtime.cpp)
target_include_directories(todsync_runtime PUBLIC ${PROJECT_SOURCE_DIR}/platform/win32)
target_link_libraries(todsync_runtime PUBLIC todsync_platform vestriosupport_headers comctl32 user32
    PRIVATE todsync_warnings)
