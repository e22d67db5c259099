// NetRemoteTOD on Linux: the network helper asks the host.
#include <utility>

#include "fetch-protocol.h"
#include "fetcher.h"
#include "platform.h"
#include "text.h"

namespace {

constexpr std::uint32_t kInvalidName = 123;  // ERROR_INVALID_NAME

}  // namespace

namespace platform {

namespace {

// The helper's answer to `kind` for `server` (a host, or a domain), or the
// name's own fault.
std::uint32_t Ask(fetch::Kind kind, std::u16string_view server, std::uint32_t flags,
                  fetch::Reply* reply) {
    *reply = {};
    // libnetapi takes a plain name: "\\HOST" would be looked up as it stands.
    if (kind != fetch::Kind::kTimeServer && server.substr(0, 2) == u"\\\\") {
        server.remove_prefix(2);
    }
    if ((kind != fetch::Kind::kTimeServer && server.empty()) ||
        server.find(u'\0') != std::u16string_view::npos) {
        return kInvalidName;
    }
    fetch::Request request;
    request.kind = kind;
    request.flags = flags;
    request.name = vltext::ToUtf8(server);
    if (request.name.size() > fetch::kMaxName) {
        return kInvalidName;
    }
    return fetcher::Ask(std::move(request), reply);
}

std::uint8_t* Buffer(const fetch::Reply& reply) {
    return reply.status == 0 && reply.has_record
               ? reinterpret_cast<std::uint8_t*>(new TIME_OF_DAY_INFO(reply.record))
               : nullptr;
}

}  // namespace

std::uint32_t NetRemoteTOD(std::u16string_view server, std::uint8_t** buffer) {
    fetch::Reply reply;
    const std::uint32_t status = Ask(fetch::Kind::kTimeOfDay, server, 0, &reply);
    *buffer = Buffer(reply);
    return status;
}

std::uint32_t NetRemoteTODPrecise(std::u16string_view server, std::uint8_t** buffer,
                                  estimate::Estimate* time, bool* estimated) {
    fetch::Reply reply;
    const std::uint32_t status = Ask(fetch::Kind::kPrecise, server, 0, &reply);
    *buffer = Buffer(reply);
    *estimated = *buffer != nullptr && reply.has_estimate;
    *time = reply.estimate;
    return status;
}

std::uint32_t DsGetDcName(std::u16string_view domain, std::uint32_t flags, TimeServer* found) {
    fetch::Reply reply;
    const std::uint32_t status = Ask(fetch::Kind::kTimeServer, domain, flags, &reply);
    if (status == 0) {
        *found = {vltext::FromUtf8(reply.server), vltext::FromUtf8(reply.domain),
                  reply.server_flags};
    }
    return status;
}

void NetApiBufferFree(void* buffer) {
    delete static_cast<TIME_OF_DAY_INFO*>(buffer);
}

}  // namespace platform
