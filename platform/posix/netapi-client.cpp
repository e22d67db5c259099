// Samba's libnetapi in the network helper.
//
// libnetapi pulls in a large part of Samba. Only the helper process loads
// it, the first time it is asked for a host.
#include "netapi-client.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
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

#include "credentials.h"
#include "netstatus.h"

static_assert(sizeof(::TIME_OF_DAY_INFO) == sizeof(platform::TIME_OF_DAY_INFO));
static_assert(offsetof(::TIME_OF_DAY_INFO, tod_hunds) ==
              offsetof(platform::TIME_OF_DAY_INFO, tod_hunds));
static_assert(offsetof(::TIME_OF_DAY_INFO, tod_year) ==
              offsetof(platform::TIME_OF_DAY_INFO, tod_year));

// Samba's credentials object, for the anonymous session (libnetapi has no
// call of its own for one).
struct cli_credentials;

namespace {

constexpr std::uint32_t kModNotFound = 126;    // ERROR_MOD_NOT_FOUND
constexpr std::uint32_t kProcNotFound = 127;   // ERROR_PROC_NOT_FOUND
constexpr std::uint32_t kNoSuchDomain = 1355;  // ERROR_NO_SUCH_DOMAIN
constexpr std::uint32_t kGenFailure = 31;      // ERROR_GEN_FAILURE
constexpr std::uint32_t kCanNotComplete = 1003;
constexpr std::uint32_t kDestNotFound = 2152;         // NERR_DestNotFound
constexpr std::uint32_t kTimeout = 121;               // ERROR_SEM_TIMEOUT
constexpr std::uint32_t kNoCredentials = 0x8009030E;  // SEC_E_NO_CREDENTIALS

// The Kerberos cache of the helper's tickets, in its memory.
constexpr const char* kTicketCache = "MEMORY:todsync";

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
    decltype(&::DsGetDcName) get_dc_name = nullptr;  // a library without it: kProcNotFound
    void* library = nullptr;
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

// The run's credentials, as the launcher read them (credentials.h).
credentials::Secrets secrets;

// The tickets of the run's cache, put into a Kerberos cache that lives in
// this process's memory alone (Samba's own Kerberos library, which
// libnetapi brought), and Kerberos pointed at it. Nothing reaches a file.
std::uint32_t LoadTickets(void* library) {
    using Context = void*;
    using Storage = void*;
    using Principal = void*;
    using Cache = void*;
    const auto init =
        reinterpret_cast<std::int32_t (*)(Context*)>(dlsym(library, "krb5_init_context"));
    const auto from_memory = reinterpret_cast<Storage (*)(const void*, std::size_t)>(
        dlsym(library, "krb5_storage_from_readonly_mem"));
    const auto free_storage =
        reinterpret_cast<std::int32_t (*)(Storage)>(dlsym(library, "krb5_storage_free"));
    const auto seek =
        reinterpret_cast<off_t (*)(Storage, off_t, int)>(dlsym(library, "krb5_storage_seek"));
    const auto int16 = reinterpret_cast<std::int32_t (*)(Storage, std::int16_t*)>(
        dlsym(library, "krb5_ret_int16"));
    const auto principal_of = reinterpret_cast<std::int32_t (*)(Storage, Principal*)>(
        dlsym(library, "krb5_ret_principal"));
    const auto creds_of =
        reinterpret_cast<std::int32_t (*)(Storage, void*)>(dlsym(library, "krb5_ret_creds"));
    const auto resolve = reinterpret_cast<std::int32_t (*)(Context, const char*, Cache*)>(
        dlsym(library, "krb5_cc_resolve"));
    const auto initialize = reinterpret_cast<std::int32_t (*)(Context, Cache, Principal)>(
        dlsym(library, "krb5_cc_initialize"));
    const auto store = reinterpret_cast<std::int32_t (*)(Context, Cache, void*)>(
        dlsym(library, "krb5_cc_store_cred"));
    const auto free_contents =
        reinterpret_cast<void (*)(Context, void*)>(dlsym(library, "krb5_free_cred_contents"));
    if (init == nullptr || from_memory == nullptr || free_storage == nullptr || seek == nullptr ||
        int16 == nullptr || principal_of == nullptr || creds_of == nullptr || resolve == nullptr ||
        initialize == nullptr || store == nullptr || free_contents == nullptr) {
        return kModNotFound;
    }
    // The context and the cache stay for the life of the process: the
    // cache is gone once nothing holds it.
    Context context = nullptr;
    Cache cache = nullptr;
    Principal principal = nullptr;
    const std::string& bytes = secrets.tickets;
    Storage storage = nullptr;
    std::int16_t header = 0;
    // Version 4 (checked when it was read), the header's length, the header.
    if (init(&context) != 0 || (storage = from_memory(bytes.data(), bytes.size())) == nullptr) {
        return kNoCredentials;
    }
    const bool started =
        seek(storage, 2, SEEK_SET) == 2 && int16(storage, &header) == 0 && header >= 0 &&
        seek(storage, header, SEEK_CUR) == 4 + header && principal_of(storage, &principal) == 0 &&
        resolve(context, kTicketCache, &cache) == 0 && initialize(context, cache, principal) == 0;
    int stored = 0;
    // Room for Heimdal's krb5_creds, whatever its size.
    alignas(16) unsigned char entry[4096] = {};
    while (started && creds_of(storage, entry) == 0) {
        stored += store(context, cache, entry) == 0 ? 1 : 0;
        free_contents(context, entry);
        std::memset(entry, 0, sizeof entry);
    }
    free_storage(storage);
    credentials::Forget(&secrets);
    if (stored == 0) {
        return kNoCredentials;
    }
    setenv("KRB5CCNAME", kTicketCache, 1);
    return 0;
}

// The libnetapi context, set up on the first call. A password is always
// given when Kerberos is not used, so that libnetapi never asks for one.
void Use(const Netapi& api) {
    switch (secrets.kind) {
        case credentials::Secrets::kPassword:
            api.set_username(api.context, secrets.user.c_str());
            api.set_password(api.context, secrets.password.c_str());
            credentials::Forget(&secrets);
            break;
        case credentials::Secrets::kKerberos:
            // The ticket's own principal, from the cache: never the Unix
            // user's name, and never a password prompt.
            api.set_use_kerberos(api.context);
            api.set_use_ccache(api.context);
            break;
        case credentials::Secrets::kAnonymous: {
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
        Bind(library, "DsGetDcName", &loaded.get_dc_name);
        loaded.library = library;
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
        if (secrets.kind == credentials::Secrets::kKerberos) {
            loaded.status = LoadTickets(library);
            if (loaded.status != 0) {
                return loaded;
            }
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

void UseCredentials(const credentials::Secrets& given) {
    secrets = given;
}

std::uint32_t RemoteTOD(const std::string& server, platform::TIME_OF_DAY_INFO* record,
                        bool* has_record) {
    *has_record = false;
    if (secrets.status != 0) {
        return secrets.status;
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
    // Samba give up with NERR_DestNotFound (2152): after 10 s when it stalls
    // during the RPC itself, after 20 s before it. An answer that says so
    // comes back at once: this one timed out.
    if (status == kDestNotFound && time(nullptr) - start >= 9) {
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

std::uint32_t DsGetDcName(const std::string& domain, std::uint32_t flags, std::string* server,
                          std::string* domain_found, std::uint32_t* server_flags) {
    if (secrets.status != 0) {
        return secrets.status;
    }
    Netapi& api = Library();
    if (api.status != 0) {
        return api.status;
    }
    if (api.get_dc_name == nullptr) {
        return kProcNotFound;
    }
    // The computer's own domain is smb.conf's realm, or else its workgroup
    // (libnetapi wants a name).
    std::string name = domain;
    using Setting = const char* (*)();
    for (const char* setting : {"lp_realm", "lp_workgroup"}) {
        const auto read = reinterpret_cast<Setting>(dlsym(api.library, setting));
        if (name.empty() && read != nullptr && read() != nullptr) {
            name = read();
        }
    }
    if (name.empty()) {
        return kNoSuchDomain;
    }
    // Samba keeps what it found in its cache (in this process's memory,
    // sandbox.h) under its lock directory, and gives up when that folder
    // does not exist: /run/samba is made by Samba's servers, which a client
    // need not run. Its cache directory, which the package keeps, will do.
    const auto lock_directory = reinterpret_cast<Setting>(dlsym(api.library, "lp_lock_directory"));
    const auto cache_directory =
        reinterpret_cast<Setting>(dlsym(api.library, "lp_cache_directory"));
    const auto set =
        reinterpret_cast<bool (*)(const char*, const char*)>(dlsym(api.library, "lp_set_cmdline"));
    struct stat folder {};
    if (lock_directory != nullptr && cache_directory != nullptr && set != nullptr &&
        lock_directory() != nullptr && stat(lock_directory(), &folder) != 0 &&
        cache_directory() != nullptr && stat(cache_directory(), &folder) == 0) {
        set("lock directory", cache_directory());
    }
    DOMAIN_CONTROLLER_INFO* info = nullptr;
    Capture capture;
    const std::uint32_t status =
        api.get_dc_name(nullptr, name.c_str(), nullptr, nullptr, flags, &info);
    capture.Finish();
    if (info != nullptr) {
        if (status == 0) {
            *server = info->domain_controller_name != nullptr ? info->domain_controller_name : "";
            *domain_found = info->domain_name != nullptr ? info->domain_name : "";
            *server_flags = info->flags;
        }
        api.buffer_free(info);
    }
    // A domain that neither DNS nor NetBIOS knows, or none of whose
    // controllers has what the flags require, is NT_STATUS_UNSUCCESSFUL to
    // Samba; Windows says ERROR_NO_SUCH_DOMAIN.
    if ((status == 0 && server->empty()) || status == kGenFailure) {
        return kNoSuchDomain;
    }
    return status;
}

}  // namespace netapi
