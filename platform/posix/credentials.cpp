#include "credentials.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/capability.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "posix-io.h"

namespace {

constexpr std::uint32_t kFileNotFound = 2;            // ERROR_FILE_NOT_FOUND
constexpr std::uint32_t kAccessDenied = 5;            // ERROR_ACCESS_DENIED
constexpr std::uint32_t kBadEnvironment = 10;         // ERROR_BAD_ENVIRONMENT
constexpr std::uint32_t kInvalidData = 13;            // ERROR_INVALID_DATA
constexpr std::uint32_t kNotSupported = 50;           // ERROR_NOT_SUPPORTED
constexpr std::uint32_t kModNotFound = 126;           // ERROR_MOD_NOT_FOUND
constexpr std::uint32_t kNoCredentials = 0x8009030E;  // SEC_E_NO_CREDENTIALS

constexpr std::size_t kMaxCache = 1u << 20;

using credentials::Secrets;

std::uint32_t OpenFailure(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return kFileNotFound;
        case EACCES:
        case EPERM:
            return kAccessDenied;
        default:
            return kBadEnvironment;
    }
}

// Reads a file that the environment names without ever blocking on it (a
// FIFO, a device), through a symbolic link at its end, or reading more than
// `limit` bytes. `private_only` also wants it the user's own and closed to
// everyone else, as a ticket cache is.
std::uint32_t ReadNamedFile(const std::string& path, std::size_t limit, bool private_only,
                            std::string* contents) {
    contents->clear();
    struct stat named {};
    if (lstat(path.c_str(), &named) != 0) {
        return OpenFailure(errno);
    }
    if (private_only &&
        (!S_ISREG(named.st_mode) || named.st_uid != getuid() || (named.st_mode & 077) != 0)) {
        return kBadEnvironment;
    }
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return errno == ELOOP ? kBadEnvironment : OpenFailure(errno);
    }
    struct stat st {};
    bool usable = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                  static_cast<std::size_t>(st.st_size) <= limit &&
                  (!private_only || (st.st_dev == named.st_dev && st.st_ino == named.st_ino));
    char chunk[4096];
    ssize_t n = 0;
    while (usable && contents->size() <= limit && (n = read(fd, chunk, sizeof chunk)) > 0) {
        contents->append(chunk, static_cast<std::size_t>(n));
    }
    close(fd);
    usable = usable && n >= 0 && contents->size() <= limit;
    if (!usable) {
        contents->clear();
    }
    return usable ? 0 : kBadEnvironment;
}

// A cache file's bytes: version 4 of the format (what MIT and Heimdal both
// write), or no cache at all.
std::uint32_t CheckCacheBytes(const std::string& bytes) {
    if (bytes.size() < 4) {
        return kNoCredentials;
    }
    return bytes[0] == 5 && bytes[1] == 4 ? 0 : kInvalidData;
}

std::uint32_t ReadCacheFile(const std::string& path, std::string* tickets) {
    const std::uint32_t status = ReadNamedFile(path, kMaxCache, true, tickets);
    return status != 0 ? status : CheckCacheBytes(*tickets);
}

// A DIR: collection: the cache file that its "primary" file names.
std::uint32_t ReadCacheFolder(const std::string& folder, std::string* tickets) {
    struct stat st {};
    if (lstat(folder.c_str(), &st) != 0) {
        return OpenFailure(errno);
    }
    if (!S_ISDIR(st.st_mode)) {
        return kBadEnvironment;
    }
    std::string primary;
    if (const std::uint32_t status = ReadNamedFile(folder + "/primary", 4096, false, &primary)) {
        return status;
    }
    if (st.st_uid != getuid() || (st.st_mode & 022) != 0) {
        return kBadEnvironment;  // a folder that others may change
    }
    primary.resize(std::min(primary.size(), primary.find('\n')));
    if (primary.empty() || primary == "." || primary == ".." ||
        primary.find('/') != std::string::npos) {
        return kInvalidData;
    }
    return ReadCacheFile(folder + "/" + primary, tickets);
}

