# The one version of the product, from project(): 1.0.0.8 in Windows' four
# numbers, "1.00.0008" (major, minor in two digits, build in four) where the
# product shows it. Written into the resource scripts, the manifest and the
# man page; the package takes PROJECT_VERSION.
string(LENGTH "${PROJECT_VERSION_MINOR}" minor_digits)
string(LENGTH "${PROJECT_VERSION_TWEAK}" build_digits)
math(EXPR minor_pad "2 - ${minor_digits}")
math(EXPR build_pad "4 - ${build_digits}")
string(REPEAT "0" ${minor_pad} minor_zeros)
string(REPEAT "0" ${build_pad} build_zeros)
set(TODSYNC_VERSION_TEXT
    "${PROJECT_VERSION_MAJOR}.${minor_zeros}${PROJECT_VERSION_MINOR}.${build_zeros}${PROJECT_VERSION_TWEAK}")

set(TODSYNC_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
configure_file(${PROJECT_SOURCE_DIR}/cmake/version.h.in ${TODSYNC_GENERATED_DIR}/version.h @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/resources/todsync.manifest.in
    ${TODSYNC_GENERATED_DIR}/todsync.manifest @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/man/todsync.8.in ${TODSYNC_GENERATED_DIR}/todsync.8 @ONLY)
