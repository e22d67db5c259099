#include "app/modMain.h"

#include "fakes/fakes.h"
#include "helpers.h"
#include "log/runlog.h"

namespace {

using Lines = std::vector<std::u16string>;

class Startup : public ::testing::Test {
protected:
    void SetUp() override {
        fake::ResetNet();
        fake::ResetClock();
        fake::ResetRuntime();
        fake::ResetSupport();
        runLog.clear();
    }
    void Works(const std::u16string& host) {
        fake::Script(host, {0, fake::Record(2026, 7, 3, 9, 5, 9, 12)});
    }
    static Lines EntryMessages() {
        EXPECT_EQ(fake::log_entries.size(), 1u);
        return fake::log_entries.empty() ? Lines{} : Messages(fake::log_entries[0].text);
    }
};

TEST_F(Startup, AnEmptyCommandLineShowsTheUsageBoxAndLogsNothing) {
    for (const char16_t* command : {u"", u"     ", u" \t  "}) {
        SetUp();
        fake::command_text = command;
        EXPECT_EQ(Main(), kExitUsage);
        ASSERT_EQ(fake::message_boxes.size(), 1u);
        EXPECT_EQ(fake::message_boxes[0].text,
                  u"Usage: todsync[.EXE] HostName [HostName [HostName [...]]]");
        EXPECT_EQ(fake::message_boxes[0].caption, u"todsync");
        EXPECT_EQ(fake::message_boxes[0].style, 64);
        EXPECT_TRUE(fake::hosts_asked.empty());
        EXPECT_TRUE(fake::log_entries.empty());
        EXPECT_EQ(runLog, u"");
    }
}

TEST_F(Startup, UsageNamesTheExecutableAsItIs) {
    fake::exe_base_name = u"TimeFromServer";
    ShowUsage();
    EXPECT_EQ(fake::message_boxes.at(0).text,
              u"Usage: TimeFromServer[.EXE] HostName [HostName [HostName [...]]]");
}

TEST_F(Startup, StartupCallsComeFirstInOrder) {
    fake::command_text = u"a";
    Main();
    const std::vector<std::string> first(fake::calls.begin(), fake::calls.begin() + 6);
    const std::vector<std::string> expected = {
        "vlRegisterAppPath",     "vlIsInIDE", "vlGetThunderMainHandle",
        "vlSetWindowResIconAll", "vlTrimEx",  "vlDestroyDoubleSpaces"};
    EXPECT_EQ(first, expected);
    EXPECT_EQ(fake::icon_resources, Lines{u"A_MAIN"});
}

TEST_F(Startup, InTheDevelopmentEnvironmentTheIconsAreLeftAlone) {
    fake::in_ide_result = VL_TRUE;
    fake::command_text = u"a";
    EXPECT_EQ(Main(), kExitNoHostUsable);
    EXPECT_EQ(std::count(fake::calls.begin(), fake::calls.end(), "vlGetThunderMainHandle"), 0);
    EXPECT_TRUE(fake::icon_resources.empty());
    EXPECT_EQ(fake::hosts_asked, Lines{u"A"});
}

TEST_F(Startup, HostsAreNormalisedSplitAndUpperCased) {
    fake::command_text = u"  alpha    Beta\tgamma  \\\\delta  ";
    EXPECT_EQ(Main(), kExitNoHostUsable);
    const Lines expected = {u"ALPHA", u"BETA\tGAMMA", u"\\\\DELTA"};
    EXPECT_EQ(fake::hosts_asked, expected);
}

TEST_F(Startup, TheSecondOfThreeHostsEndsTheRun) {
    fake::command_text = u"one two three";
    Works(u"TWO");
    Works(u"THREE");
    EXPECT_EQ(Main(), kExitClockSet);
    EXPECT_EQ(fake::hosts_asked, (Lines{u"ONE", u"TWO"}));
    ASSERT_EQ(fake::log_entries.size(), 1u);
    EXPECT_TRUE(fake::log_entries[0].information);
    const Lines messages = EntryMessages();
    EXPECT_EQ(messages.front(), u"Trying machine ONE.");
    EXPECT_EQ(messages[2], u"Trying machine TWO.");
    EXPECT_EQ(messages.back(), u"System time was updated successfully.");
    EXPECT_EQ(std::find(messages.begin(), messages.end(), u"All tries were failed."),
              messages.end());
}

TEST_F(Startup, WhenTheFirstHostWorksTheLogHoldsOnlyItsLines) {
    fake::command_text = u"one two";
    Works(u"ONE");
    EXPECT_EQ(Main(), kExitClockSet);
    const Lines expected = {u"Trying machine ONE.", u"Local date & time:  3.07.2026 9:05:07.45",
                            u"Remote date & time: 3.07.2026 9:05:09.12",
                            u"Please note both times are in UTC format.",
                            u"System time was updated successfully."};
    EXPECT_EQ(EntryMessages(), expected);
}

TEST_F(Startup, WhenEveryHostFailsTheLogIsAnErrorEntry) {
    fake::command_text = u"one two";
    fake::Script(u"TWO", {1225, std::nullopt});
    EXPECT_EQ(Main(), kExitNoHostUsable);
    ASSERT_EQ(fake::log_entries.size(), 1u);
    EXPECT_FALSE(fake::log_entries[0].information);
    const Lines expected = {
        u"Trying machine ONE.", u"NetRemoteTOD() failed. Error 53: The network path was not found.",
        u"Trying machine TWO.",
        u"NetRemoteTOD() failed. Error 1225: The remote computer refused the network connection.",
        u"All tries were failed."};
    EXPECT_EQ(EntryMessages(), expected);
}

TEST_F(Startup, TokensThatTrimToNothingAreSkippedSilently) {
    fake::command_text = std::u16string(u"\r \n \0 \r\n", 8);
    EXPECT_EQ(Main(), kExitNoHostUsable);
    EXPECT_TRUE(fake::hosts_asked.empty());
    EXPECT_EQ(EntryMessages(), Lines{u"All tries were failed."});
    EXPECT_FALSE(fake::log_entries[0].information);

    SetUp();
    fake::command_text = u"one \r two";
    Works(u"TWO");
    EXPECT_EQ(Main(), kExitClockSet);
    EXPECT_EQ(fake::hosts_asked, (Lines{u"ONE", u"TWO"}));
}

TEST_F(Startup, AHostNamedTwiceIsTriedTwiceOnlyIfItFailed) {
    fake::command_text = u"one one";
    EXPECT_EQ(Main(), kExitNoHostUsable);
    EXPECT_EQ(fake::hosts_asked, (Lines{u"ONE", u"ONE"}));
    SetUp();
    fake::command_text = u"one one";
    Works(u"ONE");
    EXPECT_EQ(Main(), kExitClockSet);
    EXPECT_EQ(fake::hosts_asked, Lines{u"ONE"});
}

TEST_F(Startup, AFatalStatusEndsTheRunWithoutALogEntry) {
    for (const char* operation :
         {"vlRegisterAppPath", "vlIsInIDE", "vlSetWindowResIconAll", "vlTrimEx2",
          "vlGetErrorNumber", "vlTrimCRLF", "vlLogError", "vlLogInfo"}) {
        SCOPED_TRACE(operation);
        SetUp();
        fake::command_text = u"one two";
        if (std::string(operation) != "vlLogError") {
            Works(u"TWO");
        }
        fake::fail_operation = operation;
        fake::fail_status = static_cast<std::int32_t>(0x80004005);
        try {
            Main();
            ADD_FAILURE() << "no fatal error";
        } catch (const fake::FatalError& error) {
            EXPECT_EQ(U8(error.what_failed), operation);
            EXPECT_EQ(error.status, fake::fail_status);
        }
        EXPECT_TRUE(fake::log_entries.empty());
    }
}

TEST_F(Startup, ANegativeStatusOfRegisterAppPathStopsBeforeAnyHost) {
    fake::command_text = u"one";
    fake::fail_operation = "vlRegisterAppPath";
    EXPECT_THROW(Main(), fake::FatalError);
    EXPECT_TRUE(fake::hosts_asked.empty());
    EXPECT_TRUE(fake::message_boxes.empty());
}

}  // namespace
