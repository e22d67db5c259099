#include "modMain.h"

#include "platform.h"
#include "runlog.h"
#include "sync.h"
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
        if (SyncFromHost(host)) {
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

void ShowUsage() {
    platform::ShowMessageBox(
        u"Usage: " + platform::ExeBaseName() + u"[.EXE] HostName [HostName [HostName [...]]]",
        platform::MessageIcon::kInformation, platform::kAppTitle);
}
