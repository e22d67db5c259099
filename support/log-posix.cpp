// Log entries on Linux: the system log, the plain-text log file and
// standard error.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <syslog.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "support/bstr.h"
#include "support/logentry.h"
#include "support/process-posix.h"
#include "support/text.h"

namespace {

bool WriteAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void Complain(const std::string& what) {
    const std::string line = vlproc::ExecutableName() + ": " + what + "\n";
    WriteAll(STDERR_FILENO, line);
}

std::string LogFilePath(const std::string& name) {
    if (const char* chosen = std::getenv("VESTRIO_LOG_FILE"); chosen && chosen[0] != '\0') {
        return chosen;
    }
    const std::string system_dir = "/var/log/vestrio";
    if (access(system_dir.c_str(), W_OK) == 0 ||
        (errno == ENOENT && mkdir(system_dir.c_str(), 0755) == 0)) {
        return system_dir + "/" + name + ".log";
    }
    const std::string home = vlproc::StateHome();
    if (home.empty()) {
        return {};
    }
    const std::string dir = home + "/vestrio";
    vlproc::MakeDirectories(dir, 0700);
    return dir + "/" + name + ".log";
}

bool AppendToFile(const std::string& path, const std::string& block) {
    if (path.empty()) {
        Complain("no place for the log file (no home directory)");
        return false;
    }
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0640);
    if (fd < 0) {
        Complain("cannot open log file " + path + ": " + std::strerror(errno));
        return false;
    }
    // One write, so that the entries of runs at the same time do not mix.
    const bool written = WriteAll(fd, block);
    const int saved = errno;
    if (close(fd) != 0 || !written) {
        Complain("cannot write log file " + path + ": " + std::strerror(written ? errno : saved));
        return false;
    }
    return true;
}

void SendToSyslog(const std::string& name, vllog::Kind kind, const std::string& text) {
    static std::string ident;  // openlog keeps the pointer
    ident = name;
    openlog(ident.c_str(), LOG_PID, LOG_USER);
    syslog(kind == vllog::Kind::kInformation ? LOG_INFO : LOG_ERR, "%s", text.c_str());
    closelog();
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
    const std::string name = vlproc::ExecutableName();
    const std::u16string name16 = vltext::FromUtf8(name);
    const auto pid = static_cast<std::uint32_t>(getpid());
    const std::string block = vltext::ToUtf8(vllog::Block(Now(), name16, pid, kind, entry));

    const std::string path = LogFilePath(name);
    const bool in_file = AppendToFile(path, block);

    // The system log gets the lines alone: it adds its own time, name and pid.
    std::string lines = vltext::ToUtf8(vllog::Body(entry));
    if (!lines.empty() && lines.back() == '\n') {
        lines.pop_back();
    }
    SendToSyslog(name, kind, lines);

    const bool on_stderr = StderrIsJournal() || WriteAll(STDERR_FILENO, block);
    if (!in_file && !on_stderr) {
        return VL_E_FAIL;
    }
    return vlbstr::Give(vltext::FromUtf8(path), log_file);
}
