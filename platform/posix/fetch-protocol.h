// What the program and its network helper say to each other.
//
// The helper runs Samba's client code without any privilege; whatever it
// sends back is checked here, field by field, before anything of it is
// believed. A request is a sequence number and a host name; the helper
// says that it took it, then answers with a fixed 64-byte record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform.h"

namespace fetch {

inline constexpr std::uint32_t kAnswerMagic = 0x41444F54;  // "TODA"
inline constexpr std::uint32_t kTakenMagic = 0x4B444F54;   // "TODK"

// The longest host name a request carries, in UTF-8 bytes.
inline constexpr std::size_t kMaxName = 60000;

// ERROR_INVALID_DATA: what a malformed answer costs the host.
inline constexpr std::uint32_t kInvalidData = 13;

struct Answer {
    std::uint32_t magic;
    std::uint32_t sequence;    // the request's
    std::uint32_t status;      // a Windows error code, 0 for success
    std::uint32_t has_record;  // 1 when `record` holds the time of day
    platform::TIME_OF_DAY_INFO record;
};
static_assert(sizeof(Answer) == 64);

// What the helper sends as soon as it has taken a request, before it asks
// the host: a helper that ends before it is no failure of the host's, and
// the request goes to a new helper.
struct Taken {
    std::uint32_t magic;
    std::uint32_t sequence;  // the request's
};

// A request as it goes over the socket: sequence number, then the name.
std::string EncodeRequest(std::uint32_t sequence, std::string_view name);

// False when `bytes` is no request (too short, or a name too long).
bool DecodeRequest(std::string_view bytes, std::uint32_t* sequence, std::string* name);

// Checks `size` bytes received as the answer to request `sequence`. On a
// sound answer returns true and fills *status, and *record when
// *has_record; anything else (wrong size, wrong magic, an answer to another
// request, a record beside a failure) returns false.
bool CheckAnswer(const void* bytes, std::size_t size, std::uint32_t sequence, std::uint32_t* status,
                 bool* has_record, platform::TIME_OF_DAY_INFO* record);

// True when `size` bytes received are the helper's word that it took
// request `sequence`.
bool CheckTaken(const void* bytes, std::size_t size, std::uint32_t sequence);

}  // namespace fetch
