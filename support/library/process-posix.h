// Facts about the running process that several Linux operations need.
#pragma once

#include <optional>
#include <string>

namespace vlproc {

// The running executable's absolute path, from /proc/self/exe, as it was at
// the first call (a file replaced since then keeps its name).
std::optional<std::string> ExecutablePath();

// Its name without directory and extension ("todsync").
std::string ExecutableName();

// Where per-user state lives: $STATE_DIRECTORY (the first of its list) when
// systemd gives one, else $XDG_STATE_HOME (never for root), else the
// effective user's home directory from the password database +
// "/.local/state". A folder from the environment counts only when it is a
// real folder of the effective user's. Empty when there is none.
std::string StateHome();

// mkdir -p with `mode` for the directories it creates; fails on a symbolic
// link on the way that neither root nor the effective user owns.
bool MakeDirectories(const std::string& path, unsigned mode);

}  // namespace vlproc
