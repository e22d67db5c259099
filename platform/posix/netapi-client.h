// Samba's libnetapi, as the network helper uses it.
//
// Only the helper process loads libnetapi (119 libraries of Samba's client
// code); the program itself never does.
#pragma once

#include <cstdint>
#include <string>

#include "credentials.h"
#include "platform.h"

namespace netapi {

// The credentials to ask with, as the launcher read them: copied here,
// and a ticket put into a Kerberos cache in this process's memory when
// libnetapi is loaded. Call before the first RemoteTOD.
void UseCredentials(const credentials::Secrets& secrets);

// Asks `server` (a plain name or address) for its time of day. Returns a
// Windows error code, 0 for success; *has_record tells whether *record was
// filled. Loads libnetapi on its first call.
std::uint32_t RemoteTOD(const std::string& server, platform::TIME_OF_DAY_INFO* record,
                        bool* has_record);

// DsGetDcName for `domain` (empty: the computer's own, smb.conf's realm or
// workgroup) with DsGetDcName's `flags`. Returns a Windows error code, 0 for
// success with the controller's name ("\\dc1.tod.test"), its domain's name
// and its DS_*_FLAG bits filled.
std::uint32_t DsGetDcName(const std::string& domain, std::uint32_t flags, std::string* server,
                          std::string* domain_found, std::uint32_t* server_flags);

}  // namespace netapi
