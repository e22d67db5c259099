// Samba's failure texts in Windows' codes.
#include "netstatus.h"
#include <optional>
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
}

}  // namespace
