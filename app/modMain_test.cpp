#include "modMain.h"

#include "fakes/fakes.h"
#include "helpers.h"
#include "runlog.h"
#include "text.h"

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
    const char16_t blank[] = u" \t\r \n \0 \r\n \"\" --dry-run";
    fake::command_text = std::u16string(blank, std::size(blank) - 1);
    fake::exe_base_name = u"TimeFromServer";
    EXPECT_EQ(Main(), kExitUsage);
    ASSERT_EQ(fake::message_boxes.size(), 1u);
    EXPECT_EQ(U8(fake::message_boxes[0].caption + u"|" + fake::message_boxes[0].text),
              "todsync|Usage: TimeFromServer[.EXE] HostName [HostName [HostName [...]]]");
    EXPECT_EQ(fake::message_boxes[0].icon, platform::MessageIcon::kInformation);
    EXPECT_TRUE(fake::hosts_asked.empty() && fake::log_entries.empty());
}

// Options count anywhere, in any case; help and version leave no trace.
TEST_F(Startup, OptionsAnywhereAndInAnyCase) {
    const bool slash = platform::kSlashAsksForHelp;
    for (const auto& [line, shown] : std::vector<std::pair<const char16_t*, const char16_t*>>{
             {u"-h", u"Usage: todsync[.EXE] HostName"},
             {u"HOST --HeLp", u"Usage: "},
             {u"\"--help\"", u"Usage: "},
             {u"a --VERSION", u"todsync 1."},
             {u"/?", slash ? u"Usage: " : nullptr}}) {
        fake::ResetAll();
        fake::fail_operation = "vlRegisterAppPath";  // a trace would end the run
        fake::command_text = line;
        EXPECT_EQ(Main(), shown ? kExitClockSet : kExitUsage) << U8(line);
        EXPECT_TRUE(!shown ||
                    (fake::shown_texts.size() == 1 && fake::shown_texts[0].starts_with(shown)));
        EXPECT_TRUE(fake::hosts_asked.empty() && fake::log_entries.empty());
    }
    for (const char16_t* line :
         {u"--dry-run a b", u"a --DRY-RUN b", u"a b \"--dry-run\"", u"\u201C--dry-run\u201D a b"}) {
        fake::ResetAll();
        fake::command_text = line;
        Works(u"A");
        EXPECT_EQ(Main(), kExitClockSet) << U8(line);
        EXPECT_EQ(fake::hosts_asked, Lines{u"A"});
        EXPECT_TRUE(fake::clock_set.empty());
        ASSERT_EQ(fake::log_entries.size(), 1u);
        EXPECT_TRUE(fake::log_entries[0].information);
        EXPECT_EQ(Messages(fake::log_entries[0].text).back(), u"Dry run: the clock was not set.");
    }
    fake::ResetAll();
    fake::command_text = u"a b";
    fake::stop_signal = 15;
    EXPECT_EQ(Main(), kExitSignalBase + 15);
    EXPECT_TRUE(fake::hosts_asked.empty());
    ASSERT_EQ(fake::log_entries.size(), 1u);
    EXPECT_EQ(Messages(fake::log_entries[0].text), Lines{u"The run was ended by SIGTERM."});
}

// A word that only looks like an option is named; a bad value, or an option
// given twice that disagrees with itself, is said; and no host is asked.
TEST_F(Startup, WordsThatAreNoOptionStopTheRunBeforeAnyHost) {
    std::vector<std::pair<std::u16string, std::u16string>> cases{
        {u"--max-step=0", u"Bad value: --max-step=0. "},
        {u"--max-step=-5", u"Bad value: "},
        {u"--max-step=1e3", u"Bad value: "},
        {u"--max-step=1000000000", u"Bad value: "},
        {u"--max-step=", u"Bad value: "},
        {u"--domain=", u"Bad value: --domain=. "},
        {u"--max-step=10 --MAX-STEP=20", u"Two limits: --MAX-STEP=20. "},
        {u"--domain=x --domain=y", u"Two domains: --domain=y. "},
        {u"--domain --domain=x", u"Two domains: "}};
    for (const char16_t* word :
         {u"--dryrun", u"--dry-run=yes", u"/dry-run", u"\u2013dry-run", u"\u2014dry-run",
          u"--dry-run\tHOST", u"\u2212h", u"-", u"--", u"--dry-runx", u"'--dry_run'",
          u"\u200B\u00A0--dry-run", u"\uFF0D-help", u"\\\\--dry-run", u"--precis", u"--max-step",
          u"--domain:TOD", u"--precise=yes"}) {
        cases.emplace_back(word, u"Unknown option: " + vltext::Visible(word) + u". The options ");
    }
    for (const auto& [line, problem] : cases) {
        fake::ResetAll();
        fake::fail_operation = "vlRegisterAppPath";
        fake::command_text = u"working " + line + u" working";
        Works(u"WORKING");
        EXPECT_EQ(Main(), kExitUsage) << U8(line);
        ASSERT_EQ(fake::message_boxes.size(), 1u);
        const std::u16string& text = fake::message_boxes[0].text;
        EXPECT_TRUE(text.starts_with(problem) && text.find(u"\nUsage: ") != text.npos) << U8(text);
        EXPECT_TRUE(fake::hosts_asked.empty() && fake::log_entries.empty() &&
                    fake::clock_set.empty());
    }
}

// The domain's time server is tried first, then the hosts, each with the
// options of the line; a domain alone is a run.
TEST_F(Startup, ADomainComesBeforeTheHostsAndTheOptionsReachEveryTry) {
    const std::u16string domain =
        platform::kSlashAsksForHelp ? u"/Domain:tod.test" : u"--Domain=tod.test";
    fake::ScriptDomain(
        u"TOD.TEST", {{platform::TimeServer{u"\\\\dc1", u"tod.test", platform::kDsTimeservFlag}}});
    fake::Script(u"DC1", {0, fake::Record(2030, 7, 3, 9, 5, 9, 12)});
    Works(u"B");
    fake::command_text = u"b --max-step=60 " + domain + u" --precise";
    EXPECT_EQ(Main(), kExitClockSet);
    EXPECT_EQ(fake::hosts_asked, (Lines{u"DC1", u"DC1", u"B"}));
    EXPECT_EQ(Messages(fake::log_entries.at(0).text)[0],
              u"Asking domain TOD.TEST for its time server.");

    fake::ResetAll();
    fake::command_text = u"--domain";  // a domain alone is a run
    EXPECT_EQ(Main(), kExitNoHostUsable);
    EXPECT_EQ(Messages(fake::log_entries.at(0).text).size(), 3u);
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
