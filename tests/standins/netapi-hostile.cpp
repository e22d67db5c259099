// A stand-in for Samba's libnetapi.so.1, for the tests only: Samba's client
// code as a hostile answer would leave it, taken over inside the network
// helper. Asked for ESCAPE-<hex>, the hex spelling the lines "log file",
// "state folder", "standard error file", "credential file", "program's
// pid", it tries every way out of the helper it knows and answers with the
// error code 0x20000000 plus one bit for each that worked (alone: none did). Asked for QUIT, it
// ends the helper right after the answer. Any other host is not found.
#include <errno.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/shm.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

#include "netapi-accept.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" void __sanitizer_set_report_fd(void* fd) __attribute__((weak));

namespace {

const char kForged[] = "System time was updated successfully.\n";

// Signal (also through a pidfd), trace, or read the memory of `process`;
// a read that only the address stops got past the permission check.
bool Signal(pid_t process) {
    const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, process, 0));
    return kill(process, 0) == 0 ||
           (pidfd >= 0 && syscall(SYS_pidfd_send_signal, pidfd, 0, nullptr, 0) == 0);
}
bool Trace(pid_t process) {
    return ptrace(PTRACE_SEIZE, process, nullptr, nullptr) == 0;
}
bool Memory(pid_t process) {
    char byte = 0;
    const iovec local{&byte, 1};
    const iovec remote{reinterpret_cast<void*>(0x1000), 1};
    const std::string mem = "/proc/" + std::to_string(process) + "/mem";
    return open(mem.c_str(), O_RDONLY) >= 0 ||
           process_vm_readv(process, &local, 1, &remote, 1, 0) == 1 || errno == EFAULT;
}

bool Write(const std::string& path, int flags) {
    const int fd = open(path.c_str(), O_WRONLY | flags, 0644);
    return fd >= 0 && write(fd, kForged, sizeof kForged - 1) > 0;
}

// Whether the helper's own stack, where exec put the environment the
// program started with, still holds `text` (the caller's password). Read
// byte by byte, past a sanitizer's markings of dead frames.
__attribute__((no_sanitize("address"))) bool OnStack(const char* text) {
    FILE* maps = std::fopen("/proc/self/maps", "r");
    char line[512];
    unsigned long from = 0, to = 0;
    while (maps != nullptr && std::fgets(line, sizeof line, maps) != nullptr) {
        if (std::strstr(line, "[stack]") != nullptr) {
            std::sscanf(line, "%lx-%lx", &from, &to);
        }
    }
    const auto* stack = reinterpret_cast<const volatile char*>(from);
    for (unsigned long at = 0; from != 0 && at + 8 < to - from; ++at) {
        std::size_t same = 0;
        while (text[same] != '\0' && stack[at + same] == text[same]) {
            ++same;
        }
        if (text[same] == '\0') {
            return true;
        }
    }
    return false;
}

// "%secret", made on the heap: a needle that the stack holds itself would
// be found there.
const char* Needle() {
    static char* needle = [] {
        auto* bytes = static_cast<char*>(std::calloc(8, 1));
        for (const char c : {'%' ^ 1, 's' ^ 1, 'e' ^ 1, 'c' ^ 1, 'r' ^ 1, 'e' ^ 1, 't' ^ 1}) {
            bytes[std::strlen(bytes)] = static_cast<char>(c ^ 1);
        }
        return bytes;
    }();
    return needle;
}

// A process, made by the C library or by the system call itself.
bool StartsProcess(bool raw) {
    const long child = raw ? syscall(SYS_fork) : fork();
    if (child == 0) {
        _exit(0);
    }
    return child > 0;
}

bool Read(const std::string& path) {
    char byte = 0;
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
    return fd >= 0 && read(fd, &byte, 1) == 1;
}

