// What the program and its network helper say to each other.
//
// The helper runs Samba's client code without any privilege; whatever it
// sends back is checked here, field by field, before anything of it is
// believed. A request is a sequence number, what is asked, a word of flags
// and a name; the helper says that it took it, then answers with a record
// of fixed size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "estimate.h"
#include "platform.h"

namespace fetch {

inline constexpr std::uint32_t kAnswerMagic = 0x41444F54;  // "TODA"
inline constexpr std::uint32_t kTakenMagic = 0x4B444F54;   // "TODK"

// The longest host or domain name a request carries, in UTF-8 bytes.
inline constexpr std::size_t kMaxName = 60000;

// The longest name of a time server or of its domain in an answer: DNS
// names have at most 253 characters.
inline constexpr std::size_t kMaxFound = 256;

// ERROR_INVALID_DATA: what a malformed answer costs the host.
inline constexpr std::uint32_t kInvalidData = 13;

// What a request asks.
enum class Kind : std::uint32_t {
    kTimeOfDay = 1,  // NetRemoteTOD of the host named
    kPrecise = 2,    // NetRemoteTOD, asked again and again (estimate.h)
    kTimeServer = 3  // DsGetDcName for the domain named (none: the computer's), with the flags
};

struct Request {
    std::uint32_t sequence = 0;
    Kind kind = Kind::kTimeOfDay;
    std::uint32_t flags = 0;
    std::string name;
};

struct Answer {
    std::uint32_t magic;
    std::uint32_t sequence;    // the request's
    std::uint32_t status;      // a Windows error code, 0 for success
    std::uint32_t has_record;  // 1 when `record` holds the time of day
    platform::TIME_OF_DAY_INFO record;
    // kPrecise: the estimate, when has_estimate is 1.
    std::uint32_t has_estimate;
    std::uint32_t method;  // estimate::Method
    std::uint32_t tries;
    std::uint32_t server_flags;  // kTimeServer: DsGetDcName's DS_*_FLAG bits
    std::int64_t remote_us;
    std::int64_t at_us;
    std::int64_t round_trip_us;
    std::int64_t spread_us;
    // kTimeServer: the names found, in UTF-8, not terminated.
    std::uint32_t server_length;
    std::uint32_t domain_length;
    char server[kMaxFound];
    char domain[kMaxFound];
};
static_assert(sizeof(Answer) == 632);

// An answer, checked.
struct Reply {
    std::uint32_t status = 0;
    bool has_record = false;
    platform::TIME_OF_DAY_INFO record{};
    bool has_estimate = false;
    estimate::Estimate estimate{};
    std::string server;
    std::string domain;
    std::uint32_t server_flags = 0;
};

// What the helper sends as soon as it has taken a request, before it asks
// the host: a helper that ends before it is no failure of the host's, and
// the request goes to a new helper.
struct Taken {
    std::uint32_t magic;
    std::uint32_t sequence;  // the request's
};

// A request as it goes over the socket: sequence number, kind, flags, then
// the name.
std::string EncodeRequest(const Request& request);

// False when `bytes` is no request (too short, an unknown kind, a name too
// long).
bool DecodeRequest(std::string_view bytes, Request* request);

// Checks `size` bytes received as the answer to `request`, sent when the
// monotonic clock read `sent_us` and received when it read `received_us`.
// On a sound answer returns true and fills *reply; anything else (wrong
// size, wrong magic, an answer to another request, a record beside a
// failure, what this kind of request cannot bring, an estimate that does
// not fit its record or the time asked, a name with a NUL) returns false.
bool CheckAnswer(const void* bytes, std::size_t size, const Request& request, std::int64_t sent_us,
                 std::int64_t received_us, Reply* reply);

// True when `size` bytes received are the helper's word that it took
// request `sequence`.
bool CheckTaken(const void* bytes, std::size_t size, std::uint32_t sequence);

}  // namespace fetch
