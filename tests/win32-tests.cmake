# Tests of the Windows pieces under Wine (scripts/wine-run.sh, the
# cross-compiling emulator, needs a display). One CTest entry per program.

set_tests_properties(unit_tests PROPERTIES TIMEOUT 300)

add_executable(support_win32_tests ${src}/support/library/exports_test.cpp
    ${src}/support/library/library-win32_test.cpp)
target_include_directories(support_win32_tests PRIVATE ${PROJECT_SOURCE_DIR}/support/library
    ${CMAKE_CURRENT_SOURCE_DIR} ${TODSYNC_GENERATED_DIR})
target_link_libraries(support_win32_tests PRIVATE
    vestriosupport0100 todsync_base advapi32 user32 GTest::gtest_main todsync_warnings)
target_sources(support_win32_tests PRIVATE ${PROJECT_SOURCE_DIR}/resources/todsync.rc)
add_test(NAME support_win32_tests COMMAND support_win32_tests)

add_executable(startup_win32_tests ${src}/platform/win32/runtime_test.cpp
    ${PROJECT_SOURCE_DIR}/resources/todsync.rc)
target_link_libraries(startup_win32_tests PRIVATE
    ${TODSYNC_LOGIC} todsync_runtime fake_net fake_clock vestriosupport0100 GTest::gtest_main
    todsync_warnings)
target_include_directories(startup_win32_tests PRIVATE ${TODSYNC_GENERATED_DIR})
add_test(NAME startup_win32_tests COMMAND startup_win32_tests SOMEHOST)

add_library(netapi32_double SHARED win32/netapi32_double.cpp win32/netapi32_double.def)
set_target_properties(netapi32_double PROPERTIES OUTPUT_NAME netapi32 PREFIX "")

add_executable(holdfile win32/holdfile.cpp)
target_link_options(holdfile PRIVATE -municode)

add_test(NAME todsync_wine_e2e
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e-wine.sh
            $<TARGET_FILE:todsync> $<TARGET_FILE:vestriosupport0100>
            $<TARGET_FILE:netapi32_double> $<TARGET_FILE:holdfile>)
add_test(NAME todsync_wine_usage_box
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/usage-box-wine.sh
            $<TARGET_FILE:todsync> $<TARGET_FILE:vestriosupport0100>
            ${CMAKE_BINARY_DIR}/usage-box.png $<TARGET_FILE:netapi32_double>)
add_test(NAME todsync_win32_resources
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/resources-win32.sh $<TARGET_FILE:todsync>)
set_tests_properties(support_win32_tests startup_win32_tests todsync_wine_e2e
    todsync_wine_usage_box todsync_win32_resources PROPERTIES TIMEOUT 300 LABELS wine)

set_tests_properties(unit_tests support_win32_tests startup_win32_tests PROPERTIES
    ENVIRONMENT "WINEPATH=Z:${CMAKE_BINARY_DIR}")

add_test(NAME windows_zip COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/zip-test.sh ${CMAKE_BINARY_DIR})
set_tests_properties(windows_zip PROPERTIES LABELS package TIMEOUT 120)

# The fatal error path: todsync.exe without its resources.
add_executable(todsync_without_icons WIN32 ${PROJECT_SOURCE_DIR}/app/entry-win32.cpp)
target_link_libraries(todsync_without_icons PRIVATE
    ${TODSYNC_LOGIC} todsync_runtime todsync_net todsync_clock vestriosupport0100)
target_link_options(todsync_without_icons PRIVATE -municode)
add_test(NAME todsync_wine_fatal_error
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/fatal-wine.sh $<TARGET_FILE:todsync_without_icons>
            $<TARGET_FILE:vestriosupport0100>)
set_tests_properties(todsync_wine_fatal_error PROPERTIES TIMEOUT 120 LABELS wine)

# The MSI (cmake/win32-msi.cmake): installed and removed under Wine; signed.
if(TODSYNC_WIXL)
    add_test(NAME windows_msi_wine COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/msi-wine.sh ${TODSYNC_MSI}
        $<TARGET_FILE:todsync> $<TARGET_FILE:vestriosupport0100>)
    add_test(NAME windows_msi_signing
        COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/sign-test.sh ${CMAKE_BINARY_DIR} ${TODSYNC_MSI})
    set_tests_properties(windows_msi_wine PROPERTIES LABELS wine TIMEOUT 300)
    set_tests_properties(windows_msi_signing PROPERTIES LABELS package TIMEOUT 120)
endif()
