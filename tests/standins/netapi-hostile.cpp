// A stand-in for Samba's libnetapi.so.1, for the tests only: Samba's client
// code as a hostile answer would leave it, taken over inside the network
// helper. Asked for ESCAPE-<hex>, where the hex digits spell the lines
// "log file", "state folder", "standard error file", "credential file", it
// tries every way out of the helper it knows and answers with the error
// code 0x20000000 plus one bit for each that worked (0x20000000 alone: none
// did). Asked for QUIT, it ends the helper right after the answer. Any
// other host is not found.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdbool.h>
#include <stdint.h>
#include <sys/ptrace.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

#include <netapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

struct cli_credentials;

namespace {

enum Escape : std::uint32_t {
    kSignalProgram = 1 << 0,
    kSignalLauncher = 1 << 1,
    kTraceProgram = 1 << 2,
    kTraceLauncher = 1 << 3,
    kMemoryOfProgram = 1 << 4,
    kMemoryOfLauncher = 1 << 5,
    kWriteLog = 1 << 6,
    kWriteState = 1 << 7,
    kWriteStandardError = 1 << 8,
    kReadCredential = 1 << 9,
    kLeaveFile = 1 << 10,
    kSignalAnyone = 1 << 11,
    kTerminal = 1 << 12,
    kKeyring = 1 << 13,
    kEnvironment = 1 << 14,
};

pid_t ParentOf(pid_t process) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/status", process);
    FILE* status = std::fopen(path, "r");
    char line[256];
    pid_t parent = 0;
    while (status != nullptr && std::fgets(line, sizeof line, status) != nullptr) {
        if (std::strncmp(line, "PPid:", 5) == 0) {
            parent = static_cast<pid_t>(std::atoi(line + 5));
        }
    }
    if (status != nullptr) {
        std::fclose(status);
    }
    return parent;
}

bool Signal(pid_t process) {
    if (process <= 1) {
        return false;
    }
    if (kill(process, 0) == 0) {
        return true;
    }
    const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, process, 0));
    return pidfd >= 0 && syscall(SYS_pidfd_send_signal, pidfd, 0, nullptr, 0) == 0;
}

bool Trace(pid_t process) {
    if (process <= 1 || ptrace(PTRACE_SEIZE, process, nullptr, nullptr) != 0) {
        return false;
    }
    ptrace(PTRACE_DETACH, process, nullptr, nullptr);
    return true;
}

bool Memory(pid_t process) {
    if (process <= 1) {
        return false;
    }
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/mem", process);
    const int fd = open(path, O_RDONLY);
    if (fd >= 0) {
        close(fd);
        return true;
    }
    // A read that only the address stops got past the permission check.
    char byte = 0;
    const iovec local{&byte, 1};
    const iovec remote{reinterpret_cast<void*>(0x1000), 1};
    return process_vm_readv(process, &local, 1, &remote, 1, 0) == 1 || errno == EFAULT;
}

bool Write(const std::string& path, int flags) {
    const int fd = open(path.c_str(), O_WRONLY | flags, 0644);
    if (fd < 0) {
        return false;
    }
    const char forged[] = "System time was updated successfully.\n";
    const bool written = write(fd, forged, sizeof forged - 1) > 0;
    close(fd);
    return written;
}

bool Read(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    char byte = 0;
    const bool read_one = read(fd, &byte, 1) == 1;
    close(fd);
    return read_one;
}

std::vector<std::string> Targets(const char* hex) {
    std::string text;
    for (; hex[0] != '\0' && hex[1] != '\0'; hex += 2) {
        const char pair[3] = {hex[0], hex[1], '\0'};
        text += static_cast<char>(std::strtol(pair, nullptr, 16));
    }
    std::vector<std::string> lines(1);
    for (const char c : text) {
        if (c == '\n') {
            lines.emplace_back();
        } else {
            lines.back() += c;
        }
    }
    lines.resize(4);
    return lines;
}

