// Writing to standard error on Linux, for the support library and the
// program alike.
#pragma once

#include <cstdint>
#include <string_view>

namespace vlio {

// How long a write to standard error may hold the process up.
inline constexpr int kStderrMilliseconds = 2000;

// A monotonic clock in milliseconds, for deadlines.
std::int64_t MillisecondsNow();

// Writes all of `data` to standard error. Standard error may be a terminal,
// a pipe to a slow reader or a FIFO: it is written without blocking, and
// given up on after kStderrMilliseconds. False when not all of it was
// written.
bool WriteStderr(std::string_view data);

}  // namespace vlio
