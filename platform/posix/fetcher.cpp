#include "fetcher.h"

#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <linux/keyctl.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "credentials.h"
#include "fetch-protocol.h"
#include "measure.h"
#include "netapi-client.h"
#include "posix-io.h"
#include "sandbox.h"
#include "stop.h"

// In a build with sanitizers: where their reports go.
extern "C" void __sanitizer_set_report_fd(void* fd) __attribute__((weak));

namespace {

std::int64_t MonotonicUs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

// The program's end of the socket to the launcher, and of the one to the
// current helper.
int launcher = -1;
int launcher_pidfd = -1;
int helper = -1;
std::uint32_t sequence = 0;
// What every host gets when no launcher could be started, or 0.
std::uint32_t unusable = 0;

// The environment's strings as the program started with them. clearenv()
// forgets them, but they stay in memory, where the helper's code could
// read the caller's variables (a password in USER among them): the helper
// overwrites them, and the stack its launcher's earlier calls left.
char* environment_begin = nullptr;
char* environment_end = nullptr;

void NoteEnvironment() {
    for (char** variable = environ; variable != nullptr && *variable != nullptr; ++variable) {
        char* end = *variable + std::strlen(*variable) + 1;
        if (environment_begin == nullptr || *variable < environment_begin) {
            environment_begin = *variable;
        }
        environment_end = std::max(environment_end, end);
    }
}

// Overwrites the stack below the caller's frame, where the frames of
// earlier calls left copies of what they handled (the credentials as read).
[[gnu::noinline]] void ScrubStack() {
    char area[256 * 1024];
    explicit_bzero(area, sizeof area);
}

// What every host gets from a helper that the kernel could not confine.
constexpr std::uint32_t kNotConfined = 50;  // ERROR_NOT_SUPPORTED

// The launcher's word beside a new helper's socket, or instead of it.
constexpr char kHelperStarted = 0;
constexpr char kCannotFork = 1;

// Gives up every privilege for good, or ends the process: a launcher that
// could not would hand Samba's code to a privileged process. A process
// started by root becomes `user`.
void GiveUpEverything(const std::optional<fetcher::User>& user) {
    // The bounding set while CAP_SETPCAP may still be effective; a user
    // without it keeps the set, which no_new_privs makes useless.
    for (cap_value_t c = 0; c <= CAP_LAST_CAP; ++c) {
        prctl(PR_CAPBSET_DROP, c, 0, 0, 0);
    }
    bool done = prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) == 0;
    if (user) {
        done = done && setgroups(0, nullptr) == 0 &&
               setresgid(user->gid, user->gid, user->gid) == 0 &&
               setresuid(user->uid, user->uid, user->uid) == 0;
    }
    cap_t none = cap_init();
    done = done && none != nullptr && cap_set_proc(none) == 0;
    cap_free(none);
    const rlimit no_core{0, 0};
    // Not dumpable: no process of the same user may trace this one or read
    // its memory, nor open what /proc shows of it.
    done = done && prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           setrlimit(RLIMIT_CORE, &no_core) == 0 && prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0;
    // Root of a user namespace of its own stays its uid 0 there, an
    // ordinary user outside; root of the system must have become `user`.
    uid_t real = 0, effective = 0, saved = 0;
    done = done && getresuid(&real, &effective, &saved) == 0 &&
           (!user || (real == user->uid && effective == user->uid && saved == user->uid));
    if (!done) {
        _exit(1);
    }
}

// Ends this process when the one that forked it has gone. The kernel sends
// the signal with the parent's rights, which suffice: both run as the same
// user.
void DieWithParent(pid_t parent) {
    if (prctl(PR_SET_PDEATHSIG, SIGKILL, 0, 0, 0) != 0 || getppid() != parent) {
        _exit(0);
    }
}

