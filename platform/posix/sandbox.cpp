#include "sandbox.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/fs.h>
#include <linux/seccomp.h>
#include <linux/sockios.h>
#include <sched.h>
#include <signal.h>
#include <stddef.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

#if defined(__x86_64__)
constexpr std::uint32_t kArchitecture = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr std::uint32_t kArchitecture = AUDIT_ARCH_AARCH64;
#elif defined(__i386__)
constexpr std::uint32_t kArchitecture = AUDIT_ARCH_I386;
#else
#error "the network helper's sandbox knows no system call numbers for this architecture"
#endif

constexpr std::uint32_t kAllow = SECCOMP_RET_ALLOW;

// fchmodat2 (Linux 6.6), which older headers do not name, and the newest
// call this filter knows (the ones after it change extended attributes by
// path, among others).
constexpr int kFchmodat2 = 452;
constexpr std::uint32_t kNewestKnownCall = 462;
constexpr std::uint32_t Refuse(int error) {
    return SECCOMP_RET_ERRNO | (static_cast<std::uint32_t>(error) & SECCOMP_RET_DATA);
}

// The low word of a system call's argument (little-endian architectures).
constexpr std::uint32_t Argument(std::size_t n) {
    return static_cast<std::uint32_t>(offsetof(seccomp_data, args) + n * sizeof(std::uint64_t));
}

class Filter {
public:
    void Load(std::uint32_t offset) { code_.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offset)); }
    void Return(std::uint32_t action) { code_.push_back(BPF_STMT(BPF_RET | BPF_K, action)); }

    // `call` answered with `action`.
    void Answer(long call, std::uint32_t action) {
        code_.push_back(
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<std::uint32_t>(call), 0, 1));
        Return(action);
    }
    // `call` allowed only when argument `n` is one of `values`.
    void OnlyWith(long call, std::size_t n, std::initializer_list<std::uint32_t> values,
                  int error) {
        const auto count = static_cast<std::uint8_t>(values.size());
        Jump(BPF_JEQ, static_cast<std::uint32_t>(call), 0, static_cast<std::uint8_t>(count + 3));
        Load(Argument(n));
        std::uint8_t left = count;
        for (const std::uint32_t value : values) {
            Jump(BPF_JEQ, value, left--, 0);
        }
        Return(Refuse(error));
        Return(kAllow);
    }
    // `call` refused when argument `n` is `value`; other rules may follow.
    void Not(long call, std::size_t n, std::uint32_t value, int error) {
        Jump(BPF_JEQ, static_cast<std::uint32_t>(call), 0, 4);
        Load(Argument(n));
        Jump(BPF_JEQ, value, 0, 1);
        Return(Refuse(error));
        Load(offsetof(seccomp_data, nr));
    }
    // `call` allowed only when argument `n` has one of `bits`.
    void AnyOf(long call, std::size_t n, std::uint32_t bits, int error) {
        Jump(BPF_JEQ, static_cast<std::uint32_t>(call), 0, 4);
        Load(Argument(n));
        Jump(BPF_JSET, bits, 1, 0);
        Return(Refuse(error));
        Return(kAllow);
    }
    // `call` answered with `action` when argument `n` has any of `bits`.
    void NoneOf(long call, std::size_t n, std::uint32_t bits, std::uint32_t action) {
        code_.push_back(
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<std::uint32_t>(call), 0, 4));
        Load(Argument(n));
        code_.push_back(BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, bits, 0, 1));
        Return(action);
        Return(kAllow);
    }
    void Jump(std::uint16_t test, std::uint32_t value, std::uint8_t if_true,
              std::uint8_t if_false) {
        code_.push_back(BPF_JUMP(BPF_JMP | test | BPF_K, value, if_true, if_false));
    }
    std::vector<sock_filter>& Code() { return code_; }

private:
    std::vector<sock_filter> code_;
};

// Samba's cache (gencache.tdb, where DsGetDcName must store what it found
// before it returns it) lives in this process's memory: an open of it for
// writing, which the filter traps, gets a copy of this descriptor instead.
// Every other open for writing is refused, as the filter would refuse it.
// (A thread that blocks SIGSYS and opens a file for writing ends the
// helper: libnetapi opens files on the thread that called it.)
int memory_cache = -1;

#if defined(__x86_64__) || defined(__aarch64__)
constexpr bool kCanTrap = true;
constexpr char kCacheName[] = "/gencache.tdb";

