// NetRemoteTOD on Linux, through Samba's libnetapi.
//
// libnetapi pulls in a large part of Samba, so it is loaded the first time a
// host is tried, not when the program starts.
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <fstream>
#include <string>

// netapi.h assumes these come first.
#include <stdbool.h>
#include <stdint.h>

#include <netapi.h>

#include "platform/platform.h"
#include "platform/posix/netstatus.h"
#include "support/text.h"

static_assert(sizeof(::TIME_OF_DAY_INFO) == sizeof(platform::TIME_OF_DAY_INFO));
static_assert(offsetof(::TIME_OF_DAY_INFO, tod_hunds) ==
              offsetof(platform::TIME_OF_DAY_INFO, tod_hunds));
static_assert(offsetof(::TIME_OF_DAY_INFO, tod_year) ==
              offsetof(platform::TIME_OF_DAY_INFO, tod_year));

namespace {

constexpr std::uint32_t kModNotFound = 126;  // ERROR_MOD_NOT_FOUND
constexpr std::uint32_t kInvalidName = 123;  // ERROR_INVALID_NAME
constexpr std::uint32_t kCanNotComplete = 1003;

struct Netapi {
    decltype(&::libnetapi_init) init = nullptr;
    decltype(&::libnetapi_free) free_context = nullptr;
    decltype(&::libnetapi_set_username) set_username = nullptr;
    decltype(&::libnetapi_set_password) set_password = nullptr;
    decltype(&::libnetapi_set_use_kerberos) set_use_kerberos = nullptr;
    decltype(&::libnetapi_set_debuglevel) set_debuglevel = nullptr;
    decltype(&::NetRemoteTOD) remote_tod = nullptr;
    decltype(&::NetApiBufferFree) buffer_free = nullptr;
    libnetapi_ctx* context = nullptr;
    std::uint32_t status = 0;  // why it cannot be used, or 0