// Answers one request with libnetapi.
void Serve(const fetch::Request& request, fetch::Answer* answer) {
    bool has_record = false;
    switch (request.kind) {
        case fetch::Kind::kTimeOfDay:
            answer->status = netapi::RemoteTOD(request.name, &answer->record, &has_record);
            break;
        case fetch::Kind::kPrecise: {
            estimate::Estimate time{};
            bool estimated = false;
            answer->status = platform::MeasureTimeOfDay(
                [&](platform::TIME_OF_DAY_INFO* record, bool* has) {
                    return netapi::RemoteTOD(request.name, record, has);
                },
                &answer->record, &has_record, &time, &estimated);
            if (answer->status == 0 && has_record && estimated) {
                answer->has_estimate = 1;
                answer->method = static_cast<std::uint32_t>(time.method);
                answer->tries = time.tries;
                answer->remote_us = time.remote_us;
                answer->at_us = time.at_us;
                answer->round_trip_us = time.round_trip_us;
                answer->spread_us = time.spread_us;
            }
            break;
        }
        case fetch::Kind::kTimeServer: {
            std::string server, domain;
            answer->status = netapi::DsGetDcName(request.name, request.flags, &server, &domain,
                                                 &answer->server_flags);
            if (answer->status == 0 &&
                (server.size() > fetch::kMaxFound || domain.size() > fetch::kMaxFound)) {
                answer->status = fetch::kInvalidData;  // no DNS name is that long
            }
            if (answer->status == 0) {
                answer->server_length = static_cast<std::uint32_t>(server.size());
                answer->domain_length = static_cast<std::uint32_t>(domain.size());
                std::memcpy(answer->server, server.data(), answer->server_length);
                std::memcpy(answer->domain, domain.data(), answer->domain_length);
            }
            break;
        }
    }
    answer->has_record = has_record && answer->status == 0 ? 1 : 0;
}

// Serves requests until the program closes its end: with libnetapi, or,
// when `refusal` is not 0, by answering each with it.
[[noreturn]] void ServeHosts(int socket, std::uint32_t refusal) {
    std::string bytes(3 * sizeof(std::uint32_t) + fetch::kMaxName + 1, '\0');
    for (;;) {
        const ssize_t n = recv(socket, bytes.data(), bytes.size(), 0);
        if (n <= 0) {
            _exit(0);
        }
        fetch::Request request;
        if (!fetch::DecodeRequest(std::string_view(bytes.data(), static_cast<std::size_t>(n)),
                                  &request)) {
            _exit(1);
        }
        const fetch::Taken taken{fetch::kTakenMagic, request.sequence};
        if (send(socket, &taken, sizeof taken, MSG_NOSIGNAL) != sizeof taken) {
            _exit(0);
        }
        fetch::Answer answer{};
        answer.magic = fetch::kAnswerMagic;
        answer.sequence = request.sequence;
        // A call that outlives the program's deadline ends the helper.
        alarm(fetcher::kDeadlineSeconds + 5);
        if (refusal != 0) {
            answer.status = refusal;
        } else {
            Serve(request, &answer);
        }
        alarm(0);
        if (send(socket, &answer, sizeof answer, MSG_NOSIGNAL) != sizeof answer) {
            _exit(0);
        }
    }
}

