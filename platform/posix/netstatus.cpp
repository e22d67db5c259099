#include "netstatus.h"

namespace netstatus {
namespace {

struct Mapping {
    std::string_view status;
    std::uint32_t code;
};

// As Windows maps NTSTATUS codes to its error codes.
constexpr Mapping kMappings[] = {
    {"NT_STATUS_CONNECTION_REFUSED", 1225},     // ERROR_CONNECTION_REFUSED
    {"NT_STATUS_IO_TIMEOUT", 121},              // ERROR_SEM_TIMEOUT
    {"NT_STATUS_INVALID_ADDRESS", 53},          // name not resolved: ERROR_BAD_NETPATH
    {"NT_STATUS_BAD_NETWORK_PATH", 53},         // ERROR_BAD_NETPATH
    {"NT_STATUS_BAD_NETWORK_NAME", 67},         // ERROR_BAD_NET_NAME
    {"NT_STATUS_HOST_UNREACHABLE", 1232},       // ERROR_HOST_UNREACHABLE
    {"NT_STATUS_NETWORK_UNREACHABLE", 1231},    // ERROR_NETWORK_UNREACHABLE
    {"NT_STATUS_CONNECTION_ABORTED", 1236},     // ERROR_CONNECTION_ABORTED
    {"NT_STATUS_CONNECTION_RESET", 64},         // ERROR_NETNAME_DELETED
    {"NT_STATUS_CONNECTION_DISCONNECTED", 64},  // ERROR_NETNAME_DELETED
    {"NT_STATUS_NETWORK_NAME_DELETED", 64},     // ERROR_NETNAME_DELETED
    {"NT_STATUS_PIPE_BROKEN", 64},              // the server went away mid-call
    {"NT_STATUS_END_OF_FILE", 64},
    {"NT_STATUS_INVALID_NETWORK_RESPONSE", 59},  // ERROR_UNEXP_NET_ERR
    {"NT_STATUS_NETWORK_ACCESS_DENIED", 65},     // ERROR_NETWORK_ACCESS_DENIED
    {"NT_STATUS_ACCESS_DENIED", 5},              // ERROR_ACCESS_DENIED
    {"NT_STATUS_LOGON_FAILURE", 1326},           // ERROR_LOGON_FAILURE
    {"NT_STATUS_WRONG_PASSWORD", 86},            // ERROR_INVALID_PASSWORD
    {"NT_STATUS_NO_SUCH_USER", 1317},            // ERROR_NO_SUCH_USER
    {"NT_STATUS_ACCOUNT_RESTRICTION", 1327},     // ERROR_ACCOUNT_RESTRICTION
    {"NT_STATUS_INVALID_LOGON_HOURS", 1328},     // ERROR_INVALID_LOGON_HOURS
    {"NT_STATUS_INVALID_WORKSTATION", 1329},     // ERROR_INVALID_WORKSTATION
    {"NT_STATUS_PASSWORD_EXPIRED", 1330},        // ERROR_PASSWORD_EXPIRED
    {"NT_STATUS_ACCOUNT_DISABLED", 1331},        // ERROR_ACCOUNT_DISABLED
    {"NT_STATUS_ACCOUNT_EXPIRED", 1793},         // ERROR_ACCOUNT_EXPIRED
    {"NT_STATUS_PASSWORD_MUST_CHANGE", 1907},    // ERROR_PASSWORD_MUST_CHANGE
    {"NT_STATUS_ACCOUNT_LOCKED_OUT", 1909},      // ERROR_ACCOUNT_LOCKED_OUT
    {"NT_STATUS_NO_LOGON_SERVERS", 1311},        // ERROR_NO_LOGON_SERVERS
};

bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

std::optional<std::uint32_t> WindowsCodeFor(std::string_view captured) {
    // Kerberos failures, in what they are rather than in the logon status
    // Samba ends with: a ticket for an address (Kerberos needs the host's
    // name), and a cache without a usable (unexpired) ticket.
    const auto said = [captured](std::string_view text) {
        return captured.find(text) != std::string_view::npos;
    };
    if (said("Kerberos auth with") && said("not possible")) {
        return 0x80090303;  // SEC_E_TARGET_UNKNOWN
    }
    // (A cache that holds no ticket at all leaves Samba without a mechanism
    // to offer.)
    if (said("Matching credential not found") || said("Ticket expired") ||
        said("No Kerberos credentials available") || said("Could not find a suitable mechtype")) {
        return 0x8009030E;  // SEC_E_NO_CREDENTIALS
    }
    const auto at = captured.rfind("NT_STATUS_");
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    std::size_t end = at;
    while (end < captured.size() && IsNameChar(captured[end])) {
        ++end;
    }
    const std::string_view status = captured.substr(at, end - at);
    // While connecting, Samba names a failed lookup of the host's name
    // UNSUCCESSFUL (DNS), NOT_FOUND (NetBIOS broadcast) or INVALID_ADDRESS
    // (no way to look it up); the transport's failures have statuses of
    // their own. After the connection a name not found is a share's.
    const auto line_start = captured.rfind('\n', at);
    std::string_view line =
        captured.substr(line_start == std::string_view::npos ? 0 : line_start + 1);
    line = line.substr(0, line.find('\n'));
    if (line.find("Connection to ") != std::string_view::npos &&
        (status == "NT_STATUS_UNSUCCESSFUL" || status == "NT_STATUS_NOT_FOUND" ||
         status == "NT_STATUS_BAD_NETWORK_NAME" || status == "NT_STATUS_OBJECT_NAME_NOT_FOUND")) {
        return 53;
    }
    for (const auto& mapping : kMappings) {
        if (mapping.status == status) {
            return mapping.code;
        }
    }
    return std::nullopt;
}

}  // namespace netstatus
