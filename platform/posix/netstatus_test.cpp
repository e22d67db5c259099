// Samba's failure texts in Windows' codes.
#include "netstatus.h"
#include <optional>
#include <string>
#include "helpers.h"

namespace {

TEST(NetStatus, SambasFailureTextsMapToWindowsCodes) {
    // The last status named counts. The fault matrix meets the common ones.
    const std::pair<const char*, std::optional<std::uint32_t>> cases[] = {
        {"do_connect: Connection to nosuch failed (Error NT_STATUS_INVALID_ADDRESS)\n", 53},
        {"do_connect: Connection to nosuch failed (Error NT_STATUS_BAD_NETWORK_NAME)\n", 53},
        {"do_connect: Connection to NO-SUCH failed (Error NT_STATUS_NOT_FOUND)\n", 53},
        {"Connection to no.such failed (Error NT_STATUS_UNSUCCESSFUL)", 53},
        {"tree connect failed: NT_STATUS_BAD_NETWORK_NAME\n", 67},
        {"x NT_STATUS_IO_TIMEOUT\nsession setup failed: NT_STATUS_ACCOUNT_DISABLED\n", 1331},
        {"rpc: NT_STATUS_NOT_FOUND\n", std::nullopt},
        {"failed to open PIPE srvsvc: NT_STATUS_UNSUCCESSFUL", std::nullopt},
        {"NT_STATUS_", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, code] : cases) {
        EXPECT_EQ(netstatus::WindowsCodeFor(text), code) << text;
    }
    // Each status as Windows maps it (winerror.h).
    const std::pair<const char*, std::uint32_t> windows[] = {{"CONNECTION_REFUSED", 1225},
                                                             {"IO_TIMEOUT", 121},
                                                             {"BAD_NETWORK_PATH", 53},
                                                             {"HOST_UNREACHABLE", 1232},
                                                             {"NETWORK_UNREACHABLE", 1231},
                                                             {"CONNECTION_ABORTED", 1236},
                                                             {"CONNECTION_RESET", 64},
                                                             {"CONNECTION_DISCONNECTED", 64},
                                                             {"NETWORK_NAME_DELETED", 64},
                                                             {"PIPE_BROKEN", 64},
                                                             {"END_OF_FILE", 64},
                                                             {"INVALID_NETWORK_RESPONSE", 59},
                                                             {"NETWORK_ACCESS_DENIED", 65},
                                                             {"ACCESS_DENIED", 5},
                                                             {"LOGON_FAILURE", 1326},
                                                             {"WRONG_PASSWORD", 86},
                                                             {"NO_SUCH_USER", 1317},
                                                             {"ACCOUNT_RESTRICTION", 1327},
                                                             {"INVALID_LOGON_HOURS", 1328},
                                                             {"INVALID_WORKSTATION", 1329},
                                                             {"PASSWORD_EXPIRED", 1330},
                                                             {"ACCOUNT_EXPIRED", 1793},
                                                             {"PASSWORD_MUST_CHANGE", 1907},
                                                             {"ACCOUNT_LOCKED_OUT", 1909},
                                                             {"NO_LOGON_SERVERS", 1311}};
    for (const auto& [status, code] : windows) {
        EXPECT_EQ(
            netstatus::WindowsCodeFor("session setup failed: NT_STATUS_" + std::string(status)),
            code)
            << status;
    }
    // Kerberos's own words only where Samba says both halves.
    EXPECT_EQ(netstatus::WindowsCodeFor("it is not possible\nNT_STATUS_ACCESS_DENIED"), 5u);
}

}  // namespace