// The length of a principal as a version 4 cache writes it, at the start
// of `bytes`; 0 when it is not one.
std::size_t PrincipalLength(const unsigned char* bytes, std::size_t size) {
    auto word = [&](std::size_t at, std::uint32_t* value) {
        if (at + 4 > size) {
            return false;
        }
        *value = (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) |
                 (std::uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
        return true;
    };
    std::uint32_t count = 0;
    if (!word(4, &count) || count > 64) {
        return 0;
    }
    std::size_t at = 8;
    for (std::uint32_t i = 0; i <= count; ++i) {  // the realm, then the components
        std::uint32_t length = 0;
        if (!word(at, &length) || length > size - at - 4) {
            return 0;
        }
        at += 4 + length;
    }
    return at;
}

// A cache that is no file (a kernel keyring, KCM): its tickets, read with
// the system's Kerberos library (MIT, libkrb5.so.3), in a cache file's
// layout.
std::uint32_t CopyCache(const char* name, std::string* tickets) {
    void* krb5 = dlopen("libkrb5.so.3", RTLD_NOW | RTLD_LOCAL);
    if (krb5 == nullptr) {
        return kModNotFound;
    }
    using Context = void*;
    using Cache = void*;
    struct Data {
        std::int32_t magic;
        unsigned int length;
        char* data;
    };
    const auto init =
        reinterpret_cast<std::int32_t (*)(Context*)>(dlsym(krb5, "krb5_init_context"));
    const auto resolve = reinterpret_cast<std::int32_t (*)(Context, const char*, Cache*)>(
        dlsym(krb5, "krb5_cc_resolve"));
    const auto start = reinterpret_cast<std::int32_t (*)(Context, Cache, void**)>(
        dlsym(krb5, "krb5_cc_start_seq_get"));
    const auto next = reinterpret_cast<std::int32_t (*)(Context, Cache, void**, void*)>(
        dlsym(krb5, "krb5_cc_next_cred"));
    const auto marshal = reinterpret_cast<std::int32_t (*)(Context, void*, Data**)>(
        dlsym(krb5, "krb5_marshal_credentials"));
    const auto free_data =
        reinterpret_cast<void (*)(Context, Data*)>(dlsym(krb5, "krb5_free_data"));
    const auto free_contents =
        reinterpret_cast<void (*)(Context, void*)>(dlsym(krb5, "krb5_free_cred_contents"));
    Context context = nullptr;
    Cache cache = nullptr;
    void* cursor = nullptr;
    if (init == nullptr || resolve == nullptr || start == nullptr || next == nullptr ||
        marshal == nullptr || free_data == nullptr || free_contents == nullptr) {
        return kModNotFound;
    }
    if (init(&context) != 0 || resolve(context, name, &cache) != 0 ||
        start(context, cache, &cursor) != 0) {
        return kNoCredentials;
    }
    std::string creds;
    std::size_t principal = 0;
    // Room for MIT's krb5_creds, whatever its size.
    alignas(16) unsigned char entry[2048] = {};
    while (creds.size() <= kMaxCache && next(context, cache, &cursor, entry) == 0) {
        Data* bytes = nullptr;
        if (marshal(context, entry, &bytes) == 0) {
            if (creds.empty()) {
                // The cache's principal is the first credential's client.
                principal =
                    PrincipalLength(reinterpret_cast<unsigned char*>(bytes->data), bytes->length);
            }
            creds.append(bytes->data, bytes->length);
            free_data(context, bytes);
        }
        free_contents(context, entry);
        std::memset(entry, 0, sizeof entry);
    }
    if (creds.empty() || principal == 0 || creds.size() > kMaxCache) {
        return kNoCredentials;
    }
    // Version 4, an empty header, the principal, the credentials.
    tickets->assign("\x05\x04\x00\x00", 4);
    tickets->append(creds, 0, principal);
    tickets->append(creds);
    std::fill(creds.begin(), creds.end(), '\0');
    return 0;
}

// The ticket cache the environment names, or the default one.
void TakeTicketCache(Secrets* secrets) {
    const char* named = std::getenv("KRB5CCNAME");
    if (named == nullptr || named[0] == '\0') {
        const std::string path = "/tmp/krb5cc_" + std::to_string(getuid());
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0 && errno == ENOENT) {
            return;  // no ticket: an anonymous session
        }
        secrets->status = ReadCacheFile(path, &secrets->tickets);
    } else if (named[0] == '/') {
        secrets->status = ReadCacheFile(named, &secrets->tickets);
    } else if (std::strncmp(named, "FILE:", 5) == 0) {
        secrets->status = ReadCacheFile(named + 5, &secrets->tickets);
    } else if (std::strncmp(named, "DIR::", 5) == 0) {
        secrets->status = ReadCacheFile(named + 5, &secrets->tickets);
    } else if (std::strncmp(named, "DIR:", 4) == 0) {
        secrets->status = ReadCacheFolder(named + 4, &secrets->tickets);
    } else if (std::strncmp(named, "KEYRING:", 8) == 0 || std::strncmp(named, "KCM:", 4) == 0) {
        secrets->status = CopyCache(named, &secrets->tickets);
    } else {
        secrets->status = kNotSupported;  // MEMORY:, API:, or a type we do not know
    }
    if (secrets->status == 0) {
        secrets->kind = Secrets::kKerberos;
    } else {
        secrets->tickets.clear();
    }
}

