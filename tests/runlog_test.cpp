#include "log/runlog.h"

#include "fakes/fakes.h"
#include "helpers.h"

namespace {

class RunLog : public ::testing::Test {
protected:
    void SetUp() override {
        fake::ResetRuntime();
        fake::ResetSupport();
        runLog.clear();
    }
};

TEST_F(RunLog, EmptyAndBlankTextsAddNothing) {
    AddLog(u"");
    AddLog(u"  \t \r\n   \r\n\t");
    EXPECT_EQ(runLog, u"");
    EXPECT_EQ(fake::now_calls, 0u);
}

TEST_F(RunLog, OneLineHasTimeThenDateThenTheTrimmedMessage) {
    AddLog(u"  Local date & time:  3.07.2026\t ");
    EXPECT_EQ(runLog, u"[09:05:07.045] [2026-07-03] Local date & time:  3.07.2026\r\n");
}

TEST_F(RunLog, EachLineTakesTwoReadingsBeforeMakingEitherText) {
    // The time text comes from the first reading, the date from the second:
    // across midnight they may disagree.
    fake::now_readings = {46206.99999999, 46207.0};
    AddLog(u"Tick");
    EXPECT_EQ(runLog, u"[23:59:59.999] [2026-07-04] Tick\r\n");
    EXPECT_EQ(fake::now_calls, 2u);
    const std::vector<std::string> expected = {"vlTrimEx", "vlSystemTimeToStringTime2",
                                               "vlSystemTimeToStringDate2"};
    EXPECT_EQ(fake::calls, expected);
}

TEST_F(RunLog, SplitsAtCrLfOnly) {
    AddLog(u"first\r\nsecond");
    AddLog(u"lone\nfeed");
    AddLog(u"cr\r\r\nend\r");
    const std::vector<std::u16string> expected = {u"first", u"second", u"lone\nfeed", u"cr\r",
                                                  u"end\r"};
    EXPECT_EQ(Messages(runLog), expected);
    EXPECT_EQ(fake::now_calls, 10u);
}

TEST_F(RunLog, FlushHandsTheLogWithoutItsLastLineBreak) {
    AddLog(u"one\r\ntwo");
    const std::u16string before = runLog;
    FlushLog(true);
    ASSERT_EQ(fake::log_entries.size(), 1u);
    EXPECT_TRUE(fake::log_entries[0].information);
    EXPECT_EQ(fake::log_entries[0].text,
              u"[09:05:07.045] [2026-07-03] one\r\n[09:05:07.045] [2026-07-03] two");
    EXPECT_EQ(runLog, before) << "FlushLog leaves runLog as it was";
}

TEST_F(RunLog, FlushWithoutSuccessWritesAnErrorEntry) {
    AddLog(u"All tries were failed.");
    FlushLog(false);
    ASSERT_EQ(fake::log_entries.size(), 1u);
    EXPECT_FALSE(fake::log_entries[0].information);
    EXPECT_EQ(fake::log_entries[0].text, u"[09:05:07.045] [2026-07-03] All tries were failed.");
}

TEST_F(RunLog, ASupportFailureIsFatalAndKeepsNothing) {
    for (const char* operation :
         {"vlTrimEx", "vlSystemTimeToStringTime2", "vlSystemTimeToStringDate2"}) {
        SCOPED_TRACE(operation);
        runLog.clear();
        fake::fail_operation = operation;
        fake::fail_status = VL_E_INVALIDARG;
        try {
            AddLog(u"line");
            FAIL() << "no fatal error";
        } catch (const fake::FatalError& error) {
            EXPECT_EQ(error.status, VL_E_INVALIDARG);
        }
        EXPECT_EQ(runLog, u"");
    }
    for (const char* operation : {"vlTrimCRLF", "vlLogInfo"}) {
        fake::fail_operation = operation;
        EXPECT_THROW(FlushLog(true), fake::FatalError) << operation;
        EXPECT_TRUE(fake::log_entries.empty());
    }
}

}  // namespace