    ~Netapi() {
        if (context != nullptr) {
            free_context(context);
        }
    }
};

// What Samba prints while a call runs, kept away from the program's own
// standard streams; standard input reads nothing, so that no password
// prompt can ever wait for an answer.
class Capture {
public:
    Capture() {
        std::fflush(stdout);
        std::fflush(stderr);
        sink_ = memfd_create("libnetapi-output", MFD_CLOEXEC);
        const int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (sink_ < 0 || null < 0) {
            if (null >= 0)
                close(null);
            return;
        }
        for (int fd = 0; fd < 3; ++fd) {
            saved_[fd] = fcntl(fd, F_DUPFD_CLOEXEC, 3);
        }
        dup2(null, STDIN_FILENO);
        dup2(sink_, STDOUT_FILENO);
        dup2(sink_, STDERR_FILENO);
        close(null);
    }
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    // Restores the streams and returns what was written.
    std::string Finish() {
        std::fflush(stdout);
        std::fflush(stderr);
        for (int fd = 0; fd < 3; ++fd) {
            if (saved_[fd] >= 0) {
                dup2(saved_[fd], fd);
                close(saved_[fd]);
                saved_[fd] = -1;
            }
        }
        std::string text;
        if (sink_ >= 0) {
            char chunk[4096];
            off_t offset = 0;
            ssize_t n = 0;
            while (text.size() < (1u << 20) &&
                   (n = pread(sink_, chunk, sizeof chunk, offset)) > 0) {
                text.append(chunk, static_cast<std::size_t>(n));
                offset += n;
            }
            close(sink_);
            sink_ = -1;
        }
        return text;
    }
    ~Capture() { Finish(); }

private:
    int sink_ = -1;
    int saved_[3] = {-1, -1, -1};
};

bool KerberosTicketLikely() {
    if (const char* cache = std::getenv("KRB5CCNAME"); cache && cache[0] != '\0') {
        std::string path = cache;
        if (path.rfind("FILE:", 0) == 0) {
            path = path.substr(5);
        } else if (path[0] != '/') {
            return true;  // a keyring or KCM cache: let Kerberos look
        }
        return access(path.c_str(), R_OK) == 0;
    }
    const std::string default_cache = "/tmp/krb5cc_" + std::to_string(geteuid());
    return access(default_cache.c_str(), R_OK) == 0;
}

// Credentials as Samba's own tools take them from the environment:
// USER=name%password, or USER (or LOGNAME) with PASSWD or PASSWD_FILE, or a
// Kerberos ticket. With none of them the connection is anonymous.
struct Credentials {
    enum { kPassword, kKerberos, kAnonymous } kind;
    std::string user;
    std::string password;
};

// Read before libnetapi_init, which wipes the password out of USER.
Credentials FromEnvironment() {
    const char* user_env = std::getenv("USER");
    if (user_env == nullptr) {
        user_env = std::getenv("LOGNAME");
    }
    Credentials found{Credentials::kAnonymous, user_env ? user_env : "", {}};
    bool have_password = false;
    if (const auto percent = found.user.find('%'); percent != std::string::npos) {
        found.password = found.user.substr(percent + 1);
        found.user.resize(percent);
        have_password = true;
    } else if (const char* passwd = std::getenv("PASSWD")) {
        found.password = passwd;
        have_password = true;
    } else if (const char* file = std::getenv("PASSWD_FILE")) {
        std::ifstream in(file);
        have_password = static_cast<bool>(std::getline(in, found.password));
    }
    if (have_password && !found.user.empty()) {
        found.kind = Credentials::kPassword;
    } else if (KerberosTicketLikely()) {
        found.kind = Credentials::kKerberos;
    }
    return found;
}

// A password is always given when Kerberos is not used, so that libnetapi
// never asks for one.
void Use(const Netapi& api, const Credentials& credentials) {
    switch (credentials.kind) {
        case Credentials::kPassword:
            api.set_username(api.context, credentials.user.c_str());
            api.set_password(api.context, credentials.password.c_str());
            break;
        case Credentials::kKerberos:
            api.set_use_kerberos(api.context);
            break;
        case Credentials::kAnonymous:
            api.set_username(api.context, "");
            api.set_password(api.context, "");
            break;
    }
}

template <typename Function>
bool Bind(void* library, const char* name, Function* function) {
    *function = reinterpret_cast<Function>(dlsym(library, name));
    return *function != nullptr;
}

Netapi& Library() {
    static Netapi api = [] {
        Netapi loaded;
        void* library = dlopen("libnetapi.so.1", RTLD_LAZY | RTLD_LOCAL);
        if (library == nullptr ||
            !(Bind(library, "libnetapi_init", &loaded.init) &&
              Bind(library, "libnetapi_free", &loaded.free_context) &&
              Bind(library, "libnetapi_set_username", &loaded.set_username) &&
              Bind(library, "libnetapi_set_password", &loaded.set_password) &&
              Bind(library, "libnetapi_set_use_kerberos", &loaded.set_use_kerberos) &&
              Bind(library, "libnetapi_set_debuglevel", &loaded.set_debuglevel) &&
              Bind(library, "NetRemoteTOD", &loaded.remote_tod) &&
              Bind(library, "NetApiBufferFree", &loaded.buffer_free))) {
            loaded.status = kModNotFound;
            return loaded;
        }
        const Credentials credentials = FromEnvironment();
        Capture capture;
        loaded.status = loaded.init(&loaded.context);
        if (loaded.status == 0) {
            // Level 1 makes Samba name the cause of a failed connection.
            loaded.set_debuglevel(loaded.context, "1");
            Use(loaded, credentials);
        } else {
            loaded.context = nullptr;
        }
        return loaded;
    }();
    return api;
}

}  // namespace

namespace platform {

std::uint32_t NetRemoteTOD(std::u16string_view server, std::uint8_t** buffer) {
    *buffer = nullptr;
    // libnetapi takes a plain name: "\\HOST" would be looked up as it stands.
    if (server.substr(0, 2) == u"\\\\") {
        server.remove_prefix(2);
    }
    if (server.empty() || server.find(u'\0') != std::u16string_view::npos) {
        return kInvalidName;
    }
    Netapi& api = Library();
    if (api.status != 0) {
        return api.status;
    }
    const std::string name = vltext::ToUtf8(server);
    Capture capture;
    const std::uint32_t status = api.remote_tod(name.c_str(), buffer);
    const std::string said = capture.Finish();
    if (status != 0 && *buffer != nullptr) {
        api.buffer_free(*buffer);
        *buffer = nullptr;
    }
    if (status == kCanNotComplete) {
        if (const auto code = netstatus::WindowsCodeFor(said)) {
            return *code;
        }
    }
    return status;
}

void NetApiBufferFree(void* buffer) {
    if (buffer != nullptr) {
        Library().buffer_free(buffer);
    }
}

}  // namespace platform