bool IsCache(const char* path) {
    std::size_t length = 0;
    while (length < 4096 && path[length] != '\0') {
        ++length;
    }
    const std::size_t name = sizeof kCacheName - 1;
    if (length < name || length == 4096) {
        return false;
    }
    for (std::size_t i = 0; i < name; ++i) {
        if (path[length - name + i] != kCacheName[i]) {
            return false;
        }
    }
    return true;
}

// The trapped open: its arguments and its result are the caller's
// registers.
void Trapped(int, siginfo_t* info, void* context) {
    auto* registers = &static_cast<ucontext_t*>(context)->uc_mcontext;
#if defined(__x86_64__)
    const auto argument = [&](int n) {
        constexpr int kOrder[] = {REG_RDI, REG_RSI, REG_RDX};
        return static_cast<std::uint64_t>(registers->gregs[kOrder[n]]);
    };
#else
    const auto argument = [&](int n) { return registers->regs[n]; };
#endif
    // Only the filter's trap of an open: a SIGSYS that another process
    // sends leaves the registers alone.
    bool open_call = info->si_syscall == SYS_openat;
#ifdef SYS_open
    open_call = open_call || info->si_syscall == SYS_open;
#endif
    constexpr int kTrappedByFilter = 1;  // SYS_SECCOMP, which C headers do not name
    if (info->si_code != kTrappedByFilter || info->si_arch != kArchitecture || !open_call) {
        return;
    }
    const int saved_errno = errno;
    long result = -EACCES;
    const bool at = info->si_syscall == SYS_openat;
    const auto* path = reinterpret_cast<const char*>(argument(at ? 1 : 0));
    const auto flags = static_cast<int>(argument(at ? 2 : 1));
    if (memory_cache >= 0 && path != nullptr && IsCache(path)) {
        result = fcntl(memory_cache, (flags & O_CLOEXEC) != 0 ? F_DUPFD_CLOEXEC : F_DUPFD, 0);
        if (result < 0) {
            result = -errno;
        }
    }
#if defined(__x86_64__)
    registers->gregs[REG_RAX] = result;
#else
    registers->regs[0] = static_cast<std::uint64_t>(result);
#endif
    errno = saved_errno;
}
#else
constexpr bool kCanTrap = false;
#endif

// Prepares the cache in memory and the handler of trapped opens.
bool KeepCacheInMemory() {
    if (!kCanTrap) {
        return true;
    }
    memory_cache = memfd_create("samba-cache", MFD_CLOEXEC);
    struct sigaction action {};
    action.sa_sigaction = Trapped;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    return memory_cache >= 0 && sigaction(SIGSYS, &action, nullptr) == 0;
}

// Landlock, where the kernel has it: files may be read only in the
// system's own folders (no home, no /tmp, nothing a caller keeps), and no
// file may be written, made or removed anywhere; signals reach no process
// outside the sandbox. The numbers are the kernel's, the same on every
// architecture.
constexpr long kCreateRuleset = 444;
constexpr long kAddRule = 445;
constexpr long kRestrictSelf = 446;

struct RulesetAttributes {
    std::uint64_t handled_access_fs;
    std::uint64_t handled_access_net;
    std::uint64_t scoped;
};

struct [[gnu::packed]] PathBeneath {
    std::uint64_t allowed_access;
    std::int32_t parent_fd;
};

constexpr std::uint64_t kExecute = 1ULL << 0;
constexpr std::uint64_t kReadFile = 1ULL << 2;
constexpr std::uint64_t kReadDir = 1ULL << 3;
constexpr std::uint64_t kScopeAbstractSocket = 1ULL << 0;
constexpr std::uint64_t kScopeSignal = 1ULL << 1;

// The folders whose files Samba's client code and Kerberos read: libraries,
// configuration, Samba's own state and caches, the resolver's files.
constexpr const char* kReadable[] = {
    "/usr", "/lib", "/lib64", "/lib32", "/bin", "/sbin", "/etc", "/sys",
    // Of /proc, the helper's own folder and the system-wide files only:
    // other processes of the same user are out of reach.
    "/proc/self", "/proc/sys", "/proc/meminfo", "/proc/cpuinfo", "/proc/stat", "/proc/filesystems",
    "/var/lib/samba", "/var/cache/samba", "/run/samba", "/run/systemd/resolve", "/run/resolvconf",
    "/dev/null", "/dev/urandom", "/dev/random"};

