// NetRemoteTOD on Linux: the network helper asks the host.
#include "fetch-protocol.h"
#include "fetcher.h"
#include "platform.h"
#include "text.h"

namespace {

constexpr std::uint32_t kInvalidName = 123;  // ERROR_INVALID_NAME

}  // namespace

namespace platform {

std::uint32_t NetRemoteTOD(std::u16string_view server, std::uint8_t** buffer) {
    *buffer = nullptr;
    // libnetapi takes a plain name: "\\HOST" would be looked up as it stands.
    if (server.substr(0, 2) == u"\\\\") {
        server.remove_prefix(2);
    }
    if (server.empty() || server.find(u'\0') != std::u16string_view::npos) {
        return kInvalidName;
    }
    const std::string name = vltext::ToUtf8(server);
    if (name.size() > fetch::kMaxName) {
        return kInvalidName;
    }
    TIME_OF_DAY_INFO record{};
    bool has_record = false;
    const std::uint32_t status = fetcher::Ask(name, &record, &has_record);
    if (status == 0 && has_record) {
        *buffer = reinterpret_cast<std::uint8_t*>(new TIME_OF_DAY_INFO(record));
    }
    return status;
}

void NetApiBufferFree(void* buffer) {
    delete static_cast<TIME_OF_DAY_INFO*>(buffer);
}

}  // namespace platform
