// Any arguments through the real runtime and Main: the usage path, a text on
// standard output (help, version) with nothing asked, or one error entry and
// only clean, upper-cased hosts asked, none of them an option.
#include <string>
#include <vector>

#include "fakes/fakes.h"
#include "modMain.h"
#include "runlog.h"
#include "runtime.h"

#define CHECK(c) (c) ? (void)0 : __builtin_trap()

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args{"todsync", ""};  // arguments cut at NULs
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] != 0)
            args.back() += static_cast<char>(data[i]);
        else
            args.emplace_back();
    }
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    fake::ResetNet();
    fake::ResetSupport();
    runLog.clear();
    platform::posix::StartRuntime(static_cast<int>(args.size()), argv.data());
    const int status = Main();
    platform::posix::StopRuntime();
    if (status == kExitUsage || status == kExitClockSet) {
        // No host answers here, so a zero status is the help or the version.
        CHECK(fake::log_entries.empty() && fake::hosts_asked.empty());
        return 0;
    }
    CHECK(status == kExitNoHostUsable && fake::log_entries.size() == 1);
    for (const auto& host : fake::hosts_asked) {
        CHECK(!host.empty() && host.find(u' ') == host.npos && platform::ToUpper(host) == host);
        for (const char16_t edge : {host.front(), host.back()})
            CHECK(edge != u'\t' && edge != u'\r' && edge != u'\n' && edge != 0);
        const char16_t first = host.front();  // no option, nothing like one
        CHECK(first != u'-' && first != u'/' && (first < 0x2010 || first > 0x2015) &&
              first != 0x2212 && host.find_first_of(u"\"'\u201C\u201D") == host.npos);
    }
    return 0;
}