std::uint32_t TryEverything(const char* hex) {
    // The log file, state folder, standard error, a credential, and the
    // program's pid (/proc shows the sandbox nothing of other processes).
    std::vector<std::string> targets(1);
    for (; hex[0] != '\0' && hex[1] != '\0'; hex += 2) {
        const char pair[3] = {hex[0], hex[1], '\0'};
        const char c = static_cast<char>(std::strtol(pair, nullptr, 16));
        if (c == '\n') {
            targets.emplace_back();
        } else {
            targets.back() += c;
        }
    }
    targets.resize(5);
    const pid_t launcher = getppid();
    const pid_t program = static_cast<pid_t>(std::atoi(targets[4].c_str()));
    const std::string tmp = "todsync-hostile-" + std::to_string(getpid());
    // Standard output and error: the program's, if the helper had kept them.
    for (const int fd : {STDOUT_FILENO, STDERR_FILENO}) {
        [[maybe_unused]] const ssize_t n = write(fd, kForged, sizeof kForged - 1);
    }
    char keys[64];
    char ring[128] = {};  // io_uring_params, zero
    rlimit limit{};
    int pair[2];
    const bool worked[] = {
        Signal(program), Signal(launcher), Trace(program), Trace(launcher), Memory(program),
        Memory(launcher), Write(targets[0], O_APPEND), Write(targets[1] + "/hostile", O_CREAT),
        Write(targets[2], O_APPEND) ||
            Write("/proc/" + std::to_string(program) + "/fd/2", O_APPEND),
        Read(targets[3]), Write("/tmp/" + tmp, O_CREAT) || Write("/var/tmp/" + tmp, O_CREAT),
        kill(-1, 0) == 0, open("/dev/tty", O_RDWR) >= 0,
        // Any key in the session keyring, where a caller's tickets may be.
        syscall(SYS_keyctl, 11 /* KEYCTL_READ */, -3 /* session */, keys, sizeof keys) > 0,
        Read("/proc/" + std::to_string(program) + "/environ") ||
            Read("/proc/" + std::to_string(launcher) + "/environ") || OnStack(Needle()) ||
            (environ != nullptr && environ[0] != nullptr &&
             std::strncmp(environ[0], "KRB5", 4) != 0),
        // A signal through a descriptor's owner; another's limits; a local
        // socket (a session bus); a mode changed through a read-only open.
        fcntl(3, F_SETOWN, program) == 0, prlimit(program, RLIMIT_CPU, nullptr, &limit) == 0,
        socket(AF_UNIX, SOCK_STREAM, 0) >= 0 || socketpair(AF_UNIX, SOCK_DGRAM, 0, pair) == 0,
        // A process that would outlive the helper (a sanitizer's build lets
        // its symbolizer start); shared memory; the priority of all the
        // user's processes.
        __sanitizer_set_report_fd == nullptr && StartsProcess(false),
        shmget(IPC_PRIVATE, 4096, 0600) >= 0, setpriority(PRIO_USER, 0, 0) == 0,
        fchmod(open(targets[0].c_str(), O_RDONLY), 0666) == 0,
        // A namespace of its own; a process past the C library; io_uring
        // (whose operations pass no filter) or the keyring's id; the
        // program's priority; a descriptor's owner set by ioctl; a call the
        // filter does not know (setxattrat, Linux 6.13: anything but ENOSYS)
        // or an x32 call; a folder made, a memory file's mode changed.
        unshare(CLONE_NEWUSER) == 0, __sanitizer_set_report_fd == nullptr && StartsProcess(true),
        syscall(SYS_io_uring_setup, 1, ring) >= 0 || syscall(SYS_keyctl, 0, -3, 0) >= 0,
        setpriority(PRIO_PROCESS, static_cast<id_t>(program),
                    getpriority(PRIO_PROCESS, static_cast<id_t>(program))) == 0,
        ioctl(3, FIOSETOWN, &program) == 0,
        (syscall(463, -1, "", 0, "", nullptr, 0) == -1 && errno != ENOSYS) ||
            syscall(0x40000000 | SYS_getpid) > 0,
        mkdir(("/tmp/" + tmp).c_str(), 0700) == 0 || fchmod(memfd_create("hostile", 0), 0600) == 0};
    std::uint32_t escaped = 0;
    for (std::size_t i = 0; i < sizeof worked; ++i) {
        escaped |= worked[i] ? 1u << i : 0;
    }
    return escaped;
}

}  // namespace

extern "C" {

NET_API_STATUS NetRemoteTOD(const char* server, uint8_t** buffer) {
    *buffer = nullptr;
    if (std::strcmp(server, "QUIT") == 0) {
        shutdown(3, SHUT_RD);  // the helper's socket takes no more requests
    }
    if (std::strncmp(server, "ESCAPE-", 7) != 0) {
        return NET_API_STATUS(53);  // ERROR_BAD_NETPATH
    }
    return NET_API_STATUS(0x20000000 | TryEverything(server + 7));
}

}  // extern "C"
