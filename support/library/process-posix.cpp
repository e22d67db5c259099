#include "process-posix.h"

#include <errno.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "logentry.h"
#include "posix-io.h"
#include "text.h"

namespace vlproc {

namespace {

std::optional<std::string> ReadExecutablePath() {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) {
            return std::nullopt;
        }
        if (static_cast<std::size_t>(n) < buffer.size()) {
            std::string path(buffer.data(), static_cast<std::size_t>(n));
            // What the kernel says of a file replaced or removed since the
            // start (a package upgrade during a run).
            constexpr std::string_view kDeleted = " (deleted)";
            if (path.size() > kDeleted.size() && path.ends_with(kDeleted)) {
                path.resize(path.size() - kDeleted.size());
            }
            return path;
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

std::optional<std::string> ExecutablePath() {
    // Learnt once, at the first use (the program's start-up), so that every
    // entry of the run names the program as it was started.
    static const std::optional<std::string> path = ReadExecutablePath();
    return path;
}

std::string ExecutableName() {
    // Without /proc (a minimal container), the name the program was run by.
    const auto path = ExecutablePath();
    const std::u16string whole = vltext::FromUtf8(path ? *path : program_invocation_short_name);
    const std::u16string_view name = vllog::BaseName(whole);
    return name.empty() ? "vestrio" : vltext::ToUtf8(name);
}

namespace {

// A folder that the environment names is used only when it is a folder of
// the running user's own: under sudo -E, root must not write where a user
// points it.
bool OwnFolder(const std::string& path) {
    struct stat st {};
    return path[0] == '/' && lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == geteuid();
}

}  // namespace

std::string StateHome() {
    const bool under_sudo = vlio::SudoUser() >= 0;
    if (const char* dirs = std::getenv("STATE_DIRECTORY"); dirs && dirs[0] == '/' && !under_sudo) {
        std::string first = dirs;
        first.resize(std::min(first.size(), first.find(':')));
        if (OwnFolder(first)) {
            return first;
        }
    }
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && geteuid() != 0 && OwnFolder(xdg)) {
        return xdg;
    }
    std::vector<char> buffer(4096);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && found->pw_dir[0] == '/') {
        return std::string(found->pw_dir) + "/.local/state";
    }
    return {};
}

bool MakeDirectories(const std::string& path, unsigned mode) {
    if (path.empty()) {
        return false;
    }
    for (std::size_t at = 1;; ++at) {
        at = path.find('/', at);
        const std::string prefix = path.substr(0, at);
        if (mkdir(prefix.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST) {
            return false;
        }
        // Never through a symbolic link that another user planted.
        struct stat st {};
        if (lstat(prefix.c_str(), &st) != 0 ||
            (S_ISLNK(st.st_mode) && st.st_uid != 0 && st.st_uid != geteuid())) {
            return false;
        }
        if (at == std::string::npos) {
            return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
    }
}

}  // namespace vlproc
