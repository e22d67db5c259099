# The Windows program: todsync.exe, and the zip it ships in.
add_executable(todsync WIN32 app/entry-win32.cpp resources/todsync.rc)
# The layers top down, then the platform's implementations they call.
target_link_libraries(todsync PRIVATE
    ${TODSYNC_LOGIC} todsync_runtime todsync_net todsync_clock vestriosupport0100 todsync_warnings)
target_include_directories(todsync PRIVATE ${TODSYNC_GENERATED_DIR})
target_link_options(todsync PRIVATE -municode)
set_source_files_properties(resources/todsync.rc PROPERTIES
    OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/resources/todsync.ico;${PROJECT_SOURCE_DIR}/resources/todsync-classic.ico;${TODSYNC_GENERATED_DIR}/todsync.manifest;${TODSYNC_GENERATED_DIR}/version.h")

install(TARGETS vestriosupport0100 RUNTIME DESTINATION . COMPONENT sdk EXCLUDE_FROM_ALL
    ARCHIVE DESTINATION lib COMPONENT sdk EXCLUDE_FROM_ALL)
install(FILES support/library/include/vestriosupport.h DESTINATION include COMPONENT sdk
    EXCLUDE_FROM_ALL)

# --- What ships beside the binaries, in the zip and the MSI ---------------
# README-Windows.txt with CR LF, and the scheduled task in Task Scheduler's
# own form: UTF-16 (little-endian, with a byte order mark), CR LF.
set(TODSYNC_WIN_STAGE ${CMAKE_BINARY_DIR}/msi-stage)
set(pkg ${PROJECT_SOURCE_DIR}/packaging/windows)
configure_file(${pkg}/README-Windows.txt.in ${TODSYNC_WIN_STAGE}/README-Windows.txt @ONLY
    NEWLINE_STYLE CRLF)
configure_file(${pkg}/todsync-task.xml.in ${CMAKE_BINARY_DIR}/todsync-task-utf8.xml @ONLY
    NEWLINE_STYLE CRLF)
add_custom_command(OUTPUT ${TODSYNC_WIN_STAGE}/todsync-task.xml
    COMMAND sh -c "printf '\\377\\376' >\"$0\" && iconv -f UTF-8 -t UTF-16LE \"$1\" >>\"$0\""
            ${TODSYNC_WIN_STAGE}/todsync-task.xml ${CMAKE_BINARY_DIR}/todsync-task-utf8.xml
    DEPENDS ${CMAKE_BINARY_DIR}/todsync-task-utf8.xml VERBATIM)
add_custom_target(windows_task ALL DEPENDS ${TODSYNC_WIN_STAGE}/todsync-task.xml)

# The binaries that ship, in the zip and the MSI alike: stripped (the build
# tree keeps the ones with debugging information) and, with TODSYNC_SIGN_CERT
# and TODSYNC_SIGN_KEY, signed; with TODSYNC_SIGN_TIMESTAMP_URL too, the
# signatures carry a timestamp and outlive the certificate.
set(TODSYNC_SIGN_CERT "" CACHE FILEPATH "Code-signing certificate (PEM) for the exe, DLL and MSI")
set(TODSYNC_SIGN_KEY "" CACHE FILEPATH "The code-signing certificate's private key (PEM)")
set(TODSYNC_SIGN_TIMESTAMP_URL "" CACHE STRING "RFC 3161 timestamp server for the signatures")
set(TODSYNC_SIGNER "")
set(sign_binaries "")
if(TODSYNC_SIGN_CERT AND TODSYNC_SIGN_KEY)
    set(TODSYNC_SIGNER ${CMAKE_COMMAND} -E env TODSYNC_SIGN_TIMESTAMP_URL=${TODSYNC_SIGN_TIMESTAMP_URL}
        ${PROJECT_SOURCE_DIR}/scripts/sign-win32.sh ${TODSYNC_SIGN_CERT} ${TODSYNC_SIGN_KEY})
    set(sign_binaries COMMAND ${TODSYNC_SIGNER} todsync.exe VESTRIOSUPPORT0100.DLL)
endif()
set(binaries ${TODSYNC_WIN_STAGE}/todsync.exe ${TODSYNC_WIN_STAGE}/VESTRIOSUPPORT0100.DLL)
add_custom_command(OUTPUT ${binaries}
    COMMAND ${CMAKE_STRIP} -o todsync.exe $<TARGET_FILE:todsync>
    COMMAND ${CMAKE_STRIP} -o VESTRIOSUPPORT0100.DLL $<TARGET_FILE:vestriosupport0100>
    ${sign_binaries}
    WORKING_DIRECTORY ${TODSYNC_WIN_STAGE}
    DEPENDS todsync vestriosupport0100 ${TODSYNC_SIGN_CERT} ${TODSYNC_SIGN_KEY}
    VERBATIM)
# The licence, with CR LF as Notepad wants it.
configure_file(LICENSE ${TODSYNC_WIN_STAGE}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
add_custom_target(windows_stage ALL DEPENDS ${binaries})

# --- The zip for Windows: cpack -G ZIP -----------------------------------
install(FILES ${binaries} ${TODSYNC_WIN_STAGE}/LICENSE.txt ${TODSYNC_WIN_STAGE}/README-Windows.txt
    ${TODSYNC_WIN_STAGE}/todsync-task.xml DESTINATION .)
set(CPACK_PACKAGE_NAME todsync)
set(CPACK_PACKAGE_VENDOR "Vestrio")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME win64)
set(CPACK_GENERATOR ZIP)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)

include(cmake/win32-msi.cmake)
