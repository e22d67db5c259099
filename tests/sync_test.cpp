#include "sync/sync.h"

#include <climits>

#include "fakes/fakes.h"
#include "helpers.h"
#include "log/runlog.h"

namespace {

using Lines = std::vector<std::u16string>;

class Sync : public ::testing::Test {
protected:
    void SetUp() override {
        fake::ResetNet();
        fake::ResetClock();
        fake::ResetRuntime();
        fake::ResetSupport();
        runLog.clear();
    }
    void TearDown() override { EXPECT_EQ(fake::buffers_outstanding, 0) << "buffer not freed"; }

    static void Answers(platform::TIME_OF_DAY_INFO record) { fake::Script(u"HOST", {0, record}); }
};

const Lines kReport = {u"Local date & time:  3.07.2026 9:05:07.45",
                       u"Remote date & time: 3.07.2026 9:05:09.12",
                       u"Please note both times are in UTC format."};

Lines Concat(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(Sync, UnreachableHostLogsTheFailureAndLeavesTheClock) {
    fake::Script(u"HOST", {53, std::nullopt});
    EXPECT_FALSE(SyncFromHost(u"HOST"));
    const Lines expected = {u"Trying machine HOST.",
                            u"NetRemoteTOD() failed. Error 53: The network path was not found."};
    EXPECT_EQ(Messages(runLog), expected);
    EXPECT_TRUE(fake::clock_set_calls.empty());
    EXPECT_EQ(std::count(fake::calls.begin(), fake::calls.end(), "vlSetPrivilegeForProcess"), 0);
}

TEST_F(Sync, ADescriptionWithALineBreakInsideGivesTwoLines) {
    fake::Script(u"HOST", {77, std::nullopt});
    EXPECT_FALSE(SyncFromHost(u"HOST"));
    const Lines expected = {u"Trying machine HOST.",
                            u"NetRemoteTOD() failed. Error 77: First part.", u"Second part."};
    EXPECT_EQ(Messages(runLog), expected);
}

TEST_F(Sync, ErrorCodesAreWrittenUnsigned) {
    fake::Script(u"HOST", {0xC000006Du, std::nullopt});
    EXPECT_FALSE(SyncFromHost(u"HOST"));
    EXPECT_EQ(Messages(runLog)[1],
              u"NetRemoteTOD() failed. Error 3221225581: Unknown error 3221225581 (0xC000006D).");
}

TEST_F(Sync, SuccessWithoutARecordIsAFailure) {
    fake::Script(u"HOST", {0, std::nullopt});
    EXPECT_FALSE(SyncFromHost(u"HOST"));
    const Lines expected = {u"Trying machine HOST.", u"NetRemoteTOD() returns NULL pointer."};
    EXPECT_EQ(Messages(runLog), expected);
    EXPECT_TRUE(fake::clock_set_calls.empty());
}

TEST_F(Sync, AnAnswerSetsTheClockToTheRemoteTimeExactly) {
    Answers(fake::Record(2026, 7, 3, 9, 5, 9, 12));
    EXPECT_TRUE(SyncFromHost(u"HOST"));
    EXPECT_EQ(Messages(runLog), Concat(Concat({u"Trying machine HOST."}, kReport),
                                       {u"System time was updated successfully."}));
    ASSERT_EQ(fake::clock_set.size(), 1u);
    const platform::SYSTEMTIME& set = fake::clock_set[0];
    EXPECT_EQ(set.wYear, 2026);
    EXPECT_EQ(set.wMonth, 7);
    EXPECT_EQ(set.wDay, 3);
    EXPECT_EQ(set.wDayOfWeek, 0);
    EXPECT_EQ(set.wHour, 9);
    EXPECT_EQ(set.wMinute, 5);
    EXPECT_EQ(set.wSecond, 9);
    EXPECT_EQ(set.wMilliseconds, 120);
}

TEST_F(Sync, TheReportReadsTheLocalClockAfterTheAnswer) {
    fake::now_utc = {2026, 2, 0, 1, 0, 0, 0, 0};  // midnight, 1 February
    Answers(fake::Record(2026, 1, 31, 23, 59, 59, 99));
    EXPECT_TRUE(SyncFromHost(u"HOST"));
    const Lines messages = Messages(runLog);
    EXPECT_EQ(messages[1], u"Local date & time:  1.02.2026 0:00:00.0");
    EXPECT_EQ(messages[2], u"Remote date & time: 31.01.2026 23:59:59.99");
    ASSERT_EQ(fake::clock_set.size(), 1u);
    EXPECT_EQ(fake::clock_set[0].wMilliseconds, 990);
    EXPECT_EQ(fake::clock_set[0].wSecond, 59);
}

TEST_F(Sync, TheReportIsOneCallOfThreeLines) {
    platform::SYSTEMTIME local{2026, 7, 5, 3, 9, 5, 7, 45};
    EXPECT_EQ(TimeReport(local, fake::Record(2026, 7, 3, 9, 5, 9, 12)),
              u"Local date & time:  3.07.2026 9:05:07.45\r\n"
              u"Remote date & time: 3.07.2026 9:05:09.12\r\n"
              u"Please note both times are in UTC format.");
    local = {2026, 12, 0, 31, 23, 59, 59, 5};
    auto record = fake::Record(99, 12, 31, 23, 59, 59, 5);
    record.tod_day = 0xFFFFFFFFu;  // read as signed
    EXPECT_EQ(TimeReport(local, record),
              u"Local date & time:  31.12.2026 23:59:59.5\r\n"
              u"Remote date & time: -1.12.0099 23:59:59.5\r\n"
              u"Please note both times are in UTC format.");
}

TEST_F(Sync, NoPrivilegeAndARefusedClockGiveBothLinesAfterTheReport) {
    fake::privilege_result = VL_FALSE;
    fake::may_set_clock = false;
    Answers(fake::Record(2026, 7, 3, 9, 5, 9, 12));
    EXPECT_FALSE(SyncFromHost(u"HOST"));
    EXPECT_EQ(Messages(runLog),
              Concat(Concat({u"Trying machine HOST."}, kReport),
                     {u"Failed to set SE_SYSTEMTIME_NAME privilege.", u"SetSystemTime() failed."}));
    EXPECT_EQ(fake::clock_set_calls.size(), 1u) << "the clock is still tried";
}

TEST_F(Sync, AYieldedBooleanCountsOnItsLow16BitsOnly) {
    for (const std::int16_t value : {std::int16_t{1}, std::int16_t{0x0100}, std::int16_t{-1}}) {
        runLog.clear();
        fake::privilege_result = value;
        Answers(fake::Record(2026, 7, 3, 9, 5, 9, 12));
        EXPECT_TRUE(SyncFromHost(u"HOST"));
        EXPECT_EQ(runLog.find(u"privilege"), std::u16string::npos) << value;
    }
}

TEST_F(Sync, CalendarDatesThatDoNotExistAreRefusedNotNormalised) {
    struct Case {
        platform::TIME_OF_DAY_INFO record;
        const char16_t* last_line;
    };
    const char16_t* kInvalid = u"NetRemoteTOD() returned an invalid time.";
    const char16_t* kRefused = u"SetSystemTime() failed.";
    const Case cases[] = {
        {fake::Record(2025, 2, 29, 12, 0, 0, 0), kRefused},  // not a leap year
        {fake::Record(2024, 2, 29, 12, 0, 0, 0), nullptr},   // a leap year
        {fake::Record(2026, 4, 31, 12, 0, 0, 0), kRefused},
        {fake::Record(2026, 13, 1, 12, 0, 0, 0), kRefused},
        {fake::Record(2026, 0, 1, 12, 0, 0, 0), kRefused},
        {fake::Record(2026, 7, 3, 24, 0, 0, 0), kRefused},
        {fake::Record(2026, 7, 3, 23, 60, 0, 0), kRefused},
        {fake::Record(2026, 7, 3, 23, 59, 60, 0), kRefused},
        {fake::Record(2026, 7, 3, 23, 59, 59, 100), kRefused},  // 1000 ms
        {fake::Record(2026, 7, 3, 23, 59, 59, 3276), kRefused},
        {fake::Record(2026, 7, 3, 23, 59, 59, 3277), kInvalid},  // ms beyond 16 bits
        {fake::Record(1600, 12, 31, 23, 59, 59, 99), kRefused},
        {fake::Record(1601, 1, 1, 0, 0, 0, 0), nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(U8(TimeReport({}, c.record)));
        runLog.clear();
        fake::clock_set_calls.clear();
        fake::clock_set.clear();
        Answers(c.record);
        const bool set = SyncFromHost(u"HOST");
        const Lines messages = Messages(runLog);
        EXPECT_EQ(messages.size(), 5u) << "the report is always there";
        if (c.last_line == nullptr) {
            EXPECT_TRUE(set);
            EXPECT_EQ(fake::clock_set.size(), 1u);
            continue;
        }
        EXPECT_FALSE(set);
        EXPECT_EQ(messages.back(), c.last_line);
        EXPECT_TRUE(fake::clock_set.empty());
        EXPECT_EQ(fake::clock_set_calls.size(), c.last_line == kInvalid ? 0u : 1u);
    }
}

TEST_F(Sync, EveryFieldAtItsLimitsGivesTheOutcomeItShould) {
    const std::int64_t values[] = {0, -1, INT32_MIN, INT32_MAX, 32767, 32768};
    const char* names[] = {"year", "month", "day", "hours", "mins", "secs", "hunds"};
    for (int field = 0; field < 7; ++field) {
        for (const std::int64_t value : values) {
            std::int64_t f[7] = {2026, 7, 3, 9, 5, 9, 12};
            f[field] = value;
            SCOPED_TRACE(std::string(names[field]) + " = " + std::to_string(value));
            runLog.clear();
            fake::clock_set_calls.clear();
            fake::clock_set.clear();
            Answers(fake::Record(static_cast<int>(f[0]), static_cast<int>(f[1]),
                                 static_cast<int>(f[2]), static_cast<int>(f[3]),
                                 static_cast<int>(f[4]), static_cast<int>(f[5]),
                                 static_cast<int>(f[6])));
            const bool set = SyncFromHost(u"HOST");
            bool fits = true;
            for (const auto v : f)
                fits = fits && v >= -32768 && v <= 32767;
            fits = fits && f[6] * 10 >= -32768 && f[6] * 10 <= 32767;
            const bool valid =
                WindowsAcceptsClockTime(f[0], f[1], f[2], f[3], f[4], f[5], f[6] * 10);
            const std::u16string last = Messages(runLog).back();
            if (!fits) {
                EXPECT_EQ(last, u"NetRemoteTOD() returned an invalid time.");
                EXPECT_TRUE(fake::clock_set_calls.empty());
            } else if (!valid) {
                EXPECT_EQ(last, u"SetSystemTime() failed.");
            } else {
                EXPECT_EQ(last, u"System time was updated successfully.");
            }
            EXPECT_EQ(set, fits && valid);
            for (const auto& t : fake::clock_set) {
                EXPECT_TRUE(WindowsAcceptsClockTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                                                    t.wSecond, t.wMilliseconds));
            }
        }
    }
}

TEST_F(Sync, ASupportFailureIsFatal) {
    fake::Script(u"HOST", {53, std::nullopt});
    fake::fail_operation = "vlGetAPIErrorDescription";
    EXPECT_THROW(SyncFromHost(u"HOST"), fake::FatalError);
    fake::fail_operation = "vlSetPrivilegeForProcess";
    Answers(fake::Record(2026, 7, 3, 9, 5, 9, 12));
    EXPECT_THROW(SyncFromHost(u"HOST"), fake::FatalError);
    EXPECT_TRUE(fake::clock_set_calls.empty());
}

}  // namespace
