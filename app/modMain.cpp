#include "modMain.h"

#include <string_view>

#include "platform.h"
#include "runlog.h"
#include "sync.h"
#include "text.h"
#include "version.h"
#include "vl.h"

namespace {

// What a word of the command line is. Options are recognised in any case and
// wherever they stand; a word that only looks like one is refused, so that a
// mistyped "--dry-run" can never be taken for a host and set the clock.
enum class Word { kHost, kDryRun, kHelp, kVersion, kUnknownOption };

// Quote marks, straight or typographic (a word pasted from a document), are
// no part of a word: no host name holds one.
bool IsQuote(char16_t c) {
    return c == u'"' || c == u'\'' || c == 0xAB || c == 0xBB || (c >= 0x2018 && c <= 0x201F) ||
           c == 0x2039 || c == 0x203A || c == 0xFF02 || c == 0xFF07;
}

std::u16string WithoutQuotes(std::u16string_view word) {
    std::u16string out;
    for (const char16_t c : word) {
        if (!IsQuote(c)) {
            out += c;
        }
    }
    return out;
}

// A dash of any kind (the en and em dashes a document makes of "--", the
// minus sign) or a slash, Windows' option mark.
bool IsOptionMark(char16_t c) {
    return c == u'-' || c == u'/' || (c >= 0x2010 && c <= 0x2015) || c == 0x2212 || c == 0xFE58 ||
           c == 0xFE63 || c == 0xFF0D || c == 0xFF0F;
}

// True when the first character of `word` that shows is an option mark:
// what a reader cannot see does not make a host name of an option, nor do
// the backslashes of "\\server" or of an escaped quote.
bool LooksLikeOption(std::u16string_view word) {
    for (const char16_t c : word) {
        if (IsOptionMark(c)) {
            return true;
        }
        const bool unseen =
            c == u'\\' || c == 0xA0 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x3000;
        if (!unseen && !vltext::IsControl(c) && (c < 0xD800 || c > 0xDFFF)) {
            return false;
        }
    }
    return false;
}

Word Classify(std::u16string_view upper) {
    if (upper == u"--DRY-RUN") {
        return Word::kDryRun;
    }
    if (upper == u"--HELP" || upper == u"-H" || (platform::kSlashAsksForHelp && upper == u"/?")) {
        return Word::kHelp;
    }
    if (upper == u"--VERSION") {
        return Word::kVersion;
    }
    return LooksLikeOption(upper) ? Word::kUnknownOption : Word::kHost;
}

}  // namespace

int Main() {
    platform::InitCommonControls();
    if (!support::vlIsInIDE()) {
        const support::WindowHandle window = support::vlGetThunderMainHandle();
        support::vlSetWindowResIconAll(window, u"A_MAIN");
    }

    std::u16string command = platform::CommandText();
    command = support::vlTrimEx(command);
    command = support::vlDestroyDoubleSpaces(command);

    // The whole line is read before anything is done: an option anywhere
    // counts, and a word that is neither an option nor a host name stops
    // the run before a host is asked.
    bool dry_run = false;
    bool help = false;
    bool version = false;
    std::vector<std::u16string> hostList;
    for (const auto& element : platform::Split(command, u" ")) {
        const std::u16string word = support::vlTrimEx2(
            WithoutQuotes(element), support::kTrimSpace | support::kTrimTab | support::kTrimCR |
                                        support::kTrimLF | support::kTrimNul);
        if (word.empty()) {
            continue;
        }
        const std::u16string upper = platform::ToUpper(word);
        switch (Classify(upper)) {
            case Word::kUnknownOption:
                ShowUsage(u"Unknown option: " + vltext::Visible(element) +
                          u". The options are --dry-run, --help and --version.");
                return kExitUsage;
            case Word::kDryRun:
                dry_run = true;
                break;
            case Word::kHelp:
                help = true;
                break;
            case Word::kVersion:
                version = true;
                break;
            case Word::kHost:
                hostList.push_back(upper);
                break;
        }
    }
    if (help) {
        platform::ShowText(HelpText());
        return kExitClockSet;
    }
    if (version) {
        platform::ShowText(u"todsync " TODSYNC_VERSION_TEXT);
        return kExitClockSet;
    }
    // A line of blanks alone, or options alone, names no host.
    if (hostList.empty()) {
        ShowUsage();
        return kExitUsage;
    }
    // Only a run that tries hosts leaves a trace on the system.
    support::vlRegisterAppPath();

    bool synced = false;
    for (const auto& host : hostList) {
        if (platform::StopSignal() != 0) {
            break;
        }
        if (SyncFromHost(host, dry_run)) {
            synced = true;
            break;
        }
    }
    // A stop signal (a service manager's stop, Ctrl-C) ends the run, but
    // what was learnt so far is still written.
    if (const int signal = platform::StopSignal(); signal != 0) {
        AddLog(u"The run was ended by " + platform::SignalName(signal) + u".");
        FlushLog(synced);
        return kExitSignalBase + signal;
    }
    if (!synced) {
        AddLog(u"All tries were failed.");
    }
    FlushLog(synced);
    return synced ? kExitClockSet : kExitNoHostUsable;
}

namespace {

std::u16string UsageLine() {
    return u"Usage: " + platform::UsageName() + u" HostName [HostName [HostName [...]]]";
}

}  // namespace

void ShowUsage(std::u16string_view problem) {
    std::u16string text = UsageLine();
    if (!problem.empty()) {
        text = std::u16string(problem) + u"\n" + text;
    }
    platform::ShowMessageBox(text, platform::MessageIcon::kInformation, platform::kAppTitle);
}

std::u16string HelpText() {
    // No columns: a message box's font is proportional.
    return UsageLine() +
           u"\n"
           u"Sets the system clock to the time of day of the first host that answers\n"
           u"(NetRemoteTOD), and logs each step as one entry.\n"
           u"\n"
           u"Options, in any case and anywhere on the line:\n"
           u"  --dry-run\n"
           u"      try the hosts and log what would be set, but leave the clock alone\n"
           u"      (exit status 0 when a host answered)\n" +
           std::u16string(platform::kSlashAsksForHelp ? u"  --help, -h, /?\n" : u"  --help, -h\n") +
           u"      show this text\n"
           u"  --version\n"
           u"      show the version\n"
           u"Any other word that starts with a dash or a slash is refused, and\n"
           u"nothing is tried. Quote marks are no part of a word.";
}
