// Samba's libnetapi in the network helper.
//
// libnetapi pulls in a large part of Samba. Only the helper process loads
// it, the first time it is asked for a host.
#include "netapi-client.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/fsuid.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

// netapi.h assumes these come first.
#include <stdbool.h>
#include <stdint.h>

#include <netapi.h>

#include "netstatus.h"
#include "posix-io.h"

static_assert(sizeof(::TIME_OF_DAY_INFO) == sizeof(platform::TIME_OF_DAY_INFO));
static_assert(offsetof(::TIME_OF_DAY_INFO, tod_hunds) ==
              offsetof(platform::TIME_OF_DAY_INFO, tod_hunds));
static_assert(offsetof(::TIME_OF_DAY_INFO, tod_year) ==
              offsetof(platform::TIME_OF_DAY_INFO, tod_year));

// Samba's credentials object, for the anonymous session (libnetapi has no
// call of its own for one).
struct cli_credentials;

namespace {

constexpr std::uint32_t kModNotFound = 126;  // ERROR_MOD_NOT_FOUND
constexpr std::uint32_t kCanNotComplete = 1003;
constexpr std::uint32_t kDestNotFound = 2152;         // NERR_DestNotFound
constexpr std::uint32_t kTimeout = 121;               // ERROR_SEM_TIMEOUT
constexpr std::uint32_t kFileNotFound = 2;            // ERROR_FILE_NOT_FOUND
constexpr std::uint32_t kBadEnvironment = 10;         // ERROR_BAD_ENVIRONMENT
constexpr std::uint32_t kNoCredentials = 0x8009030E;  // SEC_E_NO_CREDENTIALS

using CredentialsInit = cli_credentials* (*)(void* talloc_context);
using CredentialsSetAnonymous = void (*)(cli_credentials*);
using SetCredentials = NET_API_STATUS (*)(libnetapi_ctx*, cli_credentials*);

struct Netapi {
    decltype(&::libnetapi_init) init = nullptr;
    decltype(&::libnetapi_set_username) set_username = nullptr;
    decltype(&::libnetapi_set_password) set_password = nullptr;
    decltype(&::libnetapi_set_use_kerberos) set_use_kerberos = nullptr;
    decltype(&::libnetapi_set_use_ccache) set_use_ccache = nullptr;
    decltype(&::libnetapi_set_debuglevel) set_debuglevel = nullptr;
    SetCredentials set_creds = nullptr;
    CredentialsInit credentials_init = nullptr;
    CredentialsSetAnonymous credentials_set_anonymous = nullptr;
    decltype(&::NetRemoteTOD) remote_tod = nullptr;
    decltype(&::NetApiBufferFree) buffer_free = nullptr;
    libnetapi_ctx* context = nullptr;
    std::uint32_t status = 0;  // why it cannot be used, or 0
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

// Credentials as Samba's own tools take them from the environment:
// USER=name%password, or USER (or LOGNAME) with PASSWD or PASSWD_FILE, or a
// Kerberos ticket. With none of them the session is anonymous.
struct Credentials {
    enum { kPassword, kKerberos, kAnonymous } kind = kAnonymous;
    std::string user;
    std::string password;
    std::uint32_t status = 0;  // why no host can be asked, or 0
    std::string ticket;        // a ticket cache file's bytes, to place later
    std::string ticket_folder;
};
Credentials credentials;

// Reads a file that the environment names without ever blocking on it (a
// FIFO, a device) or reading more than `limit` bytes. `private_only` also
// wants it owned by the invoking user and closed to everyone else, as a
// ticket cache is. Returns 0 or the error code that every host gets.
// The user whose files the environment may name: the one who ran sudo, or
// the process's own.
uid_t InvokingUser() {
    const long sudo_user = vlio::SudoUser();
    return sudo_user >= 0 ? static_cast<uid_t>(sudo_user) : getuid();
}

// Opens a file that the environment names with the rights of the invoking
// user only: under sudo, root must not read for the user what the user
// could not.
int OpenAsInvokingUser(const char* path) {
    const uid_t user = InvokingUser();
    const bool switched = user != geteuid();
    if (switched) {
        setfsuid(user);
    }
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    const int saved = errno;
    if (switched) {
        setfsuid(geteuid());
    }
    errno = saved;
    return fd;
}

std::uint32_t ReadNamedFile(const char* path, std::size_t limit, bool private_only,
                            std::string* contents) {
    const int fd = OpenAsInvokingUser(path);
    if (fd < 0) {
        return errno == ENOENT || errno == ENOTDIR ? kFileNotFound : kBadEnvironment;
    }
    struct stat st {};
    const bool usable = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                        static_cast<std::size_t>(st.st_size) <= limit &&
                        (!private_only || (st.st_uid == InvokingUser() && (st.st_mode & 077) == 0));
    contents->clear();
    if (usable) {
        char chunk[4096];
        ssize_t n = 0;
        while (contents->size() <= limit && (n = read(fd, chunk, sizeof chunk)) > 0) {
            contents->append(chunk, static_cast<std::size_t>(n));
        }
    }
    close(fd);
    return usable && contents->size() <= limit ? 0 : kBadEnvironment;
}

// A ticket cache that is no file (a kernel keyring, KCM) is the invoking
// user's, out of the helper's reach once it is another user: its tickets
// are copied into a cache file's bytes here, with the system's Kerberos
// library (MIT, libkrb5.so.3) when it is installed. Empty when it cannot.
std::string CopyOfCacheThatIsNoFile() {
    void* krb5 = dlopen("libkrb5.so.3", RTLD_LAZY | RTLD_LOCAL);
    if (krb5 == nullptr) {
        return {};
    }
    using Context = void*;
    using Cache = void*;
    using Principal = void*;
    const auto init =
        reinterpret_cast<std::int32_t (*)(Context*)>(dlsym(krb5, "krb5_init_context"));
    const auto free_context = reinterpret_cast<void (*)(Context)>(dlsym(krb5, "krb5_free_context"));
    const auto cc_default =
        reinterpret_cast<std::int32_t (*)(Context, Cache*)>(dlsym(krb5, "krb5_cc_default"));
    const auto cc_resolve = reinterpret_cast<std::int32_t (*)(Context, const char*, Cache*)>(
        dlsym(krb5, "krb5_cc_resolve"));
    const auto get_principal = reinterpret_cast<std::int32_t (*)(Context, Cache, Principal*)>(
        dlsym(krb5, "krb5_cc_get_principal"));
    const auto initialize = reinterpret_cast<std::int32_t (*)(Context, Cache, Principal)>(
        dlsym(krb5, "krb5_cc_initialize"));
    const auto copy_creds = reinterpret_cast<std::int32_t (*)(Context, Cache, Cache)>(
        dlsym(krb5, "krb5_cc_copy_creds"));
    const auto close_cache =
        reinterpret_cast<std::int32_t (*)(Context, Cache)>(dlsym(krb5, "krb5_cc_close"));
    const auto free_principal =
        reinterpret_cast<void (*)(Context, Principal)>(dlsym(krb5, "krb5_free_principal"));
    std::string bytes;
    Context context = nullptr;
    if (init == nullptr || free_context == nullptr || cc_default == nullptr ||
        cc_resolve == nullptr || get_principal == nullptr || initialize == nullptr ||
        copy_creds == nullptr || close_cache == nullptr || free_principal == nullptr ||
        init(&context) != 0) {
        return {};
    }
    char path[] = "/tmp/todsync-cache-XXXXXX";
    const int fd = mkstemp(path);
    Cache source = nullptr;
    Cache copy = nullptr;
    Principal principal = nullptr;
    if (fd >= 0 && cc_default(context, &source) == 0 &&
        get_principal(context, source, &principal) == 0 &&
        cc_resolve(context, (std::string("FILE:") + path).c_str(), &copy) == 0 &&
        initialize(context, copy, principal) == 0 && copy_creds(context, source, copy) == 0) {
        close_cache(context, copy);
        copy = nullptr;
        // Read by name: the library may have replaced the file it was given.
        const int written = open(path, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        char chunk[4096];
        ssize_t n = 0;
        while (written >= 0 && bytes.size() <= (1u << 20) &&
               (n = read(written, chunk, sizeof chunk)) > 0) {
            bytes.append(chunk, static_cast<std::size_t>(n));
        }
        if (written >= 0) {
            close(written);
        }
    }
    if (copy != nullptr) {
        close_cache(context, copy);
    }
    if (principal != nullptr) {
        free_principal(context, principal);
    }
    if (source != nullptr) {
        close_cache(context, source);
    }
    if (fd >= 0) {
        unlink(path);
        close(fd);
    }
    free_context(context);
    return bytes;
}

// The helper may run as another user than the one who holds the ticket:
// a ticket cache in a file is copied into memory that the helper inherits,
// and Kerberos is pointed at that copy. Caches that are no file (a kernel
// keyring, KCM) are used where they are, as far as the helper's user can
// reach them. True when there is a cache to try.
bool TakeTicketCache() {
    const char* named = std::getenv("KRB5CCNAME");
    const bool was_named = named != nullptr && named[0] != '\0';
    std::string path;
    if (!was_named) {
        path = "/tmp/krb5cc_" + std::to_string(InvokingUser());
    } else if (std::strncmp(named, "FILE:", 5) == 0) {
        path = named + 5;
    } else if (named[0] == '/') {
        path = named;
    } else {
        // A keyring or KCM cache: its tickets, copied while the process is
        // still the invoking user (or root for it); as it is otherwise.
        if (geteuid() != 0) {
            return true;
        }
        credentials.ticket = CopyOfCacheThatIsNoFile();
        if (credentials.ticket.size() < 4) {
            credentials.ticket.clear();
            credentials.status = kNoCredentials;
            return false;
        }
        return true;
    }
    std::string ticket;
    const std::uint32_t status = ReadNamedFile(path.c_str(), 1u << 20, true, &ticket);
    if (status != 0) {
        // A cache asked for by name must not silently become an anonymous
        // session.
        if (was_named) {
            credentials.status = status;
        }
        return false;
    }
    // A cache file holds at least its version and header; an empty one
    // holds no ticket, and a cache asked for by name says so.
    if (ticket.size() < 4) {
        if (was_named) {
            credentials.status = kNoCredentials;
        }
        return false;
    }
    credentials.ticket = std::move(ticket);
    return true;
}

// The libnetapi context, set up on the first call. A password is always
// given when Kerberos is not used, so that libnetapi never asks for one.
void Use(const Netapi& api) {
    switch (credentials.kind) {
        case Credentials::kPassword:
            api.set_username(api.context, credentials.user.c_str());
            api.set_password(api.context, credentials.password.c_str());
            break;
        case Credentials::kKerberos:
            // The ticket's own principal, from the cache: never the Unix
            // user's name, and never a password prompt.
            api.set_use_kerberos(api.context);
            api.set_use_ccache(api.context);
            break;
        case Credentials::kAnonymous: {
            // A null session: no user, no password, and no NTLM response at
            // all, which servers that refuse guests still accept.
            cli_credentials* anonymous = api.credentials_init(nullptr);
            if (anonymous != nullptr) {
                api.credentials_set_anonymous(anonymous);
                api.set_creds(api.context, anonymous);
            }
            break;
        }
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
              Bind(library, "libnetapi_set_username", &loaded.set_username) &&
              Bind(library, "libnetapi_set_password", &loaded.set_password) &&
              Bind(library, "libnetapi_set_use_kerberos", &loaded.set_use_kerberos) &&
              Bind(library, "libnetapi_set_use_ccache", &loaded.set_use_ccache) &&
              Bind(library, "libnetapi_set_debuglevel", &loaded.set_debuglevel) &&
              Bind(library, "libnetapi_set_creds", &loaded.set_creds) &&
              Bind(library, "cli_credentials_init", &loaded.credentials_init) &&
              Bind(library, "cli_credentials_set_anonymous", &loaded.credentials_set_anonymous) &&
              Bind(library, "NetRemoteTOD", &loaded.remote_tod) &&
              Bind(library, "NetApiBufferFree", &loaded.buffer_free))) {
            loaded.status = kModNotFound;
            return loaded;
        }
        // Without smb.conf (samba-common not installed, a minimal container)
        // libnetapi fails every call; Samba's defaults serve a client well.
        using GetPath = const char* (*)();
        using SetPath = const char* (*)(const char*);
        const auto get_config = reinterpret_cast<GetPath>(dlsym(library, "get_dyn_CONFIGFILE"));
        const auto set_config = reinterpret_cast<SetPath>(dlsym(library, "set_dyn_CONFIGFILE"));
        if (get_config != nullptr && set_config != nullptr && get_config() != nullptr &&
            access(get_config(), F_OK) != 0 && errno == ENOENT) {
            set_config("/dev/null");
        }
        Capture capture;
        loaded.status = loaded.init(&loaded.context);
        if (loaded.status == 0) {
            // Level 1 makes Samba name the cause of a failed connection.
            loaded.set_debuglevel(loaded.context, "1");
            Use(loaded);
        } else {
            loaded.context = nullptr;
        }
        return loaded;
    }();
    return api;
}

}  // namespace

