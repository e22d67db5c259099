// A stand-in for Samba's libnetapi.so.1, for the sanitizer build only: a
// memory fault inside the library's NetRemoteTOD, as a hostile answer could
// cause one. Asked for OVERFLOW it reads past a heap buffer; any other host
// is not found.
#include <stdbool.h>
#include <stdint.h>

#include <netapi.h>

#include <cstdlib>
#include <cstring>

struct cli_credentials;

namespace {
constexpr NET_API_STATUS Status(int code) {
    return static_cast<NET_API_STATUS>(code);
}
}  // namespace

extern "C" {

NET_API_STATUS libnetapi_init(libnetapi_ctx** context) {
    static int dummy;
    *context = reinterpret_cast<libnetapi_ctx*>(&dummy);
    return Status(0);
}
NET_API_STATUS libnetapi_set_username(libnetapi_ctx*, const char*) {
    return Status(0);
}
NET_API_STATUS libnetapi_set_password(libnetapi_ctx*, const char*) {
    return Status(0);
}
NET_API_STATUS libnetapi_set_use_kerberos(libnetapi_ctx*) {
    return Status(0);
}
NET_API_STATUS libnetapi_set_use_ccache(libnetapi_ctx*) {
    return Status(0);
}
NET_API_STATUS libnetapi_set_debuglevel(libnetapi_ctx*, const char*) {
    return Status(0);
}
NET_API_STATUS libnetapi_set_creds(libnetapi_ctx*, cli_credentials*) {
    return Status(0);
}
cli_credentials* cli_credentials_init(void*) {
    static int dummy;
    return reinterpret_cast<cli_credentials*>(&dummy);
}
void cli_credentials_set_anonymous(cli_credentials*) {}
NET_API_STATUS NetApiBufferFree(void* buffer) {
    std::free(buffer);
    return Status(0);
}

NET_API_STATUS NetRemoteTOD(const char* server, uint8_t** buffer) {
    *buffer = nullptr;
    if (std::strcmp(server, "OVERFLOW") != 0)
        return Status(53);  // ERROR_BAD_NETPATH
    auto* record = static_cast<volatile uint8_t*>(std::malloc(sizeof(TIME_OF_DAY_INFO)));
    const uint8_t past_the_end = record[sizeof(TIME_OF_DAY_INFO) + 8];
    std::free(const_cast<uint8_t*>(record));
    return Status(past_the_end);
}

}  // extern "C"
