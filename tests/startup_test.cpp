// A whole run in this process with the real runtime and the real support
// library; only the network and the clock are fakes.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>

#include "fakes/fakes.h"
#include "helpers.h"
#include "modMain.h"
#include "runlog.h"
#include "runtime.h"
#include "vlruntime.h"

namespace {

class RealRuntime : public ::testing::Test {
protected:
    void SetUp() override {
        fake::ResetNet();
        fake::ResetClock();
        runLog.clear();
        setenv("VESTRIO_LOG_FILE", (dir_ / "todsync.log").c_str(), 1);
        setenv("STATE_DIRECTORY", dir_.path().c_str(), 1);
    }
    void TearDown() override {
        platform::posix::StopRuntime();
        unsetenv("VESTRIO_LOG_FILE");
        unsetenv("STATE_DIRECTORY");
    }
    void Start(std::vector<std::string> args) {
        args_ = std::move(args);
        argv_.clear();
        for (auto& a : args_)
            argv_.push_back(a.data());
        argv_.push_back(nullptr);
        platform::posix::StartRuntime(static_cast<int>(args_.size()), argv_.data());
    }
    const ScratchDir dir_;
    std::vector<std::string> args_;
    std::vector<char*> argv_;
};

TEST_F(RealRuntime, AfterStartUpTheMainWindowHoldsTheImagesOfA_MAIN) {
    Start({"whatever"});
    EXPECT_EQ(Main(), kExitUsage);
    EXPECT_EQ(platform::ExeBaseName(), u"startup_tests") << "the executable's own name";
    vlpWindow* window = vlpFindThreadWindow(u"VestrioRuntimeMain");
    ASSERT_NE(window, nullptr);
    vlpIconImage icons[4];
    ASSERT_EQ(vlpGetWindowIcons(window, icons, 4), 3u);
    for (const int i : {0, 1, 2}) {
        EXPECT_EQ(icons[i].width, 48 - 16 * i);
        EXPECT_EQ(icons[i].height, 48 - 16 * i);
        EXPECT_EQ(icons[i].colors, 16);
        EXPECT_EQ(icons[i].bits, 4);
    }
    EXPECT_EQ(FileText(dir_ / "todsync.log"), "") << "no entry on the usage path";
    platform::posix::StopRuntime();
    EXPECT_EQ(vlpFindThreadWindow(u"VestrioRuntimeMain"), nullptr);
}

TEST_F(RealRuntime, ARunLeavesOneEntryInTheLogFile) {
    Start({"todsync", "first", "  second"});
    fake::Script(u"SECOND", {0, fake::Record(2026, 7, 3, 9, 5, 9, 12)});
    EXPECT_EQ(Main(), kExitClockSet);
    const std::string file = FileText(dir_ / "todsync.log");
    std::vector<std::u16string> lines = Messages(vltext::FromUtf8(file), u"\n");
    // Whether this process may raise the clock privilege depends on who
    // runs the tests; the fake clock is set either way.
    std::erase(lines, u"Failed to set SE_SYSTEMTIME_NAME privilege.");
    ASSERT_EQ(lines.size(), 9u) << file;
    EXPECT_TRUE(lines[0].find(u" startup_tests[") != std::u16string::npos &&
                lines[0].ends_with(u"] information"))
        << file;
    const std::vector<std::u16string> messages = {
        u"Trying machine FIRST.",
        u"NetRemoteTOD() failed. Error 53: The network path was not found.",
        u"Trying machine SECOND.",
        u"Local date & time:  3.07.2026 9:05:07.45",
        u"Remote date & time: 3.07.2026 9:05:09.12",
        u"Please note both times are in UTC format.",
        u"System time was updated successfully.",
        u""};
    EXPECT_EQ(std::vector(lines.begin() + 1, lines.end()), messages) << file;
}

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
    // In a child: this process keeps what it has. Nothing here sets the clock.
    const pid_t child = fork();
    if (child == 0) {
        Start({"todsync"});
        const std::uint64_t time_bit = 1ull << 25;  // CAP_SYS_TIME
        const bool ok = Caps("CapEff:") == 0 && (Caps("CapPrm:") & ~time_bit) == 0 &&
                        (Caps("CapBnd:") & ~time_bit) == 0 && Caps("CapAmb:") == 0 &&
                        Caps("CapInh:") == 0 && Caps("NoNewPrivs:") == 1;
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "capabilities after start-up are more than CAP_SYS_TIME, or effective";
}

}  // namespace
