// What a stand-in for Samba's libnetapi.so.1 shares: every call that the
// network helper makes besides NetRemoteTOD, accepted and doing nothing.
// Each stand-in defines its own NetRemoteTOD.
#pragma once

#include <stdbool.h>
#include <stdint.h>

#include <netapi.h>

struct cli_credentials;

extern "C" {

#define ACCEPT(name, ...)              \
    NET_API_STATUS name(__VA_ARGS__) { \
        return NET_API_STATUS(0);      \
    }
ACCEPT(libnetapi_init, libnetapi_ctx**)
ACCEPT(libnetapi_set_username, libnetapi_ctx*, const char*)
ACCEPT(libnetapi_set_password, libnetapi_ctx*, const char*)
ACCEPT(libnetapi_set_use_kerberos, libnetapi_ctx*)
ACCEPT(libnetapi_set_use_ccache, libnetapi_ctx*)
ACCEPT(libnetapi_set_debuglevel, libnetapi_ctx*, const char*)
ACCEPT(libnetapi_set_creds, libnetapi_ctx*, cli_credentials*)
ACCEPT(NetApiBufferFree, void*)
#undef ACCEPT
void cli_credentials_set_anonymous(cli_credentials*) {}
cli_credentials* cli_credentials_init(void*) {
    return nullptr;
}

}  // extern "C"
