// A host's time of day, estimated from repeated answers (--precise).
//
// An answer carries whole seconds (Samba's servers) or hundredths
// (Windows'), and arrives some time after the host read its clock. Asked
// again and again, a host that answers in whole seconds shows the moment
// its second changes; of a host that answers in hundredths, the answer
// with the shortest round trip is used, and its hundredth taken at its
// middle. Either way the host is taken to have read its clock halfway
// through the round trip.
#pragma once

#include <cstdint>
#include <functional>

namespace estimate {

enum class Method : std::uint32_t {
    kHundredths = 1,  // the hundredths of the answer with the shortest round trip
    kEdge = 2,        // the moment the host's second changed
    kNoEdge = 3,      // a second that did not change while asked: its middle
};

struct Estimate {
    std::int64_t remote_us;      // the host's time, µs since 1970-01-01 UTC,
    std::int64_t at_us;          // at this instant of the monotonic clock
    std::int64_t round_trip_us;  // of the answer used
    std::int64_t spread_us;      // kEdge: how far apart the answers around the change were
    std::uint32_t tries;         // questions asked
    Method method;
};

// How long the host is asked after its first answer, and the least time
// between the starts of two questions. A host whose first answer took
// longer than kSlowUs is not asked again: one more question could outlast
// the host's deadline.
inline constexpr std::int64_t kAskingUs = 1'200'000;
inline constexpr std::int64_t kPaceUs = 2'000;
inline constexpr std::int64_t kSlowUs = 5'000'000;

// One answer: a Windows error code (0 for success) and, when `is_time`,
// the host's time in milliseconds since 1970-01-01 UTC.
struct Reply {
    std::uint32_t status = 0;
    bool is_time = false;
    std::int64_t remote_ms = 0;
};

struct Clock {
    std::function<std::int64_t()> now_us;  // monotonic
    std::function<void(std::int64_t)> pause_us;
};

// Asks with `ask` until the host's time is known as well as its answers
// allow, or kAskingUs after its first answer, or until a question fails or
// brings no time. A first question that fails gives its status, and
// nothing else is asked. Otherwise returns 0 and sets *used to the number
// (from 0) of the answer the estimate rests on; *estimated is false (and
// *used 0) when no answer but the first brought a time: that one may have
// set up the connection, and its round trip says little.
std::uint32_t Measure(const std::function<Reply()>& ask, const Clock& clock, Estimate* estimate,
                      bool* estimated, std::uint32_t* used);

// The milliseconds since 1970-01-01 of a time-of-day record's fields, or
// false when they are no clock time that Windows would set.
bool RecordMilliseconds(std::uint32_t year, std::uint32_t month, std::uint32_t day,
                        std::uint32_t hour, std::uint32_t minute, std::uint32_t second,
                        std::uint32_t hundredths, std::int64_t* milliseconds);

}  // namespace estimate
