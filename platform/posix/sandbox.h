// The network helper's sandbox: what Samba's client code may still do once
// a hostile answer has taken it over.
#pragma once

#include <string>
#include <vector>

namespace sandbox {

// Confines the calling process for good, with a system call filter that
// no_new_privs (set before) keeps: it may signal no process but itself;
// may not trace, read or write another process's memory, or reach one
// through a pidfd; may open no file for writing and create, remove,
// rename or change no name in any file system; may not touch a kernel
// keyring or io_uring. Where the kernel has Landlock, files are also
// readable only in the system's own folders and `also_readable`, and
// signals reach no process outside. False when the kernel did not confine
// the process: the caller must not go on.
bool Confine(const std::vector<std::string>& also_readable);

}  // namespace sandbox
