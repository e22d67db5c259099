// libnetapi against a real smbd. Runs only inside scripts/testnet.sh, in a
// network namespace of its own; the clock, the runtime and the support
// library are fakes.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>

#include "fakes/fakes.h"
#include "helpers.h"
#include "modMain.h"
#include "runlog.h"
#include "sync.h"

namespace {

using Lines = std::vector<std::u16string>;

class RealServer : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("TESTNET_DIR") == nullptr) {
            GTEST_SKIP() << "needs the test server: run through scripts/testnet.sh";
        }
        fake::ResetClock();
        fake::ResetRuntime();
        fake::ResetSupport();
        runLog.clear();
    }
};

std::time_t AsUtc(const platform::SYSTEMTIME& t) {
    std::tm parts{};
    parts.tm_year = t.wYear - 1900;
    parts.tm_mon = t.wMonth - 1;
    parts.tm_mday = t.wDay;
    parts.tm_hour = t.wHour;
    parts.tm_min = t.wMinute;
    parts.tm_sec = t.wSecond;
    return timegm(&parts);
}

TEST_F(RealServer, ARealAnswerIsAppliedToTheClock) {
    const std::time_t before = std::time(nullptr);
    EXPECT_TRUE(SyncFromHost(u"127.0.0.1"));
    const std::time_t after = std::time(nullptr);
    ASSERT_EQ(fake::clock_set.size(), 1u);
    const platform::SYSTEMTIME& set = fake::clock_set[0];
    // Samba answers in whole seconds of UTC.
    EXPECT_EQ(set.wMilliseconds, 0);
    EXPECT_GE(AsUtc(set), before - 1);
    EXPECT_LE(AsUtc(set), after);
    const Lines messages = Messages(runLog);
    ASSERT_EQ(messages.size(), 5u);
    EXPECT_EQ(messages[0], u"Trying machine 127.0.0.1.");
    EXPECT_EQ(messages[2].substr(0, 20), u"Remote date & time: ");
    EXPECT_EQ(messages[4], u"System time was updated successfully.");
}

TEST_F(RealServer, ARefusedHostThenAWorkingOne) {
    fake::command_text = u"127.0.0.2 127.0.0.1";
    EXPECT_EQ(Main(), kExitClockSet);
    ASSERT_EQ(fake::log_entries.size(), 1u);
    EXPECT_TRUE(fake::log_entries[0].information);
    const Lines messages = Messages(fake::log_entries[0].text);
    ASSERT_EQ(messages.size(), 7u);
    EXPECT_EQ(messages[0], u"Trying machine 127.0.0.2.");
    EXPECT_EQ(messages[1],
              u"NetRemoteTOD() failed. Error 1225: The remote computer refused the network "
              u"connection.");
    EXPECT_EQ(messages[2], u"Trying machine 127.0.0.1.");
    EXPECT_EQ(messages[6], u"System time was updated successfully.");
}

TEST_F(RealServer, FailuresNameTheirCause) {
    EXPECT_FALSE(SyncFromHost(u"NO-SUCH-HOST"));
    EXPECT_EQ(Messages(runLog).at(1),
              u"NetRemoteTOD() failed. Error 53: The network path was not found.");
}

TEST_F(RealServer, OtherWaysOfNamingTheServer) {
    for (const char16_t* host : {u"\\\\127.0.0.1", u"::1", u"LOCALHOST"}) {
        runLog.clear();
        fake::clock_set.clear();
        EXPECT_TRUE(SyncFromHost(host)) << U8(runLog);
        EXPECT_EQ(Messages(runLog).at(0), u"Trying machine " + std::u16string(host) + u".")
            << "the log keeps the name as it was given";
    }
}

TEST_F(RealServer, NeverTouchesStandardStreamsNorAsksForAPassword) {
    // A user name without a password: libnetapi would ask for one. Standard
    // input is a pipe that nobody writes to, so a read would block for ever.
    setenv("USER", "someone", 1);
    int never[2];
    ASSERT_EQ(pipe(never), 0);
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const int saved_in = dup(0), saved_out = dup(1);
    dup2(never[0], 0);
    dup2(out[1], 1);
    const auto start = std::chrono::steady_clock::now();
    const bool worked = SyncFromHost(u"127.0.0.1") && SyncFromHost(u"127.0.0.3");
    const auto took = std::chrono::steady_clock::now() - start;
    dup2(saved_in, 0);
    dup2(saved_out, 1);
    close(out[1]);
    char buffer[256];
    const ssize_t got = read(out[0], buffer, sizeof buffer);
    EXPECT_EQ(got, 0) << "nothing on standard output: "
                      << std::string(buffer, got > 0 ? static_cast<std::size_t>(got) : 0u);
    EXPECT_FALSE(worked) << "127.0.0.3 is refused";
    EXPECT_LT(took, std::chrono::seconds(5));
    for (int fd : {never[0], never[1], out[0], saved_in, saved_out})
        close(fd);
}

}  // namespace
