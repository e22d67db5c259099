#include "modMain.h"

#include <cstdint>
#include <optional>
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
enum class Word {
    kHost,
    kDryRun,
    kHelp,
    kVersion,
    kDomain,
    kPrecise,
    kMaxStep,
    kBadValue,
    kUnknownOption
};

// The largest --max-step, in seconds: some 31 years.
constexpr std::int64_t kMaxStepLimit = 999'999'999;

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

// "--max-step=3600": 3600, or 0 when what follows "=" is not a whole
// number of seconds from 1 to kMaxStepLimit.
std::int64_t MaxStep(std::u16string_view value) {
    std::int64_t seconds = 0;
    for (const char16_t c : value) {
        if (c < u'0' || c > u'9' || (seconds = seconds * 10 + (c - u'0')) > kMaxStepLimit) {
            return 0;
        }
    }
    return seconds;
}

// What `upper` (a word in upper case) is; *value is what an option with a
// value carries.
Word Classify(std::u16string_view upper, std::u16string* value) {
    const auto valued = [&](std::u16string_view name, std::u16string_view mark) {
        if (!upper.starts_with(name) || !upper.substr(name.size()).starts_with(mark)) {
            return false;
        }
        *value = upper.substr(name.size() + mark.size());
        return true;
    };
    if (upper == u"--DRY-RUN") {
        return Word::kDryRun;
    }
    if (upper == u"--PRECISE") {
        return Word::kPrecise;
    }
    // "net time" spells it /domain[:name] on Windows.
    if (upper == u"--DOMAIN" || (platform::kSlashAsksForHelp && upper == u"/DOMAIN")) {
        value->clear();
        return Word::kDomain;
    }
    if (valued(u"--DOMAIN", u"=") || (platform::kSlashAsksForHelp && valued(u"/DOMAIN", u":"))) {
        return value->empty() ? Word::kBadValue : Word::kDomain;
    }
    if (valued(u"--MAX-STEP", u"=")) {
        return MaxStep(*value) == 0 ? Word::kBadValue : Word::kMaxStep;
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
    SyncOptions options;
    bool help = false;
    bool version = false;
    std::optional<std::u16string> domain;
    std::vector<std::u16string> hostList;
    for (const auto& element : platform::Split(command, u" ")) {
        const std::u16string word = support::vlTrimEx2(
            WithoutQuotes(element), support::kTrimSpace | support::kTrimTab | support::kTrimCR |
                                        support::kTrimLF | support::kTrimNul);
        if (word.empty()) {
            continue;
        }
        const std::u16string upper = platform::ToUpper(word);
        std::u16string value;
        switch (Classify(upper, &value)) {
            case Word::kUnknownOption:
                ShowUsage(u"Unknown option: " + vltext::Visible(element) +
                          u". The options are --domain[=NAME], --dry-run, --precise, "
                          u"--max-step=SECONDS, --help and --version.");
                return kExitUsage;
            case Word::kBadValue:
                ShowUsage(u"Bad value: " + vltext::Visible(element) +
                          (upper.starts_with(u"--MAX-STEP")
                               ? u". --max-step= takes a whole number of seconds from 1 to "
                                 u"999999999."
                               : u". --domain= takes a domain name."));
                return kExitUsage;
            case Word::kDryRun:
                options.dry_run = true;
                break;
            case Word::kPrecise:
                options.precise = true;
                break;
            case Word::kDomain:
                // One domain a run: a second one, unless the same, is a
                // mistake that no order of trying could guess the meaning of.
                if (domain && *domain != value) {
                    ShowUsage(u"Two domains: " + vltext::Visible(element) +
                              u". Name one domain; further hosts as host names.");
                    return kExitUsage;
                }
                domain = value;
                break;
            case Word::kMaxStep: {
                const std::int64_t seconds = MaxStep(value);
                if (options.max_step_seconds != 0 && options.max_step_seconds != seconds) {
                    ShowUsage(u"Two limits: " + vltext::Visible(element) +
                              u". Give --max-step once.");
                    return kExitUsage;
                }
                options.max_step_seconds = seconds;
                break;
            }
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
    if (hostList.empty() && !domain) {
        ShowUsage();
        return kExitUsage;
    }
    // Only a run that tries hosts leaves a trace on the system.
    support::vlRegisterAppPath();

    // The domain's time server first, then the hosts in their order.
    bool synced = domain && SyncFromDomain(*domain, options);
    for (const auto& host : hostList) {
        if (synced || platform::StopSignal() != 0) {
            break;
        }
        if (SyncFromHost(host, options)) {
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
           u"Sets the system clock to the time of day of the first host whose time\n"
           u"can be used (NetRemoteTOD), and logs each step as one entry.\n"
           u"\n"
           u"Options, in any case and anywhere on the line:\n" +
           std::u16string(platform::kSlashAsksForHelp ? u"  --domain[=NAME], /domain[:NAME]\n"
                                                      : u"  --domain[=NAME]\n") +
           u"      first find a time server of this computer's domain, or of domain\n"
           u"      NAME, and try it; then the hosts named (no host needed)\n"
           u"  --precise\n"
           u"      ask each host until its time is known as well as its answers allow\n"
           u"      (up to 1.2 s more): to a few ms where they come back quickly\n"
           u"  --max-step=SECONDS\n"
           u"      leave the clock alone when a host's time is further from it than\n"
           u"      that, either way, and try the next host\n"
           u"  --dry-run\n"
           u"      try the hosts and log what would be set, but leave the clock alone\n"
           u"      (exit status 0 when a host's time would have been set)\n" +
           std::u16string(platform::kSlashAsksForHelp ? u"  --help, -h, /?\n" : u"  --help, -h\n") +
           u"      show this text\n"
           u"  --version\n"
           u"      show the version\n"
           u"Any other word that starts with a dash or a slash is refused, and\n"
           u"nothing is tried. Quote marks are no part of a word.";
}
