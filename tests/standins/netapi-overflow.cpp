// A stand-in for Samba's libnetapi.so.1, for the sanitizer build only: a
// memory fault inside the library's NetRemoteTOD, as a hostile answer could
// cause one. Asked for OVERFLOW it reads past a heap buffer; any other host
// is not found.
#include "netapi-accept.h"

#include <cstdlib>
#include <cstring>

extern "C" {

NET_API_STATUS NetRemoteTOD(const char* server, uint8_t** buffer) {
    *buffer = nullptr;
    if (std::strcmp(server, "OVERFLOW") != 0)
        return NET_API_STATUS(53);  // ERROR_BAD_NETPATH
    auto* record = static_cast<volatile uint8_t*>(std::malloc(sizeof(TIME_OF_DAY_INFO)));
    const uint8_t past_the_end = record[sizeof(TIME_OF_DAY_INFO) + 8];
    std::free(const_cast<uint8_t*>(record));
    return NET_API_STATUS(past_the_end);
}

}  // extern "C"