// `files`: whether what the environment names may be read here.
Secrets ReadHere(bool files) {
    Secrets secrets;
    const char* user = std::getenv("USER");
    if (user == nullptr) {
        user = std::getenv("LOGNAME");
    }
    secrets.user = user != nullptr ? user : "";
    bool have_password = false;
    if (const auto percent = secrets.user.find('%'); percent != std::string::npos) {
        secrets.password = secrets.user.substr(percent + 1);
        secrets.user.resize(percent);
        have_password = true;
    } else if (const char* passwd = std::getenv("PASSWD")) {
        secrets.password = passwd;
        have_password = true;
    } else if (const char* file = files ? std::getenv("PASSWD_FILE") : nullptr) {
        // One line: the password, as Samba's tools read it.
        secrets.status = ReadNamedFile(file, 4096, false, &secrets.password);
        secrets.password.resize(std::min(secrets.password.size(), secrets.password.find('\n')));
        have_password = secrets.status == 0;
    }
    if (have_password && !secrets.user.empty()) {
        secrets.kind = Secrets::kPassword;
    } else if (secrets.status == 0 && files) {
        TakeTicketCache(&secrets);
    }
    return secrets;
}

// Becomes the user who ran sudo, wholly. A run that root started
// otherwise reads with root's rights, which are its caller's; any other
// run with its user's alone, without what a file capability gave it.
bool BecomeInvokingUser() {
    const long sudo_user = vlio::SudoUser();
    if (sudo_user < 0 && getuid() == 0) {
        return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0;
    }
    if (sudo_user >= 0) {
        const auto uid = static_cast<uid_t>(sudo_user);
        const passwd* entry = getpwuid(uid);
        gid_t gid = entry != nullptr ? entry->pw_gid : uid;
        if (const char* named = std::getenv("SUDO_GID")) {
            char* end = nullptr;
            const long value = std::strtol(named, &end, 10);
            if (*end == '\0' && value >= 0) {
                gid = static_cast<gid_t>(value);
            }
        }
        std::vector<gid_t> groups(1, gid);
        for (int count = 64; entry != nullptr;) {
            groups.resize(static_cast<std::size_t>(count));
            if (getgrouplist(entry->pw_name, gid, groups.data(), &count) >= 0) {
                groups.resize(static_cast<std::size_t>(count));
                break;
            }
        }
        if (setgroups(groups.size(), groups.data()) != 0 || setresgid(gid, gid, gid) != 0 ||
            setresuid(uid, uid, uid) != 0) {
            return false;
        }
    }
    cap_t none = cap_init();
    const bool dropped = none != nullptr && cap_set_proc(none) == 0;
    cap_free(none);
    return dropped && prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0;
}

void PutWord(std::string* out, std::uint32_t value) {
    out->append(reinterpret_cast<const char*>(&value), sizeof value);
}

bool TakeWord(std::string_view* in, std::uint32_t* value) {
    if (in->size() < sizeof *value) {
        return false;
    }
    std::memcpy(value, in->data(), sizeof *value);
    in->remove_prefix(sizeof *value);
    return true;
}

void PutText(std::string* out, const std::string& text) {
    PutWord(out, static_cast<std::uint32_t>(text.size()));
    out->append(text);
}

bool TakeText(std::string_view* in, std::string* text) {
    std::uint32_t size = 0;
    if (!TakeWord(in, &size) || size > in->size()) {
        return false;
    }
    text->assign(in->substr(0, size));
    in->remove_prefix(size);
    return true;
}