// False only when the kernel has Landlock and would not confine.
bool ConfineFiles(const std::vector<std::string>& also_readable, bool need_landlock) {
    const long abi = syscall(kCreateRuleset, nullptr, 0, 1U /* the version */);
    if (abi < 1) {
        return !need_landlock;  // the system call filter alone holds, or must not
    }
    std::uint64_t handled = (1ULL << 13) - 1;  // version 1: every right up to MAKE_SYM
    if (abi >= 2) {
        handled |= 1ULL << 13;  // REFER
    }
    if (abi >= 3) {
        handled |= 1ULL << 14;  // TRUNCATE
    }
    if (abi >= 5) {
        handled |= 1ULL << 15;  // IOCTL_DEV
    }
    RulesetAttributes attributes{handled, 0, abi >= 6 ? kScopeSignal | kScopeAbstractSocket : 0};
    const std::size_t size = abi >= 6 ? sizeof attributes : sizeof attributes.handled_access_fs;
    const int ruleset = static_cast<int>(syscall(kCreateRuleset, &attributes, size, 0U));
    if (ruleset < 0) {
        return false;
    }
    bool done = true;
    auto allow = [&](const char* path) {
        const int fd = open(path, O_PATH | O_CLOEXEC);
        if (fd < 0) {
            return;  // not on this system
        }
        struct stat st {};
        PathBeneath rule{kReadFile, fd};
        if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
            rule.allowed_access = kExecute | kReadFile | kReadDir;
        }
        done = done && syscall(kAddRule, ruleset, 1 /* a path beneath */, &rule, 0U) == 0;
        close(fd);
    };
    for (const char* path : kReadable) {
        allow(path);
    }
    for (const std::string& path : also_readable) {
        if (!path.empty() && path[0] == '/') {
            allow(path.c_str());
        }
    }
    done = done && syscall(kRestrictSelf, ruleset, 0U) == 0;
    close(ruleset);
    return done;
}

}  // namespace

