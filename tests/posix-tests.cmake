# Tests of the Linux pieces. The support library with the runtime's window
# functions and the executable's resources, as in todsync.
add_executable(support_tests ${src}/support/library/exports_test.cpp
    ${src}/support/library/library-posix_test.cpp ${src}/platform/posix/window.cpp)
target_include_directories(support_tests PRIVATE ${PROJECT_SOURCE_DIR}/support/library ${CAP_INCLUDE_DIR})
target_link_libraries(support_tests PRIVATE
    vestriosupport0100 todsync_resources todsync_base ${CAP_LIBRARY} GTest::gtest_main todsync_warnings)
target_link_options(support_tests PRIVATE
    -Wl,--dynamic-list=${PROJECT_SOURCE_DIR}/platform/posix/runtime.dynlist)
gtest_discover_tests(support_tests DISCOVERY_MODE PRE_TEST)

add_executable(startup_tests ${src}/platform/posix/runtime_test.cpp)
target_link_libraries(startup_tests PRIVATE
    ${TODSYNC_LOGIC} todsync_runtime fake_net fake_clock vestriosupport0100
    GTest::gtest_main todsync_warnings)
gtest_discover_tests(startup_tests DISCOVERY_MODE PRE_TEST)

# Start-up when the kernel refuses to give up a capability: the fatal path.
add_executable(runtime_failclosed_tests ${src}/platform/posix/runtime-failclosed_test.cpp)
target_link_libraries(runtime_failclosed_tests PRIVATE
    todsync_runtime vestriosupport0100 GTest::gtest_main todsync_warnings)
gtest_discover_tests(runtime_failclosed_tests DISCOVERY_MODE PRE_TEST)

add_executable(fetch_protocol_tests ${src}/platform/posix/fetch-protocol_test.cpp
    ${PROJECT_SOURCE_DIR}/platform/posix/fetch-protocol.cpp)
target_link_libraries(fetch_protocol_tests PRIVATE todsync_platform GTest::gtest_main todsync_warnings)
target_include_directories(fetch_protocol_tests PRIVATE ${PROJECT_SOURCE_DIR}/platform/posix)
gtest_discover_tests(fetch_protocol_tests DISCOVERY_MODE PRE_TEST)

add_executable(netapi_tests ${src}/platform/posix/netapi-client_test.cpp)
target_link_libraries(netapi_tests PRIVATE
    ${TODSYNC_LOGIC} todsync_net fake_clock fake_runtime fake_support GTest::gtest_main
    todsync_warnings)
add_test(NAME netapi_tests
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/testnet.sh $<TARGET_FILE:netapi_tests>)
set_tests_properties(netapi_tests PROPERTIES LABELS integration TIMEOUT 120)

# The binary against a Samba AD domain controller provisioned for the test.
foreach(name todsync_domain todsync_domain_restricted)
    add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/scripts/testdc.sh
        ${CMAKE_CURRENT_SOURCE_DIR}/domain-test.sh $<TARGET_FILE:todsync>)
    set_tests_properties(${name} PROPERTIES LABELS integration TIMEOUT 180)
endforeach()
set_tests_properties(todsync_domain_restricted PROPERTIES
    ENVIRONMENT "TESTDC_EXTRA_OPTION=restrict anonymous=2")

add_test(NAME todsync_linux_e2e
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/testnet.sh
            ${CMAKE_CURRENT_SOURCE_DIR}/e2e-linux.sh $<TARGET_FILE:todsync>)
set_tests_properties(todsync_linux_e2e PROPERTIES LABELS integration TIMEOUT 120)

add_test(NAME install_tree COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/install-test.sh ${CMAKE_BINARY_DIR})
add_test(NAME debian_package COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/package-test.sh ${PROJECT_SOURCE_DIR})
set_tests_properties(install_tree debian_package PROPERTIES LABELS package TIMEOUT 600)
set_tests_properties(debian_package PROPERTIES RESOURCE_LOCK system_packages)

# The clock code against the test's own clock_settime, without CAP_SYS_TIME.
add_executable(clock_posix_tests ${src}/platform/posix/clock_test.cpp)
target_link_libraries(clock_posix_tests PRIVATE todsync_clock ${TODSYNC_LOGIC} GTest::gtest_main
    todsync_warnings)
add_test(NAME clock_posix_tests
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/noclock.sh $<TARGET_FILE:clock_posix_tests>)

# The fault matrix: a server of its own per row.
foreach(row refused silent max-step unresolvable wrong-password access-denied server-killed
        odd-names standard-input deadline garbage helper stop-signal environment
        log-places system-log)
    add_test(NAME fault_${row}
        COMMAND ${PROJECT_SOURCE_DIR}/scripts/testnet.sh
                ${CMAKE_CURRENT_SOURCE_DIR}/fault-matrix.sh ${row} $<TARGET_FILE:todsync>)
    set_tests_properties(fault_${row} PROPERTIES LABELS "integration;faults" TIMEOUT 180)
endforeach()
set_tests_properties(fault_access-denied PROPERTIES
    ENVIRONMENT "TESTNET_EXTRA_CONF=    restrict anonymous = 2")

# A libnetapi taken over by a hostile answer: from inside the network
# helper it tries every way out, in each way the program can be started.
add_library(netapi_hostile SHARED standins/netapi-hostile.cpp)
target_include_directories(netapi_hostile PRIVATE ${NETAPI_INCLUDE_DIRS})
set_target_properties(netapi_hostile PROPERTIES LIBRARY_OUTPUT_DIRECTORY
    ${CMAKE_CURRENT_BINARY_DIR}/netapi-hostile)
foreach(row separation launcher)
    add_test(NAME fault_${row} COMMAND ${PROJECT_SOURCE_DIR}/scripts/testnet.sh
        ${CMAKE_CURRENT_SOURCE_DIR}/fault-matrix.sh ${row} $<TARGET_FILE:todsync>
        $<TARGET_FILE:netapi_hostile>)
    set_tests_properties(fault_${row} PROPERTIES LABELS "integration;faults" TIMEOUT 180)
endforeach()

# The sanitizer build: a fault inside libnetapi shows as a report.
if(TODSYNC_SANITIZE)
    add_library(netapi_overflow SHARED standins/netapi-overflow.cpp)
    target_include_directories(netapi_overflow PRIVATE ${NETAPI_INCLUDE_DIRS})
    set_target_properties(netapi_overflow PROPERTIES LIBRARY_OUTPUT_DIRECTORY
        ${CMAKE_CURRENT_BINARY_DIR}/netapi-overflow)
    add_test(NAME fault_sanitizer COMMAND ${PROJECT_SOURCE_DIR}/scripts/testnet.sh
        ${CMAKE_CURRENT_SOURCE_DIR}/fault-matrix.sh sanitizer $<TARGET_FILE:todsync>
        $<TARGET_FILE:netapi_overflow>)
    set_tests_properties(fault_sanitizer PROPERTIES LABELS "integration;faults" TIMEOUT 180)
endif()

# The fatal error path of the real binary.
add_executable(todsync_without_icons ${PROJECT_SOURCE_DIR}/app/entry-posix.cpp empty_module.cpp)
target_link_libraries(todsync_without_icons PRIVATE
    ${TODSYNC_LOGIC} todsync_runtime todsync_net todsync_clock vestriosupport0100)
add_test(NAME fatal_error_path
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/fatal-posix.sh $<TARGET_FILE:todsync_without_icons>)
