// The credentials a run uses, read with exactly the invoking user's rights.
//
// What the environment names (a password file, a Kerberos ticket cache of
// any kind) is read by a child process that has become the invoking user
// fully: under sudo its uid, gid and supplementary groups, with no
// capability. The secrets come back over a pipe and stay in memory: the
// network helper gets them from the launcher by inheritance, and no
// credential is ever written to a file system.
#pragma once

#include <cstdint>
#include <string>

namespace credentials {

struct Secrets {
    enum Kind { kAnonymous, kPassword, kKerberos } kind = kAnonymous;
    std::string user;
    std::string password;
    // The tickets of a Kerberos cache, in the layout of a version 4 cache
    // file: header, default principal, credentials.
    std::string tickets;
    // Why no host can be asked with these credentials (a Windows error
    // code), or 0.
    std::uint32_t status = 0;
};

// The credentials that the environment names: USER=name%password, or USER
// (or LOGNAME) with PASSWD or PASSWD_FILE, or a ticket cache (KRB5CCNAME:
// FILE, DIR, KEYRING or KCM; without it /tmp/krb5cc_<uid> if it is there).
// With none of them the session is anonymous. A name that cannot serve
// gives every host a clear error instead of an anonymous session. Ends the
// process if `program_socket` is closed at the far end while it waits.
Secrets Read(int program_socket);

// Overwrites the secrets' bytes before they are let go.
void Forget(Secrets* secrets);

}  // namespace credentials