std::uint32_t TryEverything(const std::vector<std::string>& targets) {
    const pid_t launcher = getppid();
    const pid_t program = ParentOf(launcher);
    std::uint32_t escaped = 0;
    auto note = [&](bool worked, Escape escape) { escaped |= worked ? escape : 0; };
    note(Signal(program), kSignalProgram);
    note(Signal(launcher), kSignalLauncher);
    note(Trace(program), kTraceProgram);
    note(Trace(launcher), kTraceLauncher);
    note(Memory(program), kMemoryOfProgram);
    note(Memory(launcher), kMemoryOfLauncher);
    note(Write(targets[0], O_APPEND), kWriteLog);
    note(Write(targets[1] + "/hostile", O_CREAT | O_EXCL), kWriteState);
    // Standard output and error: the program's, if the helper had kept them.
    const char forged[] = "System time was updated successfully.\n";
    for (const int fd : {STDOUT_FILENO, STDERR_FILENO}) {
        [[maybe_unused]] const ssize_t n = write(fd, forged, sizeof forged - 1);
    }
    note(Write(targets[2], O_APPEND) ||
             Write("/proc/" + std::to_string(program) + "/fd/2", O_APPEND) ||
             Write("/proc/" + std::to_string(launcher) + "/fd/2", O_APPEND),
         kWriteStandardError);
    note(Read(targets[3]), kReadCredential);
    note(Write("/tmp/todsync-hostile-" + std::to_string(getpid()), O_CREAT | O_EXCL) ||
             Write("/var/tmp/todsync-hostile-" + std::to_string(getpid()), O_CREAT | O_EXCL),
         kLeaveFile);
    note(kill(-1, 0) == 0, kSignalAnyone);
    note(open("/dev/tty", O_RDWR) >= 0, kTerminal);
    // The session keyring, where a caller's tickets may be: any key in it.
    char keys[64];
    note(syscall(SYS_keyctl, 11 /* KEYCTL_READ */, -3 /* the session keyring */, keys,
                 sizeof keys) > 0,
         kKeyring);
    note(Read("/proc/" + std::to_string(program) + "/environ") ||
             Read("/proc/" + std::to_string(launcher) + "/environ"),
         kEnvironment);
    return escaped;
}

}  // namespace

extern "C" {

#define ACCEPT(name, ...)              \
    NET_API_STATUS name(__VA_ARGS__) { \
        return NET_API_STATUS(0);      \
    }
ACCEPT(libnetapi_init, libnetapi_ctx**)
ACCEPT(libnetapi_set_username, libnetapi_ctx*, const char*)
ACCEPT(libnetapi_set_password, libnetapi_ctx*, const char*)
ACCEPT(libnetapi_set_use_kerberos, libnetapi_ctx*)
ACCEPT(libnetapi_set_use_ccache, libnetapi_ctx*)
ACCEPT(libnetapi_set_debuglevel, libnetapi_ctx*, const char*)
ACCEPT(libnetapi_set_creds, libnetapi_ctx*, cli_credentials*)
ACCEPT(NetApiBufferFree, void*)
void cli_credentials_set_anonymous(cli_credentials*) {}
cli_credentials* cli_credentials_init(void*) {
    return nullptr;
}

NET_API_STATUS NetRemoteTOD(const char* server, uint8_t** buffer) {
    *buffer = nullptr;
    // QUIT: the helper ends as soon as it has answered (its socket takes
    // no more requests).
    if (std::strcmp(server, "QUIT") == 0) {
        shutdown(3, SHUT_RD);
    }
    if (std::strncmp(server, "ESCAPE-", 7) != 0) {
        return NET_API_STATUS(53);  // ERROR_BAD_NETPATH
    }
    return NET_API_STATUS(0x20000000 | TryEverything(Targets(server + 7)));
}

}  // extern "C"
