#include "sync.h"

#include <climits>

#include "estimate.h"

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

// 3.07.2026 9:05:09.000, in µs since 1970.
constexpr std::int64_t kRecordUs = (20637LL * 86400 + 9 * 3600 + 5 * 60 + 9) * 1'000'000;

// --precise: the clock is set to the estimate as it stands when it is set;
// the step (in a dry run too) is the estimate's, and one line says how it
// was made. An estimate never stands for a record that is no clock time.
TEST_F(Sync, APreciseRunSetsTheEstimateAsItStandsWhenSet) {
    using estimate::Method;
    const std::int64_t at = fake::monotonic_us;  // the host's 9:05:09.000, then
    fake::Script(u"HOST", {0, fake::Record(2026, 7, 3, 9, 5, 9, 0),
                           estimate::Estimate{kRecordUs, at, 400, 2100, 312, Method::kEdge}});
    fake::monotonic_step_us = 3'000;  // each reading 3 ms after the last
    EXPECT_TRUE(SyncFromHost(u"HOST", {.precise = true}));
    const Lines messages = Messages(runLog);
    ASSERT_EQ(messages.size(), 7u);
    EXPECT_EQ(messages[2], u"Remote date & time: 3.07.2026 9:05:09.0");
    EXPECT_EQ(messages[4], u"Step: +1.958 s (remote time minus local time).");
    EXPECT_EQ(messages[5],
              u"Estimate: the remote second began between two answers 2.1 ms "
              u"apart (round trip 0.4 ms, 312 tries).");
    ASSERT_EQ(fake::clock_set.size(), 1u);
    EXPECT_EQ(fake::clock_set[0].wSecond, 9);
    EXPECT_EQ(fake::clock_set[0].wMilliseconds, 6);

    const std::vector<std::pair<estimate::Estimate, const char16_t*>> others{
        {{kRecordUs + 125'000, at, 650, 0, 3, Method::kHundredths},
         u"Estimate: the hundredths of the answer with the shortest round trip (0.6 ms, of 3 "
         u"tries), and half of that round trip."},
        {{kRecordUs, at - 500'000, 1'250'000, 0, 1, Method::kNoEdge},
         u"Estimate: the remote second did not change while it was asked (1 try, round trip "
         u"1250.0 ms); its middle was taken."}};
    for (const auto& [time, line] : others) {
        fake::ResetAll();
        fake::Script(u"HOST", {0, fake::Record(2026, 7, 3, 9, 5, 9, 12), time});
        EXPECT_TRUE(SyncFromHost(u"HOST", {.dry_run = true, .precise = true}));
        EXPECT_EQ(Messages(runLog)[5], line);
    }
    EXPECT_EQ(Messages(runLog)[4], u"Step: +2.455 s (remote time minus local time).");

    fake::ResetAll();
    fake::Script(u"HOST", {0, fake::Record(2026, 13, 3, 9, 5, 9, 0),
                           estimate::Estimate{kRecordUs, at, 1, 1, 1, Method::kEdge}});
    EXPECT_FALSE(SyncFromHost(u"HOST", {.precise = true}));
    EXPECT_EQ(runLog.find(u"Estimate"), std::u16string::npos);
    EXPECT_TRUE(fake::clock_set.empty());
}

// --max-step: a step larger than the limit, either way, is logged and not
// taken (in a dry run neither); one just within it is.
TEST_F(Sync, AStepBeyondTheLimitIsNotTaken) {
    struct Case {
        platform::TIME_OF_DAY_INFO record;
        bool dry_run;
        const char16_t* last;
    };
    for (const Case& c : std::vector<Case>{
             {fake::Record(2035, 9, 26, 3, 42, 19, 86), false,
              u"The step of +291321432.815 s is larger than the limit of 3600 s; the clock was "
              u"not set."},
             {fake::Record(2026, 7, 3, 8, 5, 7, 4), true,
              u"The step of -3600.005 s is larger than the limit of 3600 s; the clock was not "
              u"set."},
             {fake::Record(2026, 7, 3, 8, 5, 7, 5), false,
              u"System time was updated successfully."}}) {
        fake::ResetAll();
        Answers(c.record);
        const bool taken = SyncFromHost(u"HOST", {.dry_run = c.dry_run, .max_step_seconds = 3600});
        EXPECT_EQ(Messages(runLog).back(), c.last);
        EXPECT_EQ(taken, fake::clock_set.size() == 1);
        EXPECT_EQ(taken, c.last[0] == u'S');
    }
}

// --domain: a time server of the domain, a reliable one preferred; the PDC
// emulator where none advertises the time service; after a failure of the
// server's one forced rediscovery, none after this machine's own; a domain
// that cannot be found costs no host.
TEST_F(Sync, ADomainsTimeServerIsFoundAndTriedThenRediscoveredOnce) {
    using platform::TimeServer;
    const std::uint32_t time_flags = platform::kDsTimeservFlag | platform::kDsGoodTimeservFlag;
    fake::ScriptDomain(u"TOD.TEST", {{TimeServer{u"\\\\dc1.tod.test", u"tod.test", time_flags}}});
    fake::Script(u"DC1.TOD.TEST", {0, fake::Record(2026, 7, 3, 9, 5, 9, 12)});
    fake::may_set_clock = false;
    EXPECT_FALSE(SyncFromDomain(u"TOD.TEST"));
    EXPECT_EQ(fake::hosts_asked, Lines{u"DC1.TOD.TEST"});
    Lines messages = Messages(runLog);
    EXPECT_EQ(Lines(messages.begin(), messages.begin() + 3),
              (Lines{u"Asking domain TOD.TEST for its time server.",
                     u"Found DC1.TOD.TEST, a reliable time server of domain tod.test.",
                     u"Trying machine DC1.TOD.TEST."}));
    EXPECT_EQ(fake::dc_flags_asked, std::vector<std::uint32_t>{platform::kDsReturnDnsName |
                                                               platform::kDsTimeservRequired |
                                                               platform::kDsGoodTimeservPreferred});

    fake::ResetAll();
    fake::ScriptDomain(u"", {{TimeServer{u"\\\\dc1.tod.test", u"tod.test", platform::kDsPdcFlag},
                              TimeServer{u"\\\\dc2.tod.test", u"tod.test", platform::kDsPdcFlag}},
                             false});
    fake::Script(u"DC2.TOD.TEST", {0, fake::Record(2026, 7, 3, 9, 5, 9, 12)});
    EXPECT_TRUE(SyncFromDomain(u""));
    messages = Messages(runLog);
    EXPECT_EQ(Lines(messages.begin(), messages.begin() + 7),
              (Lines{u"Asking this computer's domain for its time server.",
                     u"No controller of domain tod.test advertises the time service; found its "
                     u"PDC emulator, DC1.TOD.TEST.",
                     u"Trying machine DC1.TOD.TEST.",
                     u"NetRemoteTOD() failed. Error 53: Unknown error 53 (0x00000035).",
                     u"Asking this computer's domain again, for another time server.",
                     u"No controller of domain tod.test advertises the time service; found its "
                     u"PDC emulator, DC2.TOD.TEST.",
                     u"Trying machine DC2.TOD.TEST."}));
    EXPECT_NE(fake::dc_flags_asked.back() & platform::kDsForceRediscovery, 0u);
    EXPECT_NE(fake::dc_flags_asked.back() & platform::kDsPdcRequired, 0u);

    fake::ResetAll();
    EXPECT_FALSE(SyncFromDomain(u"NOWHERE"));
    EXPECT_EQ(Messages(runLog), (Lines{u"Asking domain NOWHERE for its time server.",
                                       u"DsGetDcName() failed. Error 1355: Unknown error 1355 "
                                       u"(0x0000054B)."}));
    EXPECT_TRUE(fake::hosts_asked.empty());
}

// A remote time: set, refused by SetSystemTime, or not tried (beyond 16 bits).
enum Outcome { kSet, kRefused, kInvalid };
struct RemoteTime {
    int year, month, day, hour, minute, second, hundredths;
    Outcome outcome;
};
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

INSTANTIATE_TEST_SUITE_P(Remote, ClockTime,
                         ::testing::Values(RemoteTime{2024, 2, 29, 12, 0, 0, 0, kSet},
                                           RemoteTime{2100, 2, 29, 12, 0, 0, 0, kRefused},
                                           RemoteTime{2026, 4, 31, 12, 0, 0, 0, kRefused},
                                           RemoteTime{2026, 13, 1, 12, 0, 0, 0, kRefused},
                                           RemoteTime{2026, 7, 0, 12, 0, 0, 0, kRefused},
                                           RemoteTime{2026, 7, 3, 24, 0, 0, 0, kRefused},
                                           RemoteTime{2026, 7, 3, 23, 59, 60, 0, kRefused},
                                           RemoteTime{2026, 7, 3, 23, 59, 59, 3276, kRefused},
                                           RemoteTime{2026, 7, 3, 23, 59, 59, 3277,
                                                      kInvalid},  // ms beyond 16 bits
                                           RemoteTime{1600, 12, 31, 23, 59, 59, 99, kRefused},
                                           RemoteTime{30827, 12, 31, 23, 59, 59, 99, kSet},
                                           RemoteTime{32768, 1, 1, 0, 0, 0, 0, kInvalid},
                                           RemoteTime{2026, 7, 3, -32769, 5, 9, 12, kInvalid},
                                           RemoteTime{2026, 7, 3, 9, INT_MAX, 9, 12, kInvalid},
                                           RemoteTime{2026, 7, 3, 9, 5, 65545, 12, kInvalid}));

}  // namespace
