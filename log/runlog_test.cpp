#include "runlog.h"

#include "fakes/fakes.h"
#include "helpers.h"

namespace {

class RunLog : public ::testing::Test {
protected:
    void SetUp() override { fake::ResetAll(); }
};

TEST_F(RunLog, EachLineIsTimeDateAndTheTrimmedMessageSplitAtCrLfOnly) {
    AddLog(u"");
    AddLog(u"  \t \r\n   \r\n\t");
    EXPECT_EQ(runLog, u"") << "blank lines add nothing";
    AddLog(u"  Local date & time:  3.07.2026\t ");
    EXPECT_EQ(runLog, u"[09:05:07.045] [2026-07-03] Local date & time:  3.07.2026\r\n");
    runLog.clear();
    AddLog(u"first\r\nsecond");
    AddLog(u"lone\nfeed");
    AddLog(u"cr\r\r\nend\r");
    const std::vector<std::u16string> expected = {u"first", u"second", u"lone\nfeed", u"cr\r",
                                                  u"end\r"};
    EXPECT_EQ(Messages(runLog), expected);
}

TEST_F(RunLog, FlushWritesOneEntryOfTheRightKindWithoutTheLastLineBreak) {
    AddLog(u"one\r\ntwo");
    FlushLog(true);
    FlushLog(false);
    ASSERT_EQ(fake::log_entries.size(), 2u);
    EXPECT_TRUE(fake::log_entries[0].information);
    EXPECT_FALSE(fake::log_entries[1].information);
    EXPECT_EQ(fake::log_entries[1].text,
              u"[09:05:07.045] [2026-07-03] one\r\n[09:05:07.045] [2026-07-03] two");
}

}  // namespace
