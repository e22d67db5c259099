// Log entries on Linux: the system log, the plain-text log file and
// standard error.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <syslog.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "bstr.h"
#include "logentry.h"
#include "posix-io.h"
#include "process-posix.h"
#include "store.h"
#include "text.h"

namespace {

// The most the system log takes of one entry, in characters: a datagram to
// /dev/log over about 208 KB is dropped by the kernel, and daemons cut
// long messages on their own (rsyslog at 8 KB by default).
constexpr std::size_t kSyslogLimit = 16000;

void Complain(const std::string& what) {
    // A path from the environment may hold anything: shown, never obeyed.
    vlio::WriteStderr(vlproc::ExecutableName() + ": " +
                      vltext::ToUtf8(vltext::Visible(vltext::FromUtf8(what))) + "\n");
}

std::string LogFilePath(const std::string& name) {
    // Not under sudo: root would append where the user's environment says.
    if (const char* chosen = std::getenv("VESTRIO_LOG_FILE");
        chosen && chosen[0] != '\0' && vlio::SudoUser() < 0) {
        return chosen;
    }
    const std::string system_dir = "/var/log/vestrio";
    if (access(system_dir.c_str(), W_OK) == 0 ||
        (errno == ENOENT && mkdir(system_dir.c_str(), 0755) == 0)) {
        return system_dir + "/" + name + ".log";
    }
    const bool refused = errno == EACCES || errno == EPERM || errno == EROFS;
    const std::string home = vlproc::StateHome();
    const std::string dir = home + "/vestrio";
    if (home.empty() || !vlproc::MakeDirectories(dir, 0700)) {
        return {};
    }
    // A system account's run (a run that root started becomes one) is
    // looked for in the system's folder: it says where it went instead.
    if (refused && geteuid() < 1000) {
        Complain("cannot write in " + system_dir + "; the log file is " + dir + "/" + name +
                 ".log");
    }
    return dir + "/" + name + ".log";
}

// The log file is a regular file, reached without a symbolic link at its
// end, opened without blocking (a FIFO would wait for a reader for ever) and
// appended in one write, so that the entries of runs at the same time never
// interleave.
bool AppendToFile(const std::string& path, const std::string& block) {
    if (path.empty()) {
        Complain("no place for the log file (no home directory)");
        return false;
    }
    const int fd =
        open(path.c_str(),
             O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0640);
    if (fd < 0) {
        Complain("cannot open log file " + path + ": " + std::strerror(errno));
        return false;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        Complain("log file " + path + " is not a regular file; not written");
        return false;
    }
    const ssize_t n = write(fd, block.data(), block.size());
    const int saved = errno;
    if (close(fd) != 0 || n != static_cast<ssize_t>(block.size())) {
        Complain("cannot write log file " + path + ": " +
                 (n < 0 ? std::strerror(saved) : "the disk took only part of the entry"));
        return false;
    }
    return true;
}

// The system log, through its socket, without blocking: a daemon that is
// stuck or gone costs at most vlio::kStderrMilliseconds.
bool SendToSyslog(const std::string& name, vllog::Kind kind, const std::string& lines) {
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, "/dev/log");
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    strftime(stamp, sizeof stamp, "%b %e %H:%M:%S", &local);
    const int priority = LOG_USER | (kind == vllog::Kind::kInformation ? LOG_INFO : LOG_ERR);
    const std::string message = "<" + std::to_string(priority) + ">" + stamp + " " + name + "[" +
                                std::to_string(getpid()) + "]: " + lines;
    const bool sent =
        connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        vlio::WriteWithin(fd, message, true);
    close(fd);
    return sent;
}

// When systemd connects standard error to the journal, the syslog message
// is already there: a second copy would only repeat it.
bool StderrIsJournal() {
    const char* stream = std::getenv("JOURNAL_STREAM");
    struct stat st {};
    if (stream == nullptr || fstat(STDERR_FILENO, &st) != 0) {
        return false;
    }
    const std::string mine =
        std::to_string(static_cast<unsigned long>(st.st_dev)) + ":" + std::to_string(st.st_ino);
    return mine == stream;
}

// Signals that a place could send while it is written: a reader of
// standard error that went away (SIGPIPE), a file size limit (SIGXFSZ).
// They are ignored while the entry is stored, so that a write fails
// instead of ending the process.
class HeldSignals {
public:
    HeldSignals() {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGPIPE, &ignore, &pipe_);
        sigaction(SIGXFSZ, &ignore, &file_size_);
    }
    ~HeldSignals() {
        sigaction(SIGPIPE, &pipe_, nullptr);
        sigaction(SIGXFSZ, &file_size_, nullptr);
    }
    HeldSignals(const HeldSignals&) = delete;
    HeldSignals& operator=(const HeldSignals&) = delete;

private:
    struct sigaction pipe_ {};
    struct sigaction file_size_ {};
};

vllog::LocalTime Now() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    return {local.tm_year + 1900L,
            local.tm_mon + 1,
            local.tm_mday,
            local.tm_hour,
            local.tm_min,
            local.tm_sec,
            static_cast<int>(ts.tv_nsec / 1'000'000),
            static_cast<int>(local.tm_gmtoff / 60)};
}

}  // namespace

int32_t vllog::Store(BSTR* text, BSTR* log_file, vllog::Kind kind) {
    std::u16string_view entry;
    if (!vlbstr::ViewRef(text, &entry) || log_file == nullptr) {
        return VL_E_POINTER;
    }
    const HeldSignals held;
    const std::string name = vlproc::ExecutableName();
    const std::u16string name16 = vltext::FromUtf8(name);
    const auto pid = static_cast<std::uint32_t>(getpid());
    const std::string block = vltext::ToUtf8(vllog::Block(Now(), name16, pid, kind, entry));

    const std::string path = LogFilePath(name);
    const bool in_file = AppendToFile(path, block);

    // The system log gets the lines alone: it adds its own time, name and
    // pid. What does not fit is in the file.
    std::string lines = vltext::ToUtf8(vllog::CutToFit(
        vllog::Body(entry), kSyslogLimit, in_file ? vltext::FromUtf8(path) : std::u16string()));
    if (!lines.empty() && lines.back() == '\n') {
        lines.pop_back();
    }
    const bool in_syslog = SendToSyslog(name, kind, lines);

    const bool on_stderr = (in_syslog && StderrIsJournal()) || vlio::WriteStderr(block);
    // The entry is lost only when no place took it.
    if (!in_file && !in_syslog && !on_stderr) {
        return VL_E_FAIL;
    }
    return vlbstr::Give(in_file ? vltext::FromUtf8(path) : std::u16string(), log_file);
}
