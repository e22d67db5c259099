#include "posix-io.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>

namespace vlio {

std::int64_t MillisecondsNow() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

bool WriteWithin(int fd, std::string_view data, bool socket) {
    const std::int64_t deadline = MillisecondsNow() + kStderrMilliseconds;
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n =
            socket ? send(fd, data.data() + done, data.size() - done, MSG_DONTWAIT | MSG_NOSIGNAL)
                   : write(fd, data.data() + done, data.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        const std::int64_t left = deadline - MillisecondsNow();
        // ENOBUFS: a datagram socket whose receiver is full for now.
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != ENOBUFS) || left <= 0) {
            return false;
        }
        // Waits in short steps: a datagram socket may not say when its
        // receiver has room again.
        pollfd wait{fd, POLLOUT, 0};
        poll(&wait, 1, static_cast<int>(left < 50 ? left : 50));
    }
    return true;
}

bool WriteStderr(std::string_view data) {
    struct stat st {};
    if (fstat(STDERR_FILENO, &st) != 0) {
        return false;
    }
    // A file on disk never holds a write up.
    if (S_ISREG(st.st_mode)) {
        return WriteWithin(STDERR_FILENO, data, false);
    }
    // A socket (the journal's stream) takes a non-blocking send.
    if (S_ISSOCK(st.st_mode)) {
        return WriteWithin(STDERR_FILENO, data, true);
    }
    // A terminal, pipe or FIFO: written through a description of our own,
    // so that the one standard error shares with the shell never turns
    // non-blocking.
    const int own = open("/proc/self/fd/2", O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (own >= 0) {
        const bool written = WriteWithin(own, data, false);
        close(own);
        return written;
    }
    if (errno == ENXIO) {
        return false;  // a FIFO that nobody reads
    }
    // Without /proc: the shared description, non-blocking while we write.
    const int flags = fcntl(STDERR_FILENO, F_GETFL);
    if (flags < 0) {
        return false;
    }
    fcntl(STDERR_FILENO, F_SETFL, flags | O_NONBLOCK);
    const bool written = WriteWithin(STDERR_FILENO, data, false);
    fcntl(STDERR_FILENO, F_SETFL, flags);
    return written;
}

long SudoUser() {
    const char* named = std::getenv("SUDO_UID");
    if (geteuid() != 0 || named == nullptr || named[0] == '\0') {
        return -1;
    }
    char* end = nullptr;
    const long uid = std::strtol(named, &end, 10);
    return *end == '\0' && uid > 0 ? uid : -1;
}

}  // namespace vlio
