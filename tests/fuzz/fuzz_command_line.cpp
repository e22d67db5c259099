// The command line turned into hosts: arbitrary arguments through the real
// runtime (command text, upper-casing) and Main, with the network, the
// clock and the support library faked. Every host asked must be a clean
// token, and every run must end in the usage path (no entry, no host) or
// one log entry.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fakes/fakes.h"
#include "modMain.h"
#include "runlog.h"
#include "runtime.h"

namespace {

bool IsEdgeBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0;
}

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Arguments are the input cut at NULs (a command line cannot hold one).
    std::vector<std::string> args{"todsync"};
    std::string current;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    args.push_back(current);
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    fake::ResetNet();
    fake::ResetClock();
    fake::ResetSupport();
    runLog.clear();
    platform::posix::StartRuntime(static_cast<int>(args.size()), argv.data());
    const int status = Main();
    platform::posix::StopRuntime();

    if (status == kExitUsage) {
        Check(fake::log_entries.empty() && fake::hosts_asked.empty());
        return 0;
    }
    Check(status == kExitNoHostUsable);  // no host answers here
    Check(fake::log_entries.size() == 1);
    Check(!fake::log_entries[0].information);
    for (const auto& host : fake::hosts_asked) {
        Check(!host.empty());
        Check(!IsEdgeBlank(host.front()) && !IsEdgeBlank(host.back()));
        Check(host.find(u' ') == std::u16string::npos);
        Check(platform::ToUpper(host) == host);
    }
    return 0;
}
