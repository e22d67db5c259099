// The network helper: NetRemoteTOD on Linux runs in a process of its own.
//
// Samba's client code parses whatever the network sends. It runs in a
// helper process that holds no capability, may gain none (no_new_privs),
// holds nothing of the caller's (standard streams on /dev/null, no other
// descriptor, an environment of two names, a session keyring of its own)
// and runs under a system call filter (sandbox.h): it can signal, trace or
// read no other process, and write no file. A run started by root runs it
// as the system user _todsync; any other run, as the run's own user. The
// program itself never loads Samba; it sends the helper a host name and
// checks the fixed-size answer field by field.
//
// A launcher process is forked when the program starts, while it still may
// change its user. It reads the run's credentials (credentials.h), gives up
// every privilege, then forks one helper at a time on request; a helper
// serves the hosts of a run one after another and is replaced when it dies,
// hangs past the deadline or answers nonsense. Both end with the program,
// however it ends.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "fetch-protocol.h"
#include "platform.h"

namespace fetcher {

// How long one host may take, in seconds, whatever the launcher and the
// helper do.
inline constexpr int kDeadlineSeconds = 30;

// The system user of a run started by root: the helper's, and the program's
// once it has given up uid 0.
inline constexpr const char* kUserName = "_todsync";

// Error codes of the helper's own failures, in Windows' terms.
inline constexpr std::uint32_t kNoProcess = 89;     // ERROR_NO_PROC_SLOTS
inline constexpr std::uint32_t kTimeout = 121;      // ERROR_SEM_TIMEOUT
inline constexpr std::uint32_t kAborted = 995;      // ERROR_OPERATION_ABORTED
inline constexpr std::uint32_t kHelperDied = 1067;  // ERROR_PROCESS_ABORTED
inline constexpr std::uint32_t kNoUser = 1317;      // ERROR_NO_SUCH_USER

struct User {
    std::uint32_t uid;
    std::uint32_t gid;
};

// Whether the process runs as root of the whole system (not of a user
// namespace of its own).
bool StartedByRoot();

// kUserName from /etc/passwd; nothing when it has no such user.
std::optional<User> ServiceUser();

// Forks the launcher, if it is not running yet. Call before the process
// gives up its privileges. A run started by root without the user
// kUserName starts none: every host fails with kNoUser, for Samba's code
// runs under no uid that other processes share.
void Start();

// Sends the helper `request` (its sequence number is set here), waiting at
// most kDeadlineSeconds in all, or until a stop signal arrives (then
// kAborted). Returns a Windows error code, 0 for success; *reply is the
// checked answer.
std::uint32_t Ask(fetch::Request request, fetch::Reply* reply);

}  // namespace fetcher