namespace sandbox {

bool Confine(const std::vector<std::string>& also_readable, bool need_landlock,
             bool new_processes) {
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        !ConfineFiles(also_readable, need_landlock) || !KeepCacheInMemory()) {
        return false;
    }
    const auto self = static_cast<std::uint32_t>(getpid());
    Filter f;
    f.Load(offsetof(seccomp_data, arch));
    f.Jump(BPF_JEQ, kArchitecture, 1, 0);
    f.Return(SECCOMP_RET_KILL_PROCESS);
    f.Load(offsetof(seccomp_data, nr));
#if defined(__x86_64__)
    // The x32 calls, numbered apart, would pass every rule below.
    f.Jump(BPF_JGE, 0x40000000, 0, 1);
    f.Return(Refuse(EPERM));
#endif
    // Calls newer than this filter (all architectures number them alike)
    // are unknown to it: none is allowed, as if the kernel had none.
    f.Jump(BPF_JGE, kNewestKnownCall + 1, 0, 1);
    f.Return(Refuse(ENOSYS));
    // Signals reach this process alone (the first argument is a process
    // or thread group; the helper is the leader of its own).
    for (const long call :
         {SYS_kill, SYS_tkill, SYS_tgkill, SYS_rt_sigqueueinfo, SYS_rt_tgsigqueueinfo}) {
        f.OnlyWith(call, 0, {self}, EPERM);
    }
    // No new process (threads only), which would outlive the helper's
    // parent-death signal, and no namespace of its own.
    if (!new_processes) {
        f.AnyOf(SYS_clone, 0, CLONE_THREAD, EPERM);
        f.Answer(SYS_clone3, Refuse(ENOSYS));  // the C library falls back to clone
#ifdef SYS_fork
        f.Answer(SYS_fork, Refuse(EPERM));
        f.Answer(SYS_vfork, Refuse(EPERM));
#endif
    }
    for (const long call : {SYS_unshare, SYS_setns}) {
        f.Answer(call, Refuse(EPERM));
    }
    f.Not(SYS_prctl, 0, PR_SET_PDEATHSIG, EPERM);
    // Nor through a descriptor's owner (a signal when it is ready), nor
    // limits, priorities or placement set on another process (or on a
    // process group or a user's processes).
    for (const int command : {F_SETOWN, F_SETOWN_EX, F_SETSIG}) {
        f.Not(SYS_fcntl, 1, static_cast<std::uint32_t>(command), EPERM);
    }
    // (A file's attributes are no business of the helper's either.)
    for (const unsigned long request :
         {static_cast<unsigned long>(FIOSETOWN), static_cast<unsigned long>(SIOCSPGRP),
          static_cast<unsigned long>(TIOCSPGRP), FS_IOC_SETFLAGS, FS_IOC_FSSETXATTR}) {
        f.Not(SYS_ioctl, 1, static_cast<std::uint32_t>(request), EPERM);
    }
    f.OnlyWith(SYS_prlimit64, 0, {0}, EPERM);
    for (const std::uint32_t group_or_user : {1u, 2u}) {  // PRIO_PGRP, PRIO_USER
        f.Not(SYS_setpriority, 0, group_or_user, EPERM);
    }
    for (const std::uint32_t group_or_user : {2u, 3u}) {  // IOPRIO_WHO_PGRP, IOPRIO_WHO_USER
        f.Not(SYS_ioprio_set, 0, group_or_user, EPERM);
    }
    for (const long call : {SYS_setpriority, SYS_ioprio_set}) {
        f.OnlyWith(call, 1, {0}, EPERM);
    }
    for (const long call : {SYS_sched_setaffinity, SYS_sched_setscheduler, SYS_sched_setparam,
                            SYS_sched_setattr, SYS_migrate_pages, SYS_move_pages}) {
        f.OnlyWith(call, 0, {0}, EPERM);
    }
    // No local socket: another process of the helper's user (a session
    // bus, an agent) or the journal would act for it or take its word.
    f.OnlyWith(SYS_socket, 0, {AF_INET, AF_INET6, AF_NETLINK}, EACCES);
    f.Answer(SYS_socketpair, Refuse(EACCES));
    // No System V or POSIX IPC: other processes' shared memory, and
    // objects that outlive the helper.
    for (const long call :
         {SYS_shmget, SYS_shmat, SYS_shmctl, SYS_shmdt, SYS_semget, SYS_semop, SYS_semctl,
          SYS_semtimedop, SYS_msgget, SYS_msgsnd, SYS_msgrcv, SYS_msgctl, SYS_mq_open,
          SYS_mq_unlink, SYS_mq_timedsend, SYS_mq_timedreceive, SYS_mq_notify, SYS_mq_getsetattr}) {
        f.Answer(call, Refuse(EPERM));
    }
    // No other process's memory, descriptors or signals by any other way;
    // no keyring (the caller's tickets may be there); no io_uring, whose
    // operations bypass this filter.
    for (const long call :
         {SYS_ptrace, SYS_process_vm_readv, SYS_process_vm_writev, SYS_kcmp, SYS_pidfd_open,
          SYS_pidfd_getfd, SYS_pidfd_send_signal, SYS_process_madvise, SYS_keyctl, SYS_add_key,
          SYS_request_key, SYS_io_uring_setup, SYS_io_uring_enter, SYS_io_uring_register,
          SYS_perf_event_open, SYS_openat2, SYS_open_by_handle_at}) {
        f.Answer(call, Refuse(EPERM));
    }
    // Files are for reading: no open for writing (but of Samba's cache, in
    // memory), and no call that makes, removes, renames or changes a name.
    // A folder to be made is said to exist: Samba makes its folders before
    // each use and goes on when they are there.
    constexpr std::uint32_t kWrites = O_WRONLY | O_RDWR | O_CREAT | O_TRUNC | O_APPEND;
    const std::uint32_t open_for_writing = kCanTrap ? SECCOMP_RET_TRAP : Refuse(EACCES);
#ifdef SYS_open
    f.NoneOf(SYS_open, 1, kWrites, open_for_writing);
    f.Answer(SYS_mkdir, Refuse(EEXIST));
#endif
    f.NoneOf(SYS_openat, 2, kWrites, open_for_writing);
    f.Answer(SYS_mkdirat, Refuse(EEXIST));
    for (const long call : {
#ifdef SYS_creat
             SYS_creat, SYS_rename, SYS_link, SYS_symlink, SYS_unlink, SYS_rmdir, SYS_mknod,
             SYS_chmod, SYS_chown, SYS_lchown, SYS_utime, SYS_utimes, SYS_futimesat,
#endif
             SYS_truncate, SYS_renameat, SYS_renameat2, SYS_linkat, SYS_symlinkat, SYS_unlinkat,
             SYS_mknodat, SYS_fchmodat, SYS_fchownat, SYS_utimensat, SYS_setxattr, SYS_lsetxattr,
             SYS_removexattr, SYS_lremovexattr,
             // Also through a descriptor opened for reading, which Landlock
             // does not guard.
             SYS_fchmod, SYS_fchown, SYS_fsetxattr, SYS_fremovexattr, kFchmodat2}) {
        f.Answer(call, Refuse(EACCES));
    }
    f.Return(kAllow);
    sock_fprog program{static_cast<unsigned short>(f.Code().size()), f.Code().data()};
    return prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program, 0, 0) == 0;
}

}  // namespace sandbox
