# The Windows Installer package, build-win/todsync-<version>.msi (target msi,
# part of the default build when msitools' wixl is found). It packs stripped
# copies of todsync.exe and its DLL (the build tree keeps the ones with
# debugging information), README-Windows.txt and the scheduled task. With
# TODSYNC_SIGN_CERT and TODSYNC_SIGN_KEY the binaries and the MSI are signed.
set(TODSYNC_SIGN_CERT "" CACHE FILEPATH "Code-signing certificate (PEM) for the exe, DLL and MSI")
set(TODSYNC_SIGN_KEY "" CACHE FILEPATH "The code-signing certificate's private key (PEM)")
find_program(TODSYNC_WIXL wixl)
if(NOT TODSYNC_WIXL)
    message(STATUS "wixl not found (msitools): no MSI")
    return()
endif()

set(stage ${TODSYNC_WIN_STAGE})  # pkg and the staged files: win32-program.cmake
set(TODSYNC_MSI ${CMAKE_BINARY_DIR}/todsync-${PROJECT_VERSION}.msi)

set(sign_binaries "")
set(sign_msi "")
if(TODSYNC_SIGN_CERT AND TODSYNC_SIGN_KEY)
    set(signer ${PROJECT_SOURCE_DIR}/scripts/sign-win32.sh ${TODSYNC_SIGN_CERT} ${TODSYNC_SIGN_KEY})
    set(sign_binaries COMMAND ${signer} todsync.exe VESTRIOSUPPORT0100.DLL)
    set(sign_msi COMMAND ${signer} ${TODSYNC_MSI})
endif()
add_custom_command(OUTPUT ${TODSYNC_MSI}
    COMMAND ${CMAKE_STRIP} -o todsync.exe $<TARGET_FILE:todsync>
    COMMAND ${CMAKE_STRIP} -o VESTRIOSUPPORT0100.DLL $<TARGET_FILE:vestriosupport0100>
    ${sign_binaries}
    COMMAND ${TODSYNC_WIXL} -a x64 -D Version=${PROJECT_VERSION} -o ${TODSYNC_MSI} ${pkg}/todsync.wxs
    ${sign_msi}
    WORKING_DIRECTORY ${stage}
    DEPENDS todsync vestriosupport0100 ${pkg}/todsync.wxs ${stage}/README-Windows.txt
            ${stage}/todsync-task.xml ${TODSYNC_SIGN_CERT} ${TODSYNC_SIGN_KEY}
    COMMENT "Packing todsync-${PROJECT_VERSION}.msi"
    VERBATIM)
add_custom_target(msi ALL DEPENDS ${TODSYNC_MSI})
