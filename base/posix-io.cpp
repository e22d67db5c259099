#include "posix-io.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

namespace vlio {

std::int64_t MillisecondsNow() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

namespace {

// Writes all of `data` to `fd` (set non-blocking by the caller), waiting for
// it to take more for at most kStderrMilliseconds in all.
bool WriteWithin(int fd, std::string_view data) {
    const std::int64_t deadline = MillisecondsNow() + kStderrMilliseconds;
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        const std::int64_t left = deadline - MillisecondsNow();
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK) || left <= 0) {
            return false;
        }
        pollfd wait{fd, POLLOUT, 0};
        poll(&wait, 1, static_cast<int>(left));
    }
    return true;
}

// Standard error may be a terminal, a pipe to a slow reader, or a FIFO: it
// is written without blocking, and given up on after kStderrMilliseconds.
}  // namespace

bool WriteStderr(std::string_view data) {
    const int flags = fcntl(STDERR_FILENO, F_GETFL);
    if (flags < 0) {
        return false;
    }
    const bool had_nonblock = (flags & O_NONBLOCK) != 0;
    if (!had_nonblock) {
        fcntl(STDERR_FILENO, F_SETFL, flags | O_NONBLOCK);
    }
    const bool written = WriteWithin(STDERR_FILENO, data);
    if (!had_nonblock) {
        fcntl(STDERR_FILENO, F_SETFL, flags);
    }
    return written;
}

}  // namespace vlio
