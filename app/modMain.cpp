#include "modMain.h"

#include <string_view>

#include "platform.h"
#include "runlog.h"
#include "sync.h"
#include "version.h"
#include "vl.h"

int Main() {
    support::vlRegisterAppPath();
    platform::InitCommonControls();
    if (!support::vlIsInIDE()) {
        const support::WindowHandle window = support::vlGetThunderMainHandle();
        support::vlSetWindowResIconAll(window, u"A_MAIN");
    }

    std::u16string command = platform::CommandText();
    command = support::vlTrimEx(command);
    command = support::vlDestroyDoubleSpaces(command);
    command = platform::ToUpper(command);
    if (command.empty()) {
        ShowUsage();
        return kExitUsage;
    }
    // The conventions of a command-line tool, as the only word. No host is
    // named so: a DNS name cannot start with "-", nor hold "/".
    if (command == u"--HELP" || command == u"-H" || command == u"/?") {
        platform::ShowText(HelpText());
        return kExitClockSet;
    }
    if (command == u"--VERSION") {
        platform::ShowText(u"todsync " TODSYNC_VERSION_TEXT);
        return kExitClockSet;
    }
    // A dry run tries the hosts as a run does, but leaves the clock alone.
    constexpr std::u16string_view kDryRun = u"--DRY-RUN";
    const bool dry_run = command == kDryRun || command.starts_with(std::u16string(kDryRun) + u" ");
    if (dry_run) {
        command.erase(0, kDryRun.size());
        if (command.empty()) {
            ShowUsage();
            return kExitUsage;
        }
    }

    const std::vector<std::u16string> hostList = platform::Split(command, u" ");
    bool synced = false;
    for (const auto& element : hostList) {
        if (platform::StopSignal() != 0) {
            break;
        }
        const std::u16string host =
            support::vlTrimEx2(element, support::kTrimSpace | support::kTrimTab | support::kTrimCR |
                                            support::kTrimLF | support::kTrimNul);
        if (host.empty()) {
            continue;
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

void ShowUsage() {
    platform::ShowMessageBox(UsageLine(), platform::MessageIcon::kInformation, platform::kAppTitle);
}

std::u16string HelpText() {
    return UsageLine() +
           u"\n"
           u"Sets the system clock to the time of day of the first host that answers\n"
           u"(NetRemoteTOD), and logs each step as one entry.\n"
           u"  --dry-run HostName ...  try the hosts and log what would be set, without\n"
           u"                          setting the clock (exit status 0 when one answered)\n"
           u"  --help, -h              show this text\n"
           u"  --version               show the version";
}
