// The network helper's sandbox: what Samba's client code may still do once
// a hostile answer has taken it over.
#pragma once

#include <string>
#include <vector>

namespace sandbox {

// Confines the calling process for good, with a system call filter that
// no_new_privs (set before) keeps: it may signal no process but itself;
// may not trace, read, write, limit or reschedule another process, or
// reach one through a pidfd or a descriptor's owner; may start threads but
// no process (unless `new_processes`, for a sanitizer's symbolizer) and
// make no namespace; may open no local socket and use no System V or POSIX
// IPC; may open no file for writing and create, remove, rename or change
// the mode, owner or attributes of nothing; may not touch a kernel keyring
// or io_uring. Where the kernel has Landlock, files are also readable only
// in the system's own folders and `also_readable`, and signals and abstract
// sockets reach nothing outside; without Landlock the process is not
// confined when `need_landlock` (it could read its user's files). False
// when it is not confined: the caller must not go on.
bool Confine(const std::vector<std::string>& also_readable, bool need_landlock, bool new_processes);

}  // namespace sandbox