namespace netapi {

void ReadCredentials() {
    const char* user = std::getenv("USER");
    if (user == nullptr) {
        user = std::getenv("LOGNAME");
    }
    credentials.user = user != nullptr ? user : "";
    bool have_password = false;
    if (const auto percent = credentials.user.find('%'); percent != std::string::npos) {
        credentials.password = credentials.user.substr(percent + 1);
        credentials.user.resize(percent);
        have_password = true;
    } else if (const char* passwd = std::getenv("PASSWD")) {
        credentials.password = passwd;
        have_password = true;
    } else if (const char* file = std::getenv("PASSWD_FILE")) {
        // One line: the password, as Samba's tools read it.
        credentials.status = ReadNamedFile(file, 4096, false, &credentials.password);
        credentials.password.resize(credentials.password.find('\n') == std::string::npos
                                        ? credentials.password.size()
                                        : credentials.password.find('\n'));
        have_password = credentials.status == 0;
    }
    if (have_password && !credentials.user.empty()) {
        credentials.kind = Credentials::kPassword;
    } else if (credentials.status == 0 && TakeTicketCache()) {
        credentials.kind = Credentials::kKerberos;
    }
    // libnetapi takes a password found in USER as well: the helper's
    // environment keeps none.
    if (user != nullptr && std::strchr(user, '%') != nullptr) {
        setenv(std::getenv("USER") != nullptr ? "USER" : "LOGNAME", credentials.user.c_str(), 1);
    }
    unsetenv("PASSWD");
}

void PlaceTicketCache() {
    if (credentials.ticket.empty()) {
        return;
    }
    // A folder of the helper's user's own, that only it can enter; Kerberos
    // rewrites the cache as it gets service tickets.
    char folder[] = "/tmp/todsync-ticket-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        credentials.status = kBadEnvironment;
        return;
    }
    credentials.ticket_folder = folder;
    const std::string path = credentials.ticket_folder + "/cache";
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    const bool written =
        fd >= 0 && write(fd, credentials.ticket.data(), credentials.ticket.size()) ==
                       static_cast<ssize_t>(credentials.ticket.size());
    if (fd >= 0) {
        close(fd);
    }
    credentials.ticket.assign(credentials.ticket.size(), '\0');
    credentials.ticket.clear();
    if (!written) {
        credentials.status = kBadEnvironment;
        return;
    }
    setenv("KRB5CCNAME", ("FILE:" + path).c_str(), 1);
}

