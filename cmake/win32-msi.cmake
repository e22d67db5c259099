# The Windows Installer package, build-win/todsync-<version>.msi (target msi,
# part of the default build when msitools' wixl is found). It packs the
# staged binaries (win32-program.cmake: stripped, signed when a certificate
# is given), README-Windows.txt, the licence and the scheduled task; it is
# signed as they are.
find_program(TODSYNC_WIXL wixl)
if(NOT TODSYNC_WIXL)
    message(STATUS "wixl not found (msitools): no MSI")
    return()
endif()

set(stage ${TODSYNC_WIN_STAGE})  # pkg and the staged files: win32-program.cmake
set(TODSYNC_MSI ${CMAKE_BINARY_DIR}/todsync-${PROJECT_VERSION}.msi)

set(sign_msi "")
if(TODSYNC_SIGNER)
    set(sign_msi COMMAND ${TODSYNC_SIGNER} ${TODSYNC_MSI})
endif()
add_custom_command(OUTPUT ${TODSYNC_MSI}
    COMMAND ${TODSYNC_WIXL} -a x64 -D Version=${PROJECT_VERSION} -o ${TODSYNC_MSI} ${pkg}/todsync.wxs
    ${sign_msi}
    WORKING_DIRECTORY ${stage}
    DEPENDS windows_stage ${binaries} ${pkg}/todsync.wxs ${stage}/README-Windows.txt
            ${stage}/LICENSE.txt ${stage}/todsync-task.xml
    COMMENT "Packing todsync-${PROJECT_VERSION}.msi"
    VERBATIM)
add_custom_target(msi ALL DEPENDS ${TODSYNC_MSI})
