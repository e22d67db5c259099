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

// Writes all of `data` to `fd`, which does not block (set O_NONBLOCK, or a
// socket, which is sent to with MSG_DONTWAIT), waiting for it to take more
// for at most kStderrMilliseconds in all. False when not all of it went.
bool WriteWithin(int fd, std::string_view data, bool socket);

// Writes all of `data` to standard error. Standard error may be a terminal,
// a pipe to a slow reader or a FIFO: it is written without blocking, and
// given up on after kStderrMilliseconds. False when not all of it was
// written.
bool WriteStderr(std::string_view data);

// The user who ran sudo to become root here (SUDO_UID), or -1 when this
// process is not root or not run through sudo. Such a run keeps what the
// user's environment says only where it cannot make root read or write for
// the user: the log file, state folders and credential files it names are
// the user's to choose only as the user could reach them.
long SudoUser();

}  // namespace vlio