// The helper: a session of its own (no terminal to open), standard streams
// on /dev/null, no descriptor but its socket (and, in a build with
// sanitizers, a copy of standard error for their reports), an environment
// of what Kerberos needs, and the sandbox, before anything of Samba's is
// loaded.
[[noreturn]] void RunHelper(int socket, pid_t launcher_pid, const credentials::Secrets& secrets) {
    DieWithParent(launcher_pid);
    ScrubStack();
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    int report = -1;
    if (__sanitizer_set_report_fd != nullptr) {
        report = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 5);
    }
    if (setsid() < 0 || null < 0 || dup2(null, STDIN_FILENO) < 0 || dup2(null, STDOUT_FILENO) < 0 ||
        dup2(null, STDERR_FILENO) < 0 || dup2(socket, 3) != 3 ||
        (report >= 0 && dup2(report, 4) != 4)) {
        _exit(1);
    }
    close_range(report >= 0 ? 5 : 4, ~0U, 0);
    if (report >= 0) {
        __sanitizer_set_report_fd(reinterpret_cast<void*>(static_cast<std::intptr_t>(4)));
    }
    // Kerberos's configuration, as the caller named it; nothing else of the
    // caller's environment. Its file stays readable, and so do the folders
    // that the dynamic loader was told to load libraries from (as it does
    // for the program itself).
    const char* named = std::getenv("KRB5_CONFIG");
    const std::string config = named != nullptr ? named : "";
    std::vector<std::string> readable{config};
    if (const char* folders = std::getenv("LD_LIBRARY_PATH")) {
        std::string list = folders;
        for (std::size_t at = 0; at <= list.size();) {
            const std::size_t end = std::min(list.find(':', at), list.size());
            readable.push_back(list.substr(at, end - at));
            at = end + 1;
        }
    }
    clearenv();
    if (environment_begin != nullptr) {
        std::memset(environment_begin, 0,
                    static_cast<std::size_t>(environment_end - environment_begin));
    }
    if (!config.empty()) {
        setenv("KRB5_CONFIG", config.c_str(), 1);
    }
    // A helper of the run's own user (not _todsync) could read that user's
    // files without Landlock; a sanitizer's symbolizer is a process of its
    // own. Unconfined, it loads nothing of Samba's and says why.
    const auto service = fetcher::ServiceUser();
    const bool own_user = !service || getuid() != service->uid;
    if (!sandbox::Confine(readable, own_user, __sanitizer_set_report_fd != nullptr)) {
        ServeHosts(3, kNotConfined);
    }
    netapi::UseCredentials(secrets);
    ServeHosts(3, 0);
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

// Hands the program a new helper's socket, or says why there is none
// (descriptor -1).
bool SendHelper(int socket, int descriptor) {
    DescriptorMessage m;
    m.byte = kHelperStarted;
    if (descriptor < 0) {
        m.byte = kCannotFork;
        m.message.msg_control = nullptr;
        m.message.msg_controllen = 0;
    } else {
        cmsghdr* header = CMSG_FIRSTHDR(&m.message);
        header->cmsg_level = SOL_SOCKET;
        header->cmsg_type = SCM_RIGHTS;
        header->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(header), &descriptor, sizeof descriptor);
    }
    return sendmsg(socket, &m.message, MSG_NOSIGNAL) == 1;
}

// The helper's socket, or -1 with the launcher's word in *word.
int ReceiveHelper(int socket, char* word) {
    DescriptorMessage m;
    *word = kCannotFork + 1;  // no word at all
    if (recvmsg(socket, &m.message, MSG_CMSG_CLOEXEC | MSG_DONTWAIT) != 1) {
        return -1;
    }
    *word = m.byte;
    const cmsghdr* header = CMSG_FIRSTHDR(&m.message);
    if (header == nullptr || header->cmsg_level != SOL_SOCKET || header->cmsg_type != SCM_RIGHTS ||
        header->cmsg_len != CMSG_LEN(sizeof(int))) {
        return -1;
    }
    int descriptor = -1;
    std::memcpy(&descriptor, CMSG_DATA(header), sizeof descriptor);
    return descriptor;
}

// The launcher keeps nothing of the program's but its socket: a session of
// its own (no controlling terminal to push input into), standard streams
// on /dev/null (in a build with sanitizers, standard error stays for their
// reports), every other descriptor closed.
int Detach(int socket) {
    if (setsid() < 0 || dup2(socket, 3) != 3) {
        _exit(1);
    }
    close_range(4, ~0U, 0);
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null < 0 || dup2(null, STDIN_FILENO) < 0 || dup2(null, STDOUT_FILENO) < 0 ||
        (__sanitizer_set_report_fd == nullptr && dup2(null, STDERR_FILENO) < 0)) {
        _exit(1);
    }
    close(null);
    return 3;
}

