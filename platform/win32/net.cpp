// NetRemoteTOD on Windows: netapi32 itself.
#include <windows.h>
#include <lm.h>

#include <string>

#include "platform.h"

static_assert(sizeof(::TIME_OF_DAY_INFO) == sizeof(platform::TIME_OF_DAY_INFO));

namespace platform {

std::uint32_t NetRemoteTOD(std::u16string_view server, std::uint8_t** buffer) {
    *buffer = nullptr;
    const std::wstring name(server.begin(), server.end());
    LPBYTE data = nullptr;
    const NET_API_STATUS status = ::NetRemoteTOD(name.c_str(), &data);
    if (status != NERR_Success && data != nullptr) {
        ::NetApiBufferFree(data);
        data = nullptr;
    }
    *buffer = data;
    return status;
}

void NetApiBufferFree(void* buffer) {
    if (buffer != nullptr) {
        ::NetApiBufferFree(buffer);
    }
}

}  // namespace platform
