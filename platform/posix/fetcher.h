// The network helper: NetRemoteTOD on Linux runs in a process of its own.
//
// Samba's client code parses whatever the network sends. It runs in a
// helper process that holds no capability, may gain none (no_new_privs),
// and is never uid 0: started as root, it runs as the user `nobody`. The
// program itself never loads it; it sends the helper a host name and checks
// the fixed-size answer field by field.
//
// A launcher process is forked when the program starts, while it still may
// change its user. It gives up every privilege, then forks one helper at a
// time on request; a helper serves the hosts of a run one after another and
// is replaced when it dies, hangs past the deadline or answers nonsense.
#pragma once

#include <cstdint>
#include <string>

#include "platform.h"

namespace fetcher {

// How long one host may take, in seconds.
inline constexpr int kDeadlineSeconds = 30;

// Error codes of the helper's own failures, in Windows' terms.
inline constexpr std::uint32_t kTimeout = 121;      // ERROR_SEM_TIMEOUT
inline constexpr std::uint32_t kAborted = 995;      // ERROR_OPERATION_ABORTED
inline constexpr std::uint32_t kHelperDied = 1067;  // ERROR_PROCESS_ABORTED

// Forks the launcher, if it is not running yet. Call before the process
// gives up its privileges: a launcher that cannot give up its own (or
// become another user than root) ends at once, and every host fails with
// kHelperDied.
void Start();

// Asks the helper for `server`'s time of day, waiting at most
// kDeadlineSeconds, or until a stop signal arrives (then kAborted). Returns a
// Windows error code, 0 for success; *has_record tells whether *record was
// filled.
std::uint32_t Ask(const std::string& server, platform::TIME_OF_DAY_INFO* record, bool* has_record);

}  // namespace fetcher
