#include "fetcher.h"

#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fetch-protocol.h"
#include "netapi-client.h"
#include "posix-io.h"
#include "stop.h"

// In a build with sanitizers: where their reports go.
extern "C" void __sanitizer_set_report_fd(void* fd) __attribute__((weak));

namespace {

// The program's end of the socket to the launcher, and of the one to the
// current helper.
int launcher = -1;
int helper = -1;
std::uint32_t sequence = 0;

// The user a helper started by root runs as: the system's account for
// processes that should own nothing. uid 65534 where it has no entry.
void UnprivilegedUser(uid_t* uid, gid_t* gid) {
    *uid = 65534;
    *gid = 65534;
    if (const passwd* entry = getpwnam("nobody")) {
        *uid = entry->pw_uid;
        *gid = entry->pw_gid;
    }
}

// Gives up every privilege for good, or ends the process: a launcher that
// could not would hand Samba's code to a privileged process.
void GiveUpEverything() {
    const bool root = getuid() == 0 || geteuid() == 0;
    uid_t uid = getuid();
    gid_t gid = getgid();
    if (root) {
        UnprivilegedUser(&uid, &gid);
    }
    // The bounding set while CAP_SETPCAP may still be effective; a user
    // without it keeps the set, which no_new_privs makes useless.
    for (cap_value_t c = 0; c <= CAP_LAST_CAP; ++c) {
        prctl(PR_CAPBSET_DROP, c, 0, 0, 0);
    }
    bool done = prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) == 0;
    if (root) {
        done = done && setgroups(0, nullptr) == 0 && setresgid(gid, gid, gid) == 0 &&
               setresuid(uid, uid, uid) == 0;
    }
    cap_t none = cap_init();
    done = done && none != nullptr && cap_set_proc(none) == 0;
    cap_free(none);
    done = done && prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0;
    const rlimit no_core{0, 0};
    done = done && setrlimit(RLIMIT_CORE, &no_core) == 0;
    uid_t real = 0, effective = 0, saved = 0;
    done = done && getresuid(&real, &effective, &saved) == 0 && real != 0 && effective != 0 &&
           saved != 0;
    if (!done) {
        _exit(1);
    }
}

// Ends this process when the one that forked it has gone.
void DieWithParent(pid_t parent) {
    if (prctl(PR_SET_PDEATHSIG, SIGKILL, 0, 0, 0) != 0 || getppid() != parent) {
        _exit(0);
    }
}

[[noreturn]] void ServeHosts(int socket) {
    // Samba's output is captured while a call runs, and a sanitizer's
    // report of a fault inside it must not vanish with it: the report goes
    // to the standard error the helper started with.
    if (__sanitizer_set_report_fd != nullptr) {
        const int stderr_copy = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
        if (stderr_copy >= 0) {
            __sanitizer_set_report_fd(
                reinterpret_cast<void*>(static_cast<std::intptr_t>(stderr_copy)));
        }
    }
    std::string request(sizeof(std::uint32_t) + fetch::kMaxName + 1, '\0');
    for (;;) {
        const ssize_t n = recv(socket, request.data(), request.size(), 0);
        if (n <= 0) {
            _exit(0);
        }
        fetch::Answer answer{};
        answer.magic = fetch::kAnswerMagic;
        std::string server;
        if (!fetch::DecodeRequest(std::string_view(request.data(), static_cast<std::size_t>(n)),
                                  &answer.sequence, &server)) {
            _exit(1);
        }
        // A call that outlives the program's deadline ends the helper.
        alarm(fetcher::kDeadlineSeconds + 5);
        bool has_record = false;
        answer.status = netapi::RemoteTOD(server, &answer.record, &has_record);
        alarm(0);
        answer.has_record = has_record ? 1 : 0;
        if (send(socket, &answer, sizeof answer, MSG_NOSIGNAL) != sizeof answer) {
            _exit(0);
        }
    }
}

