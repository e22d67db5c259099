// The application runtime on Linux.
#include "runtime.h"

#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <locale.h>
#include <signal.h>
#include <sys/capability.h>
#include <sys/prctl.h>
#include <time.h>
#include <unistd.h>
#include <wctype.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "civil.h"
#include "fetcher.h"
#include "logentry.h"
#include "platform.h"
#include "posix-io.h"
#include "stop.h"
#include "text.h"
#include "vestriosupport.h"
#include "vlruntime.h"

// The resources built into the executable.
extern "C" const vlpModule vlpExecutableModule;

namespace {

std::vector<std::string> arguments;
vlpWindow* main_window = nullptr;

// The process needs one capability, CAP_SYS_TIME, and only to set the clock:
// everything else that root (or a file capability) brings is given up before
// any input is read, and CAP_SYS_TIME itself stays out of the effective set
// until the clock is set. A run started by root also gives up uid 0: it
// goes on as the system user _todsync (as chronyd -u does), so that owner
// permission bits give it none of root's files. A step that fails ends the
// run: a privileged tool that cannot give up what it does not need must not
// go on.
void KeepOnlyTheClockCapability() {
    cap_t caps = cap_get_proc();
    if (caps == nullptr) {
        platform::Fatal(u"Reading the process's capabilities", errno);
    }
    cap_flag_value_t had_time = CAP_CLEAR;
    cap_flag_value_t setpcap = CAP_CLEAR;
    bool done = cap_get_flag(caps, CAP_SYS_TIME, CAP_PERMITTED, &had_time) == 0 &&
                cap_get_flag(caps, CAP_SETPCAP, CAP_EFFECTIVE, &setpcap) == 0 &&
                cap_clear(caps) == 0;
    if (done && had_time == CAP_SET) {
        const cap_value_t time[] = {CAP_SYS_TIME};
        done = cap_set_flag(caps, CAP_PERMITTED, 1, time, CAP_SET) == 0;
    }
    // The bounding set first, while CAP_SETPCAP is still effective. A
    // process without it cannot drop from that set, and no_new_privs below
    // keeps it from gaining anything there.
    for (cap_value_t c = 0; done && setpcap == CAP_SET && c <= CAP_LAST_CAP; ++c) {
        if (c != CAP_SYS_TIME && CAP_IS_SUPPORTED(c)) {
            done = prctl(PR_CAPBSET_DROP, c, 0, 0, 0) == 0;
        }
    }
    // Root's environment may name places only as the user who ran sudo
    // could; the user that the run becomes would otherwise own them.
    if (done && vlio::SudoUser() >= 0) {
        for (const char* name : {"VESTRIO_LOG_FILE", "XDG_STATE_HOME", "STATE_DIRECTORY"}) {
            unsetenv(name);
        }
    }
    // Without the user, the run stays uid 0, and the network helper is not
    // started (every host says so).
    if (const auto user = fetcher::StartedByRoot() ? fetcher::ServiceUser() : std::nullopt;
        done && user) {
        done = prctl(PR_SET_KEEPCAPS, 1, 0, 0, 0) == 0 && setgroups(0, nullptr) == 0 &&
               setresgid(user->gid, user->gid, user->gid) == 0 &&
               setresuid(user->uid, user->uid, user->uid) == 0 &&
               prctl(PR_SET_KEEPCAPS, 0, 0, 0, 0) == 0;
        uid_t real = 0, effective = 0, saved = 0;
        done = done && getresuid(&real, &effective, &saved) == 0 && real == user->uid &&
               effective == user->uid && saved == user->uid;
    }
    done = done && cap_set_proc(caps) == 0;
    cap_free(caps);
    done = done && prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) == 0 &&
           prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           // Not dumpable: no process of the same user (the network helper
           // among them) may ptrace this one or read its memory.
           prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0;
    if (!done) {
        platform::Fatal(u"Giving up privileges", errno);
    }
}

}  // namespace

