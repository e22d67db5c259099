// Facts about the running process that several Linux operations need.
#pragma once

#include <optional>
#include <string>

namespace vlproc {

// The running executable's absolute path, from /proc/self/exe.
std::optional<std::string> ExecutablePath();

// Its name without directory and extension ("todsync").
std::string ExecutableName();

// Where per-user state lives: $STATE_DIRECTORY (the first of its list) when
// systemd gives one, else $XDG_STATE_HOME when absolute, else the effective
// user's home directory from the password database + "/.local/state".
// Empty when there is none.
std::string StateHome();

// mkdir -p with `mode` for the directories it creates.
bool MakeDirectories(const std::string& path, unsigned mode);

}  // namespace vlproc
