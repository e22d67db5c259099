#include "modMain.h"

#include "fakes/fakes.h"
#include "helpers.h"
#include "runlog.h"

namespace {

using Lines = std::vector<std::u16string>;

class Startup : public ::testing::Test {
protected:
    void SetUp() override { fake::ResetAll(); }
    static void Works(const std::u16string& host) {
        fake::Script(host, {0, fake::Record(2026, 7, 3, 9, 5, 9, 12)});
    }
};

TEST_F(Startup, ABlankCommandLineShowsTheUsageBoxAndLogsNothing) {
    fake::command_text = u"  \t  ";
    fake::exe_base_name = u"TimeFromServer";
    EXPECT_EQ(Main(), kExitUsage);
    ASSERT_EQ(fake::message_boxes.size(), 1u);
    EXPECT_EQ(U8(fake::message_boxes[0].caption + u"|" + fake::message_boxes[0].text),
              "todsync|Usage: TimeFromServer[.EXE] HostName [HostName [HostName [...]]]");
    EXPECT_EQ(fake::message_boxes[0].icon, platform::MessageIcon::kInformation);
    EXPECT_TRUE(fake::hosts_asked.empty() && fake::log_entries.empty());
}

TEST_F(Startup, HelpVersionDryRunAndStopSignal) {
    for (const char16_t* word : {u"--help", u"-h", u"/?", u"--version"}) {
        fake::ResetAll();
        fake::command_text = word;
        EXPECT_EQ(Main(), kExitClockSet) << U8(word);
        ASSERT_EQ(fake::shown_texts.size(), 1u);
        EXPECT_TRUE(fake::shown_texts[0].starts_with(u"Usage: todsync[.EXE] HostName") ||
                    (fake::shown_texts[0].starts_with(u"todsync 1.") && word[2] == u'v'));
        EXPECT_TRUE(fake::hosts_asked.empty() && fake::log_entries.empty());
    }
    fake::ResetAll();
    fake::command_text = u"--dry-run a b";
    Works(u"A");
    EXPECT_EQ(Main(), kExitClockSet);
    EXPECT_EQ(fake::hosts_asked, Lines{u"A"});
    EXPECT_TRUE(fake::clock_set.empty());
    ASSERT_EQ(fake::log_entries.size(), 1u);
    EXPECT_TRUE(fake::log_entries[0].information);
    EXPECT_EQ(Messages(fake::log_entries[0].text).back(), u"Dry run: the clock was not set.");
    fake::ResetAll();
    fake::command_text = u"--dry-runx";  // a host's name, not the option
    EXPECT_EQ(Main(), kExitNoHostUsable);
    EXPECT_EQ(fake::hosts_asked, Lines{u"--DRY-RUNX"});
    fake::ResetAll();
    fake::command_text = u"a b";
    fake::stop_signal = 15;
    EXPECT_EQ(Main(), kExitSignalBase + 15);
    EXPECT_TRUE(fake::hosts_asked.empty());
    ASSERT_EQ(fake::log_entries.size(), 1u);
    EXPECT_EQ(Messages(fake::log_entries[0].text), Lines{u"The run was ended by SIGTERM."});
}

TEST_F(Startup, InTheDevelopmentEnvironmentTheIconsAreLeftAlone) {
    fake::in_ide_result = VL_TRUE;
    fake::command_text = u"a";
    EXPECT_EQ(Main(), kExitNoHostUsable);
    EXPECT_TRUE(fake::icon_resources.empty());
    EXPECT_EQ(fake::hosts_asked, Lines{u"A"});
}

// A command line, the hosts that answer, and the hosts that must be asked.
struct Run {
    const char* name;
    std::u16string command;
    Lines working;
    Lines asked;
};
void PrintTo(const Run& run, std::ostream* out) {
    *out << run.name;
}
class CommandLine : public Startup, public ::testing::WithParamInterface<Run> {};

TEST_P(CommandLine, HostsAreTriedInOrderUntilOneSetsTheClock) {
    fake::command_text = GetParam().command;
    for (const auto& host : GetParam().working)
        Works(host);
    const bool set = !GetParam().working.empty();
    EXPECT_EQ(Main(), set ? kExitClockSet : kExitNoHostUsable);
    EXPECT_EQ(fake::hosts_asked, GetParam().asked);
    EXPECT_EQ(fake::icon_resources, Lines{u"A_MAIN"});
    ASSERT_EQ(fake::log_entries.size(), 1u);
    EXPECT_EQ(fake::log_entries[0].information, set);
    EXPECT_EQ(Messages(fake::log_entries[0].text).back(),
              set ? u"System time was updated successfully." : u"All tries were failed.");
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, CommandLine,
    ::testing::Values(
        // Blanks trimmed, runs of spaces cut, upper-cased; a tab is no separator.
        Run{"normalised",
            u"  alpha    Beta\tgamma  \\\\delta  ",
            {},
            {u"ALPHA", u"BETA\tGAMMA", u"\\\\DELTA"}},
        Run{"second of three", u"one two three", {u"TWO", u"THREE"}, {u"ONE", u"TWO"}},
        // Tokens that trim to nothing are skipped silently.
        Run{"blank tokens", std::u16string(u"\r \n \0 \r\n", 8), {}, {}},
        Run{"a blank token between", u"one \r two", {u"TWO"}, {u"ONE", u"TWO"}},
        // A host named twice is tried again only if it failed.
        Run{"twice, working", u"one one", {u"ONE"}, {u"ONE"}},
        Run{"twice, failing", u"one one", {}, {u"ONE", u"ONE"}}));

class SupportFailure : public Startup, public ::testing::WithParamInterface<const char*> {};

TEST_P(SupportFailure, EndsTheRunWithoutALogEntry) {
    const std::string operation = GetParam();
    fake::command_text = u"one two";
    if (operation != "vlLogError")
        Works(u"TWO");
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

INSTANTIATE_TEST_SUITE_P(Operations, SupportFailure,
                         ::testing::Values("vlRegisterAppPath", "vlIsInIDE",
                                           "vlGetThunderMainHandle", "vlSetWindowResIconAll",
                                           "vlTrimEx", "vlDestroyDoubleSpaces", "vlTrimEx2",
                                           "vlSystemTimeToStringTime2", "vlSystemTimeToStringDate2",
                                           "vlGetErrorNumber", "vlGetAPIErrorDescription",
                                           "vlSetPrivilegeForProcess", "vlTrimCRLF", "vlLogInfo",
                                           "vlLogError"));

}  // namespace