// A message of one byte with room for one descriptor beside it.
struct DescriptorMessage {
    char byte = 0;
    iovec data{&byte, 1};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};

    DescriptorMessage() {
        message.msg_iov = &data;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
    }
    DescriptorMessage(const DescriptorMessage&) = delete;
    DescriptorMessage& operator=(const DescriptorMessage&) = delete;
};

// Hands the program a descriptor: its end of a new helper's socket.
bool SendDescriptor(int socket, int descriptor) {
    DescriptorMessage m;
    cmsghdr* header = CMSG_FIRSTHDR(&m.message);
    header->cmsg_level = SOL_SOCKET;
    header->cmsg_type = SCM_RIGHTS;
    header->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(header), &descriptor, sizeof descriptor);
    return sendmsg(socket, &m.message, MSG_NOSIGNAL) == 1;
}

int ReceiveDescriptor(int socket) {
    DescriptorMessage m;
    if (recvmsg(socket, &m.message, MSG_CMSG_CLOEXEC) != 1) {
        return -1;
    }
    const cmsghdr* header = CMSG_FIRSTHDR(&m.message);
    if (header == nullptr || header->cmsg_level != SOL_SOCKET || header->cmsg_type != SCM_RIGHTS ||
        header->cmsg_len != CMSG_LEN(sizeof(int))) {
        return -1;
    }
    int descriptor = -1;
    std::memcpy(&descriptor, CMSG_DATA(header), sizeof descriptor);
    return descriptor;
}

// The launcher keeps nothing of the program's but its socket and standard
// error: a session of its own (no controlling terminal to push input into),
// standard input and output on /dev/null, every other descriptor closed.
int Detach(int socket) {
    if (setsid() < 0 || dup2(socket, 3) != 3) {
        _exit(1);
    }
    close_range(4, ~0U, 0);
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null < 0 || dup2(null, STDIN_FILENO) < 0 || dup2(null, STDOUT_FILENO) < 0) {
        _exit(1);
    }
    close(null);
    return 3;
}

[[noreturn]] void RunLauncher(int socket, pid_t program) {
    socket = Detach(socket);
    netapi::ReadCredentials();
    GiveUpEverything();
    netapi::PlaceTicketCache();
    DieWithParent(program);
    signal(SIGPIPE, SIG_IGN);
    // Under a file size limit the helper's capture of Samba's output fills;
    // the host is then judged by the call's own status.
    signal(SIGXFSZ, SIG_IGN);
    signal(SIGCHLD, SIG_IGN);  // helpers that end are reaped by the kernel
    pid_t current = -1;
    int current_pidfd = -1;  // names the helper even after its pid is reused
    char byte = 0;
    while (recv(socket, &byte, 1, 0) == 1) {
        // One helper at a time: the one asked for replaces the last.
        if (current_pidfd >= 0) {
            syscall(SYS_pidfd_send_signal, current_pidfd, SIGKILL, nullptr, 0);
            close(current_pidfd);
            current_pidfd = -1;
        }
        int ends[2];
        if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) {
            _exit(1);
        }
        const pid_t launcher_pid = getpid();
        current = fork();
        if (current == 0) {
            close(socket);
            close(ends[0]);
            DieWithParent(launcher_pid);
            signal(SIGCHLD, SIG_DFL);
            ServeHosts(ends[1]);
        }
        close(ends[1]);
        if (current > 0) {
            current_pidfd = static_cast<int>(syscall(SYS_pidfd_open, current, 0));
        }
        const bool sent = current > 0 && SendDescriptor(socket, ends[0]);
        close(ends[0]);
        if (!sent) {
            netapi::RemoveTicketCache();
            _exit(1);
        }
    }
    // The program has ended or closed its end: the helper goes with the
    // launcher (parent-death signal), the ticket's copy goes now.
    if (current_pidfd >= 0) {
        syscall(SYS_pidfd_send_signal, current_pidfd, SIGKILL, nullptr, 0);
    }
    netapi::RemoveTicketCache();
    _exit(0);
}