void RemoveTicketCache() {
    if (!credentials.ticket_folder.empty()) {
        unlink((credentials.ticket_folder + "/cache").c_str());
        rmdir(credentials.ticket_folder.c_str());
    }
}

std::uint32_t RemoteTOD(const std::string& server, platform::TIME_OF_DAY_INFO* record,
                        bool* has_record) {
    *has_record = false;
    if (credentials.status != 0) {
        return credentials.status;
    }
    Netapi& api = Library();
    if (api.status != 0) {
        return api.status;
    }
    std::uint8_t* buffer = nullptr;
    const time_t start = time(nullptr);
    Capture capture;
    const std::uint32_t status = api.remote_tod(server.c_str(), &buffer);
    const std::string said = capture.Finish();
    // A server that stops answering after the session is set up makes
    // Samba give up after 20 s with NERR_DestNotFound (2152): it timed out.
    if (status == kDestNotFound && time(nullptr) - start >= 19) {
        return kTimeout;
    }
    if (buffer != nullptr) {
        if (status == 0) {
            std::memcpy(record, buffer, sizeof *record);
            *has_record = true;
        }
        api.buffer_free(buffer);
    }
    if (status == kCanNotComplete) {
        if (const auto code = netstatus::WindowsCodeFor(said)) {
            return *code;
        }
    }
    return status;
}

}  // namespace netapi