[[noreturn]] void RunLauncher(int socket, pid_t program, const std::optional<fetcher::User>& user) {
    socket = Detach(socket);
    credentials::Secrets secrets = credentials::Read(socket);
    // A session keyring of its own: the caller's, and the tickets it may
    // hold, stay out of the helpers' reach.
    syscall(SYS_keyctl, KEYCTL_JOIN_SESSION_KEYRING, nullptr);
    GiveUpEverything(user);
    DieWithParent(program);
    signal(SIGPIPE, SIG_IGN);
    // Under a file size limit the helper's capture of Samba's output fills;
    // the host is then judged by the call's own status.
    signal(SIGXFSZ, SIG_IGN);
    // Helpers that end stay zombies until reaped here, so that the pid of
    // a pidfd opened after the fork is still theirs.
    int current_pidfd = -1;
    char byte = 0;
    while (recv(socket, &byte, 1, 0) == 1) {
        while (waitpid(-1, nullptr, WNOHANG) > 0) {
        }
        // One helper at a time: the one asked for replaces the last.
        if (current_pidfd >= 0) {
            syscall(SYS_pidfd_send_signal, current_pidfd, SIGKILL, nullptr, 0);
            close(current_pidfd);
            current_pidfd = -1;
        }
        int ends[2];
        if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) {
            ends[0] = ends[1] = -1;
        }
        const pid_t launcher_pid = getpid();
        const pid_t current = ends[0] >= 0 ? fork() : -1;
        if (current == 0) {
            RunHelper(ends[1], launcher_pid, secrets);
        }
        if (ends[1] >= 0) {
            close(ends[1]);
        }
        if (current > 0) {
            current_pidfd = static_cast<int>(syscall(SYS_pidfd_open, current, 0));
        }
        const bool sent = SendHelper(socket, current > 0 ? ends[0] : -1);
        if (ends[0] >= 0) {
            close(ends[0]);
        }
        if (!sent) {
            break;
        }
    }
    // The program has ended or closed its end: the helper goes now.
    if (current_pidfd >= 0) {
        syscall(SYS_pidfd_send_signal, current_pidfd, SIGKILL, nullptr, 0);
    }
    credentials::Forget(&secrets);
    _exit(0);
}

void CloseHelper() {
    if (helper >= 0) {
        close(helper);
        helper = -1;
    }
}

// Gives up on the launcher: it ends (it runs as this process's user), and
// no helper is started again.
void DropLauncher() {
    if (launcher_pidfd >= 0) {
        syscall(SYS_pidfd_send_signal, launcher_pidfd, SIGKILL, nullptr, 0);
        close(launcher_pidfd);
        launcher_pidfd = -1;
    }
    if (launcher >= 0) {
        close(launcher);
        launcher = -1;
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

std::uint32_t Failure(Wait wait) {
    switch (wait) {
        case Wait::kTimedOut:
            return fetcher::kTimeout;
        case Wait::kStopped:
            return fetcher::kAborted;
        default:
            return fetcher::kHelperDied;
    }
}

// A helper, started if there is none: 0, or why there is none.
std::uint32_t HaveHelper(std::int64_t deadline) {
    if (helper >= 0) {
        return 0;
    }
    const char byte = 0;
    if (launcher < 0 || send(launcher, &byte, 1, MSG_NOSIGNAL) != 1) {
        DropLauncher();
        return fetcher::kHelperDied;
    }
    // A launcher that does not answer (stopped, hung) costs the host, and
    // ends.
    const Wait wait = WaitReadable(launcher, deadline);
    if (wait != Wait::kReady) {
        DropLauncher();
        return Failure(wait);
    }
    char word = 0;
    helper = ReceiveHelper(launcher, &word);
    if (helper >= 0) {
        return 0;
    }
    if (word == kCannotFork) {
        return fetcher::kNoProcess;
    }
    DropLauncher();
    return fetcher::kHelperDied;
}

// Receives the helper's next message into `bytes` (one byte more than the
// longest message, so that a longer one shows): 0 with its length in *n,
// 0 for the end of the helper; or why nothing came, the helper given up.
std::uint32_t Receive(std::int64_t deadline, unsigned char* bytes, std::size_t size, ssize_t* n) {
    const Wait wait = WaitReadable(helper, deadline);
    if (wait == Wait::kReady) {
        *n = recv(helper, bytes, size, MSG_DONTWAIT | MSG_TRUNC);
        if (*n > 0) {
            return 0;
        }
    }
    CloseHelper();
    *n = 0;
    return wait == Wait::kReady ? 0 : Failure(wait);
}

}  // namespace

namespace fetcher {

bool StartedByRoot() {
    if (getuid() != 0 && geteuid() != 0) {
        return false;
    }
    // Root of a user namespace of its own (unshare -r) is an ordinary user
    // outside it, and the system user's uid is not its to take.
    char map[128] = {};
    const int fd = open("/proc/self/uid_map", O_RDONLY | O_CLOEXEC);
    const ssize_t n = fd >= 0 ? read(fd, map, sizeof map - 1) : -1;
    if (fd >= 0) {
        close(fd);
    }
    unsigned long inside = 1, outside = 1, count = 0;
    return n <= 0 || (std::sscanf(map, "%lu %lu %lu", &inside, &outside, &count) == 3 &&
                      inside == 0 && outside == 0 && count == 4294967295UL);
}

std::optional<User> ServiceUser() {
    // A system user lives in /etc/passwd (sysusers.d and useradd put it
    // there): read directly, it brings no name service module into a
    // process that holds privileges, and costs no library load.
    static const std::optional<User> user = [] {
        std::optional<User> found;
        FILE* file = std::fopen("/etc/passwd", "re");
        while (file != nullptr && !found) {
            const passwd* entry = fgetpwent(file);
            if (entry == nullptr) {
                break;
            }
            if (std::strcmp(entry->pw_name, kUserName) == 0 && entry->pw_uid != 0) {
                found = User{entry->pw_uid, entry->pw_gid};
            }
        }
        if (file != nullptr) {
            std::fclose(file);
        }
        return found;
    }();
    return user;
}

void Start() {
    static bool started = false;
    if (started) {
        return;
    }
    started = true;
    std::optional<User> user;
    if (StartedByRoot()) {
        user = ServiceUser();
        if (!user) {
            unusable = kNoUser;
            return;
        }
    }
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) {
        unusable = kNoProcess;
        return;
    }
    NoteEnvironment();
    const pid_t program = getpid();
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        RunLauncher(ends[1], program, user);
    }
    close(ends[1]);
    if (child < 0) {
        close(ends[0]);
        unusable = kNoProcess;
        return;
    }
    launcher = ends[0];
    launcher_pidfd = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
    if (launcher_pidfd >= 0) {
        fcntl(launcher_pidfd, F_SETFD, FD_CLOEXEC);
    }
}

