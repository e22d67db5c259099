// Samba's libnetapi, as the network helper uses it.
//
// Only the helper process loads libnetapi (119 libraries of Samba's client
// code); the program itself never does.
#pragma once

#include <cstdint>
#include <string>

#include "platform.h"

namespace netapi {

// Takes the credentials from the environment: USER=name%password, or USER
// (or LOGNAME) with PASSWD or PASSWD_FILE, or a Kerberos ticket cache. Runs
// while the process still has the invoking user's rights: a password file
// or a ticket cache is read now, so that the helper needs no access to
// them later. With no credentials the session is anonymous.
void ReadCredentials();

// Where the helper may run as another user than the one whose ticket it
// uses (root becoming nobody): writes the ticket cache read before into a
// folder of the helper's user's own under /tmp, and points Kerberos at it.
// Call after giving up privileges; RemoveTicketCache removes it again.
void PlaceTicketCache();
void RemoveTicketCache();

// Asks `server` (a plain name or address) for its time of day. Returns a
// Windows error code, 0 for success; *has_record tells whether *record was
// filled. Loads libnetapi on its first call.
std::uint32_t RemoteTOD(const std::string& server, platform::TIME_OF_DAY_INFO* record,
                        bool* has_record);

}  // namespace netapi