void Wipe(std::string* bytes) {
    std::fill(bytes->begin(), bytes->end(), '\0');
    bytes->clear();
}

}  // namespace

namespace credentials {

Secrets Read(int program_socket) {
    Secrets secrets;
    const bool named =
        std::getenv("KRB5CCNAME") != nullptr || std::getenv("PASSWD_FILE") != nullptr;
    struct stat st {};
    const bool default_cache =
        lstat(("/tmp/krb5cc_" + std::to_string(vlio::SudoUser() >= 0 ? vlio::SudoUser()
                                                                     : static_cast<long>(getuid())))
                  .c_str(),
              &st) == 0;
    const char* user = std::getenv("USER");
    const bool in_user = user != nullptr && std::strchr(user, '%') != nullptr;
    if (!named && !default_cache) {
        secrets = ReadHere(false);  // nothing to read: what the environment holds
    } else {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) {
            secrets.status = kBadEnvironment;
            return secrets;
        }
        const pid_t launcher = getpid();
        const pid_t reader = fork();
        if (reader == 0) {
            // Nothing of the launcher's but the pipe: not its socket to the
            // program, which a library loaded here must never reach.
            if (dup2(ends[1], 3) != 3 || close_range(4, ~0U, 0) != 0) {
                _exit(1);
            }
            ends[1] = 3;
            // A trace that Kerberos would write where the caller says.
            unsetenv("KRB5_TRACE");
            std::string message;
            // A reader that hangs (a stuck KCM daemon) ends with the launcher.
            if (!BecomeInvokingUser() || prctl(PR_SET_PDEATHSIG, SIGKILL, 0, 0, 0) != 0 ||
                getppid() != launcher) {
                _exit(1);
            }
            Secrets read = ReadHere(true);
            PutWord(&message, read.status);
            PutWord(&message, static_cast<std::uint32_t>(read.kind));
            PutText(&message, read.user);
            PutText(&message, read.password);
            PutText(&message, read.tickets);
            const bool sent = vlio::WriteWithin(ends[1], message, false);
            Wipe(&message);
            _exit(sent ? 0 : 1);
        }
        close(ends[1]);
        std::string message;
        char chunk[8192];
        ssize_t n = 0;
        // A reader that hangs (a stuck KCM daemon) must not keep the
        // launcher past the program: its socket's end says when it went.
        pollfd waits[2] = {{ends[0], POLLIN, 0}, {program_socket, 0, 0}};
        while (reader > 0 && message.size() <= 2 * kMaxCache + 16384) {
            if (poll(waits, 2, -1) < 0 && errno != EINTR) {
                break;
            }
            if ((waits[1].revents & (POLLHUP | POLLERR)) != 0) {
                kill(reader, SIGKILL);
                _exit(0);
            }
            if (waits[0].revents == 0) {
                continue;
            }
            n = read(ends[0], chunk, sizeof chunk);
            if (n <= 0 && !(n < 0 && errno == EINTR)) {
                break;
            }
            message.append(chunk, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
        }
        close(ends[0]);
        int wait_status = 0;
        const bool ended = reader > 0 && waitpid(reader, &wait_status, 0) == reader &&
                           WIFEXITED(wait_status) && WEXITSTATUS(wait_status) == 0;
        std::string_view in = message;
        std::uint32_t kind = 0;
        if (!ended || !TakeWord(&in, &secrets.status) || !TakeWord(&in, &kind) ||
            kind > Secrets::kKerberos || !TakeText(&in, &secrets.user) ||
            !TakeText(&in, &secrets.password) || !TakeText(&in, &secrets.tickets)) {
            Forget(&secrets);
            secrets = Secrets{};
            secrets.status = kBadEnvironment;
        } else {
            secrets.kind = static_cast<Secrets::Kind>(kind);
        }
        Wipe(&message);
    }
    // libnetapi would take a password found in USER as well: no process
    // that runs Samba's code keeps it.
    if (in_user) {
        setenv(std::getenv("USER") != nullptr ? "USER" : "LOGNAME", secrets.user.c_str(), 1);
    }
    unsetenv("PASSWD");
    return secrets;
}

void Forget(Secrets* secrets) {
    Wipe(&secrets->password);
    Wipe(&secrets->tickets);
}

}  // namespace credentials
