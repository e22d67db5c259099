// The floor of a run: one NetRemoteTOD through libnetapi and nothing else,
// anonymous as todsync is without credentials. Exit status 0 when the host
// answered.
//
//   floor HOST
// netapi.h assumes these come first.
#include <stdbool.h>
#include <stdint.h>

#include <netapi.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    libnetapi_ctx* context = nullptr;
    if (libnetapi_init(&context) != 0) {
        return 1;
    }
    libnetapi_set_username(context, "");
    libnetapi_set_password(context, "");
    uint8_t* buffer = nullptr;
    const NET_API_STATUS status = NetRemoteTOD(argv[1], &buffer);
    if (status == 0 && buffer != nullptr) {
        NetApiBufferFree(buffer);
    }
    libnetapi_free(context);
    return status == 0 ? 0 : 1;
}