void CloseHelper() {
    if (helper >= 0) {
        close(helper);
        helper = -1;
    }
}

enum class Wait { kReady, kTimedOut, kStopped, kFailed };

// Waits until `fd` has something to read, until `deadline` (on
// vlio::MillisecondsNow's clock), or until a stop signal arrives.
Wait WaitReadable(int fd, std::int64_t deadline) {
    pollfd waits[2] = {{fd, POLLIN, 0}, {platform::posix::StopSignalDescriptor(), POLLIN, 0}};
    for (;;) {
        if (platform::posix::ReceivedStopSignal() != 0) {
            return Wait::kStopped;
        }
        const std::int64_t left = deadline - vlio::MillisecondsNow();
        if (left <= 0) {
            return Wait::kTimedOut;
        }
        const int ready = poll(waits, 2, static_cast<int>(left));
        if (ready < 0 && errno != EINTR) {
            return Wait::kFailed;
        }
        if (ready > 0 && waits[0].revents != 0 && platform::posix::ReceivedStopSignal() == 0) {
            return Wait::kReady;
        }
    }
}

std::int64_t Deadline() {
    return vlio::MillisecondsNow() + fetcher::kDeadlineSeconds * 1000;
}

// The helper, started if there is none.
bool HaveHelper() {
    if (helper >= 0) {
        return true;
    }
    const char byte = 0;
    if (launcher < 0 || send(launcher, &byte, 1, MSG_NOSIGNAL) != 1) {
        return false;
    }
    // A launcher that does not answer (stopped, hung) costs the host, not
    // the run.
    if (WaitReadable(launcher, Deadline()) != Wait::kReady) {
        close(launcher);
        launcher = -1;
        return false;
    }
    helper = ReceiveDescriptor(launcher);
    return helper >= 0;
}

}  // namespace

namespace fetcher {

void Start() {
    static bool started = false;
    if (started) {
        return;
    }
    started = true;
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) {
        return;
    }
    const pid_t program = getpid();
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        RunLauncher(ends[1], program);
    }
    close(ends[1]);
    if (child < 0) {
        close(ends[0]);
        return;
    }
    launcher = ends[0];
}

std::uint32_t Ask(const std::string& server, platform::TIME_OF_DAY_INFO* record, bool* has_record) {
    *has_record = false;
    Start();  // a no-op once the launcher runs
    if (!HaveHelper()) {
        return platform::posix::ReceivedStopSignal() != 0 ? kAborted : kHelperDied;
    }
    const std::string request = fetch::EncodeRequest(++sequence, server);
    if (send(helper, request.data(), request.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(request.size())) {
        // A helper that died after its last answer: one more try with a new
        // one.
        CloseHelper();
        if (!HaveHelper() || send(helper, request.data(), request.size(), MSG_NOSIGNAL) !=
                                 static_cast<ssize_t>(request.size())) {
            CloseHelper();
            return kHelperDied;
        }
    }
    switch (WaitReadable(helper, Deadline())) {
        case Wait::kReady:
            break;
        case Wait::kTimedOut:
            CloseHelper();
            return kTimeout;
        case Wait::kStopped:
            CloseHelper();
            return kAborted;
        case Wait::kFailed:
            CloseHelper();
            return kHelperDied;
    }
    // One byte more than an answer, so that a longer message shows.
    unsigned char bytes[sizeof(fetch::Answer) + 1];
    const ssize_t n = recv(helper, bytes, sizeof bytes, MSG_DONTWAIT | MSG_TRUNC);
    if (n <= 0) {
        CloseHelper();
        return kHelperDied;
    }
    std::uint32_t status = 0;
    if (!fetch::CheckAnswer(bytes, static_cast<std::size_t>(n), sequence, &status, has_record,
                            record)) {
        CloseHelper();
        return fetch::kInvalidData;
    }
    return status;
}

}  // namespace fetcher
