#include "stop.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <initializer_list>

namespace {

volatile sig_atomic_t stop_signal = 0;
int pipe_ends[2] = {-1, -1};

void OnStopSignal(int signal) {
    if (stop_signal == 0) {
        stop_signal = signal;
    }
    const int saved = errno;
    const char byte = 0;
    [[maybe_unused]] const ssize_t n = write(pipe_ends[1], &byte, 1);
    errno = saved;
}

}  // namespace

namespace platform::posix {

void CatchStopSignals() {
    if (pipe_ends[0] < 0 && pipe2(pipe_ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;  // the signals keep their default: the run ends at once
    }
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    // Calls that the signal interrupts go on (waits that must end then
    // watch StopSignalDescriptor).
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
}

int StopSignalDescriptor() {
    return pipe_ends[0];
}

int ReceivedStopSignal() {
    return stop_signal;
}

}  // namespace platform::posix
