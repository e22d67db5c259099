// Learning why libnetapi could not reach a host.
//
// libnetapi reports every connection failure as 1003 ("Cannot complete this
// function."). The cause is only in what Samba prints while it tries: the
// connect failure on its debug log ("Connection to X failed (Error
// NT_STATUS_...)"), a failed logon or tree connect on standard output
// ("session setup failed: NT_STATUS_..."). NetRemoteTOD captures that text
// and maps the last status it names to the code that Windows' own
// NetRemoteTOD gives for the same cause.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace netstatus {

// The Windows error code for the failure that `captured` describes, or
// nothing when it names no status we know. Kerberos to an address gives
// SEC_E_TARGET_UNKNOWN, a cache without a usable ticket
// SEC_E_NO_CREDENTIALS.
std::optional<std::uint32_t> WindowsCodeFor(std::string_view captured);

}  // namespace netstatus