std::uint32_t Ask(fetch::Request request, fetch::Reply* reply) {
    *reply = {};
    Start();  // a no-op once the launcher runs
    if (unusable != 0) {
        return unusable;
    }
    // One deadline for all the host costs: a new helper, the request, the
    // answer.
    const std::int64_t deadline = vlio::MillisecondsNow() + kDeadlineSeconds * 1000;
    request.sequence = ++sequence;
    const std::string bytes_out = fetch::EncodeRequest(request);
    bool taken = false;
    std::int64_t sent_us = 0;
    // A helper that ended before it took the request (it died after its
    // last answer): one more try with a new one.
    for (int tries = 0; tries < 2 && !taken; ++tries) {
        if (const std::uint32_t status = HaveHelper(deadline)) {
            return status;
        }
        sent_us = MonotonicUs();
        if (send(helper, bytes_out.data(), bytes_out.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(bytes_out.size())) {
            unsigned char word[sizeof(fetch::Taken) + 1];
            ssize_t n = 0;
            if (const std::uint32_t status = Receive(deadline, word, sizeof word, &n)) {
                return status;
            }
            if (n > 0 && !fetch::CheckTaken(word, static_cast<std::size_t>(n), sequence)) {
                CloseHelper();
                return fetch::kInvalidData;
            }
            taken = n > 0;
        }
        if (!taken) {
            CloseHelper();
        }
    }
    if (!taken) {
        return kHelperDied;
    }
    unsigned char bytes[sizeof(fetch::Answer) + 1];
    ssize_t n = 0;
    if (const std::uint32_t status = Receive(deadline, bytes, sizeof bytes, &n)) {
        return status;
    }
    if (n <= 0) {
        return kHelperDied;  // it ended while it asked the host
    }
    if (!fetch::CheckAnswer(bytes, static_cast<std::size_t>(n), request, sent_us, MonotonicUs(),
                            reply)) {
        *reply = {};
        CloseHelper();
        return fetch::kInvalidData;
    }
    return reply->status;
}

}  // namespace fetcher
