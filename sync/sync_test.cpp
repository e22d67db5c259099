#include "sync.h"

#include <climits>

#include "fakes/fakes.h"
#include "helpers.h"
#include "runlog.h"

namespace {

using Lines = std::vector<std::u16string>;

class Sync : public ::testing::Test {
protected:
    void SetUp() override { fake::ResetAll(); }
    void TearDown() override { EXPECT_EQ(fake::buffers_outstanding, 0) << "buffer not freed"; }

    static void Answers(platform::TIME_OF_DAY_INFO record) { fake::Script(u"HOST", {0, record}); }
};

TEST_F(Sync, AHostWithoutARecordLogsWhyAndLeavesTheClock) {
    // A description with a line break gives two lines; codes are unsigned.
    fake::Script(u"A", {77, std::nullopt});
    fake::Script(u"B", {0xC000006Du, std::nullopt});
    fake::Script(u"C", {0, std::nullopt});
    EXPECT_FALSE(SyncFromHost(u"A") || SyncFromHost(u"B") || SyncFromHost(u"C"));
    EXPECT_EQ(Messages(runLog),
              (Lines{u"Trying machine A.", u"NetRemoteTOD() failed. Error 77: First part.",
                     u"Second part.", u"Trying machine B.",
                     u"NetRemoteTOD() failed. Error 3221225581: Unknown error 3221225581 "
                     u"(0xC000006D).",
                     u"Trying machine C.", u"NetRemoteTOD() returns NULL pointer."}));
    EXPECT_TRUE(fake::clock_set.empty());
}

TEST_F(Sync, AnAnswerSetsTheClockToTheRemoteTimeExactly) {
    Answers(fake::Record(2026, 7, 3, 9, 5, 9, 12));
    EXPECT_TRUE(SyncFromHost(u"HOST"));
    EXPECT_EQ(Messages(runLog),
              (Lines{u"Trying machine HOST.", u"Local date & time:  3.07.2026 9:05:07.45",
                     u"Remote date & time: 3.07.2026 9:05:09.12",
                     u"Please note both times are in UTC format.",
                     u"Step: +2.075 s (remote time minus local time).",
                     u"System time was updated successfully."}));
    ASSERT_EQ(fake::clock_set.size(), 1u);
    const platform::SYSTEMTIME& t = fake::clock_set[0];
    EXPECT_EQ(std::vector<int>({t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute,
                                t.wSecond, t.wMilliseconds}),
              std::vector<int>({2026, 7, 0, 3, 9, 5, 9, 120}));
}

TEST_F(Sync, ADryRunLogsTheStepAndLeavesTheClock) {
    Answers(fake::Record(2026, 7, 3, 9, 5, 7, 1));
    EXPECT_TRUE(SyncFromHost(u"HOST", true));
    const Lines messages = Messages(runLog);
    ASSERT_EQ(messages.size(), 6u);
    EXPECT_EQ(messages[4], u"Step: -0.035 s (remote time minus local time).");
    EXPECT_EQ(messages[5], u"Dry run: the clock was not set.");
    EXPECT_TRUE(fake::clock_set.empty());
    EXPECT_EQ(StepLine(-86'400'000LL * 365 - 1),
              u"Step: -31536000.001 s (remote time minus local time).");
}

TEST_F(Sync, TheReportPadsAsTheLogShowsAndReadsFieldsSigned) {
    const platform::SYSTEMTIME local{2026, 12, 0, 31, 23, 59, 59, 5};
    auto record = fake::Record(99, 1, 31, 3, 4, 5, 5);
    record.tod_day = 0xFFFFFFFFu;
    EXPECT_EQ(TimeReport(local, record),
              u"Local date & time:  31.12.2026 23:59:59.5\r\n"
              u"Remote date & time: -1.01.0099 3:04:05.5\r\n"
              u"Please note both times are in UTC format.");
}

TEST_F(Sync, APrivilegeYieldedAsAnyNonZero16BitsCountsAsTrue) {
    fake::privilege_result = 0x0100;
    Answers(fake::Record(2026, 7, 3, 9, 5, 9, 12));
    EXPECT_TRUE(SyncFromHost(u"HOST"));
    EXPECT_EQ(runLog.find(u"privilege"), std::u16string::npos);
}

// A remote time: set, refused by SetSystemTime, or not tried (beyond 16 bits).
enum Outcome { kSet, kRefused, kInvalid };
struct RemoteTime {
    int year, month, day, hour, minute, second, hundredths;
    Outcome outcome;
};
void PrintTo(const RemoteTime& r, std::ostream* out) {
    *out << r.year << "-" << r.month << "-" << r.day << " " << r.hour << ":" << r.minute << ":"
         << r.second << "." << r.hundredths;
}
class ClockTime : public Sync, public ::testing::WithParamInterface<RemoteTime> {};

TEST_P(ClockTime, OnlyRealClockTimesAreSetNoneNormalised) {
    const RemoteTime& r = GetParam();
    Answers(fake::Record(r.year, r.month, r.day, r.hour, r.minute, r.second, r.hundredths));
    EXPECT_EQ(SyncFromHost(u"HOST"), r.outcome == kSet);
    const Lines messages = Messages(runLog);
    // The report is always there, and the step when the time is a clock time.
    ASSERT_EQ(messages.size(), r.outcome == kSet ? 6u : 5u);
    const char16_t* last[] = {u"System time was updated successfully.", u"SetSystemTime() failed.",
                              u"NetRemoteTOD() returned an invalid time."};
    EXPECT_EQ(messages.back(), last[r.outcome]);
    EXPECT_EQ(fake::clock_set.size(), r.outcome == kSet ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Remote, ClockTime,
    ::testing::Values(RemoteTime{2024, 2, 29, 12, 0, 0, 0, kSet},
                      RemoteTime{2025, 2, 29, 12, 0, 0, 0, kRefused},
                      RemoteTime{2100, 2, 29, 12, 0, 0, 0, kRefused},
                      RemoteTime{2026, 4, 31, 12, 0, 0, 0, kRefused},
                      RemoteTime{2026, 13, 1, 12, 0, 0, 0, kRefused},
                      RemoteTime{2026, 7, 0, 12, 0, 0, 0, kRefused},
                      RemoteTime{2026, 7, 3, 24, 0, 0, 0, kRefused},
                      RemoteTime{2026, 7, 3, 23, 59, 60, 0, kRefused},
                      RemoteTime{2026, 7, 3, 23, 59, 59, 100, kRefused},  // 1000 ms
                      RemoteTime{2026, 7, 3, 23, 59, 59, 3276, kRefused},
                      RemoteTime{2026, 7, 3, 23, 59, 59, 3277, kInvalid},  // ms beyond 16 bits
                      RemoteTime{1600, 12, 31, 23, 59, 59, 99, kRefused},
                      RemoteTime{30827, 12, 31, 23, 59, 59, 99, kSet},
                      RemoteTime{30828, 1, 1, 0, 0, 0, 0, kRefused},
                      RemoteTime{32768, 1, 1, 0, 0, 0, 0, kInvalid},
                      RemoteTime{2026, 7, 3, -32769, 5, 9, 12, kInvalid},
                      RemoteTime{2026, 7, 3, 9, INT_MAX, 9, 12, kInvalid},
                      RemoteTime{2026, 7, 3, 9, 5, 65545, 12, kInvalid}));

}  // namespace
