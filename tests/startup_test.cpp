// A whole run in this process with the real runtime and the real support
// library; only the network and the clock are fakes.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

#include "app/modMain.h"
#include "fakes/fakes.h"
#include "helpers.h"
#include "log/runlog.h"
#include "platform/posix/runtime.h"
#include "platform/posix/window.h"

namespace {

class RealRuntime : public ::testing::Test {
protected:
    void SetUp() override {
        fake::ResetNet();
        fake::ResetClock();
        runLog.clear();
        char pattern[] = "/tmp/startup-test.XXXXXX";
        dir_ = mkdtemp(pattern);
        setenv("VESTRIO_LOG_FILE", (dir_ + "/todsync.log").c_str(), 1);
        setenv("STATE_DIRECTORY", dir_.c_str(), 1);
    }
    void TearDown() override {
        platform::posix::StopRuntime();
        unsetenv("VESTRIO_LOG_FILE");
        unsetenv("STATE_DIRECTORY");
        std::system(("rm -rf '" + dir_ + "'").c_str());
    }
    void Start(std::vector<std::string> args) {
        args_ = std::move(args);
        argv_.clear();
        for (auto& a : args_)
            argv_.push_back(a.data());
        argv_.push_back(nullptr);
        platform::posix::StartRuntime(static_cast<int>(args_.size()), argv_.data());
    }
    std::string LogFile() {
        std::ifstream in(dir_ + "/todsync.log");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::string dir_;
    std::vector<std::string> args_;
    std::vector<char*> argv_;
};

TEST_F(RealRuntime, AfterStartUpTheMainWindowHoldsTheImagesOfA_MAIN) {
    Start({"todsync"});
    EXPECT_EQ(Main(), kExitUsage);
    vlpWindow* window = vlpFindThreadWindow(u"VestrioRuntimeMain");
    ASSERT_NE(window, nullptr);
    vlpIconImage icons[4];
    ASSERT_EQ(vlpGetWindowIcons(window, icons, 4), 3u);
    const int sizes[] = {48, 32, 16};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(icons[i].width, sizes[i]);
        EXPECT_EQ(icons[i].height, sizes[i]);
        EXPECT_EQ(icons[i].colors, 16);
    }
    EXPECT_EQ(LogFile(), "") << "no entry on the usage path";
    platform::posix::StopRuntime();
    EXPECT_EQ(vlpFindThreadWindow(u"VestrioRuntimeMain"), nullptr);
}

TEST_F(RealRuntime, ARunLeavesOneEntryInTheLogFile) {
    Start({"todsync", "first", "  second"});
    fake::Script(u"SECOND", {0, fake::Record(2026, 7, 3, 9, 5, 9, 12)});
    const int status = Main();
    EXPECT_EQ(status, kExitClockSet);
    EXPECT_EQ(fake::hosts_asked, (std::vector<std::u16string>{u"FIRST", u"SECOND"}));
    std::istringstream file(LogFile());
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        // Whether this process may raise the clock privilege depends on who
        // runs the tests; the fake clock is set either way.
        if (line.find("Failed to set SE_SYSTEMTIME_NAME privilege.") == std::string::npos) {
            lines.push_back(line);
        }
    }
    ASSERT_EQ(lines.size(), 9u) << LogFile();
    EXPECT_NE(lines[0].find(" startup_tests["), std::string::npos) << lines[0];
    EXPECT_EQ(lines[0].substr(lines[0].size() - 12), " information");
    const std::vector<std::string> messages = {
        "Trying machine FIRST.",
        "NetRemoteTOD() failed. Error 53: The network path was not found.",
        "Trying machine SECOND.",
        "Local date & time:  3.07.2026 9:05:07.45",
        "Remote date & time: 3.07.2026 9:05:09.12",
        "Please note both times are in UTC format.",
        "System time was updated successfully."};
    for (std::size_t i = 0; i < messages.size(); ++i) {
        // "[HH:MM:SS.mmm] [YYYY-MM-DD] " before each message.
        ASSERT_GT(lines[i + 1].size(), 28u);
        EXPECT_EQ(lines[i + 1][0], '[');
        EXPECT_EQ(lines[i + 1].substr(13, 3), "] [");
        EXPECT_EQ(lines[i + 1].substr(28), messages[i]);
    }
    EXPECT_EQ(lines[8], "");
}

TEST_F(RealRuntime, TheCommandTextIsTheArgumentsJoinedBySpaces) {
    Start({"/usr/bin/todsync", "a", "", "b c", "\xC3\xA9"});
    EXPECT_EQ(platform::CommandText(), u"a  b c \u00E9");
    Start({"todsync"});
    EXPECT_EQ(platform::CommandText(), u"");
}

TEST_F(RealRuntime, UpperCaseCoversLatinLettersAndKeepsTheRest) {
    EXPECT_EQ(platform::UCase(u"host-1.example.com"), u"HOST-1.EXAMPLE.COM");
    EXPECT_EQ(platform::UCase(u"\u00E9t\u00E9 \u00FF \u0159 \u03B1 \u0431"),
              u"\u00C9T\u00C9 \u0178 \u0158 \u0391 \u0411");
    EXPECT_EQ(platform::UCase(u"stra\u00DFe"), u"STRA\u00DFE") << "one letter for one";
    EXPECT_EQ(platform::UCase(u"\U00010428"), u"\U00010400") << "beyond the BMP";
    const std::u16string lone(1, char16_t(0xDCFF));
    EXPECT_EQ(platform::UCase(lone), lone);
}

TEST_F(RealRuntime, NowIsTheLocalTimeAsAnOleDate) {
    const std::time_t before = std::time(nullptr);
    const double now = platform::Now();
    std::tm local{};
    localtime_r(&before, &local);
    const double seconds_of_day = (now - static_cast<double>(static_cast<long>(now))) * 86400.0;
    const double expected = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
    EXPECT_NEAR(seconds_of_day, expected, 2.0);
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
        char name[] = "todsync";
        char* argv[] = {name, nullptr};
        platform::posix::StartRuntime(1, argv);
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

TEST_F(RealRuntime, TheBaseNameIsTheExecutablesFileName) {
    Start({"whatever"});
    EXPECT_EQ(platform::ExeBaseName(), u"startup_tests");
}

}  // namespace