namespace platform::posix {

void StartRuntime(int argc, char** argv) {
    // A closed standard stream would let the next open file take its place
    // and receive what is meant for the stream.
    for (int fd = 0; fd < 3; ++fd) {
        if (fcntl(fd, F_GETFD) == -1) {
            open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        }
    }
    // The network helper's launcher starts while the process may still
    // change user; then the process keeps only the clock capability.
    fetcher::Start();
    KeepOnlyTheClockCapability();
    CatchStopSignals();
    // A reader of standard error that goes away, or a file size limit that
    // standard error or the log file meets, must not end the run: the write
    // fails, and the run says so where it still can.
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
    arguments.assign(argv, argv + argc);
    main_window = vlpCreateWindow(VL_RUNTIME_MAIN_CLASS, &vlpExecutableModule);
}

void StopRuntime() {
    vlpDestroyWindow(main_window);
    main_window = nullptr;
}

}  // namespace platform::posix

namespace platform {

void InitCommonControls() {}

std::u16string CommandText() {
    std::string text;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (i > 1) {
            text += ' ';
        }
        text += arguments[i];
    }
    return vltext::FromUtf8(text);
}

std::u16string ToUpper(std::u16string_view text) {
    // The C.UTF-8 locale knows the case of every Unicode letter, whatever
    // locale the user runs under.
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() &&
                          text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        if (pair) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        char32_t upper = c;
        if (c >= 0xD800 && c <= 0xDFFF) {
            upper = c;  // an unpaired surrogate stays as it is
        } else if (utf8 != static_cast<locale_t>(0)) {
            upper = static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), utf8));
        } else if ((c >= u'a' && c <= u'z') ||
                   (c >= 0xE0 && c <= 0xFE && c != 0xF7)) {  // ASCII and Latin-1
            upper = c - 0x20;
        }
        if (upper >= 0x10000) {
            upper -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (upper >> 10));
            out += static_cast<char16_t>(0xDC00 + (upper & 0x3FF));
        } else {
            out += static_cast<char16_t>(upper);
        }
    }
    return out;
}

double LocalTimeAsOleDate() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    const std::int64_t days =
        civil::DaysFromCivil(local.tm_year + 1900L, local.tm_mon + 1, local.tm_mday) -
        civil::kOleEpochDays;
    // Whole milliseconds: the date texts show milliseconds, and a moment
    // between two of them must not round up to one that has not come yet.
    const long milliseconds =
        ((local.tm_hour * 60L + local.tm_min) * 60 + local.tm_sec) * 1000 + ts.tv_nsec / 1'000'000;
    const double fraction = static_cast<double>(milliseconds) / 86'400'000.0;
    // Before 1899-12-30 the fraction still counts forward from midnight.
    return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

std::u16string ExeBaseName() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    std::string name;
    if (n > 0 && static_cast<std::size_t>(n) < sizeof path) {
        name.assign(path, static_cast<std::size_t>(n));
    } else if (!arguments.empty()) {
        name = arguments[0];
    }
    return std::u16string(vllog::BaseName(vltext::FromUtf8(name)));
}

std::u16string UsageName() {
    return arguments.empty() ? ExeBaseName()
                             : std::u16string(vllog::BaseName(vltext::FromUtf8(arguments[0])));
}

void ShowText(std::u16string_view text) {
    const std::string bytes = vltext::ToUtf8(text) + "\n";
    [[maybe_unused]] const ssize_t n = write(STDOUT_FILENO, bytes.data(), bytes.size());
}

void ShowMessageBox(std::u16string_view text, MessageIcon /*icon*/, std::u16string_view caption) {
    vlio::WriteStderr(vltext::ToUtf8(caption) + ": " + vltext::ToUtf8(text) + "\n");
}

int StopSignal() {
    return posix::ReceivedStopSignal();
}

std::u16string SignalName(int signal) {
    switch (signal) {
        case SIGTERM:
            return u"SIGTERM";
        case SIGINT:
            return u"SIGINT";
        case SIGHUP:
            return u"SIGHUP";
        default: {
            std::u16string name = u"signal ";
            for (const char c : std::to_string(signal)) {
                name += static_cast<char16_t>(c);
            }
            return name;
        }
    }
}

void Fatal(std::u16string_view what, std::int32_t status) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(status));
    vlio::WriteStderr(vltext::ToUtf8(kAppTitle) + ": " + vltext::ToUtf8(what) + " failed (status " +
                      code + "); nothing was logged\n");
    std::_Exit(70);
}

}  // namespace platform
