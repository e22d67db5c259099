// The real Linux runtime. (The icons of its window: support_posix_test.cpp.)
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>

#include "helpers.h"
#include "platform.h"
#include "runtime.h"

namespace {

class RealRuntime : public ::testing::Test {
protected:
    void TearDown() override { platform::posix::StopRuntime(); }
    void Start(std::vector<std::string> args) {
        args_ = std::move(args);
        argv_.clear();
        for (auto& a : args_)
            argv_.push_back(a.data());
        argv_.push_back(nullptr);
        platform::posix::StartRuntime(static_cast<int>(args_.size()), argv_.data());
    }
    std::vector<std::string> args_;
    std::vector<char*> argv_;
};

TEST_F(RealRuntime, TheCommandTextIsTheArgumentsJoinedBySpaces) {
    Start({"/usr/bin/todsync", "a", "", "b c", "\xC3\xA9"});
    EXPECT_EQ(platform::CommandText(), u"a  b c \u00E9");
    Start({"todsync"});
    EXPECT_EQ(platform::CommandText(), u"");
}

TEST_F(RealRuntime, UpperCaseCoversLatinLettersAndKeepsTheRest) {
    EXPECT_EQ(platform::ToUpper(u"host-1.example.com"), u"HOST-1.EXAMPLE.COM");
    EXPECT_EQ(platform::ToUpper(u"\u00E9t\u00E9 \u00FF \u0159 \u03B1 \u0431"),
              u"\u00C9T\u00C9 \u0178 \u0158 \u0391 \u0411");
    EXPECT_EQ(platform::ToUpper(u"stra\u00DFe"), u"STRA\u00DFE") << "one letter for one";
    EXPECT_EQ(platform::ToUpper(u"\U00010428"), u"\U00010400") << "beyond the BMP";
    const std::u16string lone(1, char16_t(0xDCFF));
    EXPECT_EQ(platform::ToUpper(lone), lone);
}

TEST_F(RealRuntime, NowIsTheLocalTimeAsAnOleDate) {
    const std::time_t before = std::time(nullptr);
    const double now = platform::LocalTimeAsOleDate();
    std::tm local{};
    localtime_r(&before, &local);
    const double seconds_of_day = (now - static_cast<double>(static_cast<long>(now))) * 86400.0;
    EXPECT_NEAR(seconds_of_day, local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec, 2.0);
    EXPECT_GT(now, 46000.0);  // after 2025
}

// The capability sets of this process, from /proc/self/status.
std::uint64_t Caps(const char* which) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(which, 0) == 0) {
            return std::stoull(line.substr(line.find('\t') + 1), nullptr, 16);
        }
    }
    return ~0ull;
}

TEST_F(RealRuntime, StartingKeepsOnlyTheClockCapabilityAndNotEffective) {
    // In a child, so that this process keeps what it has.
    const pid_t child = fork();
    if (child == 0) {
        const std::uint64_t time_bit = 1ull << 25;  // CAP_SYS_TIME
        // The one capability it needs stays where it was: without it no
        // run could ever set the clock.
        const std::uint64_t permitted = Caps("CapPrm:") & time_bit;
        const std::uint64_t bounding = Caps("CapBnd:") & time_bit;
        Start({"todsync"});
        const bool ok = Caps("CapEff:") == 0 && (Caps("CapPrm:") & ~time_bit) == 0 &&
                        (Caps("CapPrm:") & time_bit) == permitted &&
                        (Caps("CapBnd:") & time_bit) == bounding &&
                        (Caps("CapBnd:") & ~time_bit) == 0 && Caps("CapAmb:") == 0 &&
                        Caps("CapInh:") == 0 && Caps("NoNewPrivs:") == 1 &&
                        prctl(PR_GET_DUMPABLE) == 0;  // not for the helper's user to trace
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "capabilities after start-up are more than CAP_SYS_TIME, or effective, or lost "
           "CAP_SYS_TIME, or it is dumpable";
}

}  // namespace
