// Everything todsync needs from the operating system and the application
// runtime. The program's own logic (app/, log/, sync/) sees only this header;
// platform/posix/ and platform/win32/ implement it, and tests link their own
// versions of the pieces they replace.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "estimate.h"

namespace platform {

// The remote time of day as NetRemoteTOD hands it back: twelve 32-bit fields
// in the platform's order. The time fields are UTC.
struct TIME_OF_DAY_INFO {
    std::uint32_t tod_elapsedt;
    std::uint32_t tod_msecs;
    std::uint32_t tod_hours;
    std::uint32_t tod_mins;
    std::uint32_t tod_secs;
    std::uint32_t tod_hunds;
    std::int32_t tod_timezone;
    std::uint32_t tod_tinterval;
    std::uint32_t tod_day;
    std::uint32_t tod_month;
    std::uint32_t tod_year;
    std::uint32_t tod_weekday;
};
static_assert(sizeof(TIME_OF_DAY_INFO) == 48);

// A clock time, always UTC here.
struct SYSTEMTIME {
    std::uint16_t wYear;
    std::uint16_t wMonth;
    std::uint16_t wDayOfWeek;
    std::uint16_t wDay;
    std::uint16_t wHour;
    std::uint16_t wMinute;
    std::uint16_t wSecond;
    std::uint16_t wMilliseconds;
};
static_assert(sizeof(SYSTEMTIME) == 16);

// --- Network management -------------------------------------------------

// Asks `server` for its time of day. 0 means success; then *buffer holds one
// TIME_OF_DAY_INFO, or is null. Any other value is a Windows network or
// system error code. Blocks for as long as the network takes.
std::uint32_t NetRemoteTOD(std::u16string_view server, std::uint8_t** buffer);

// Releases a buffer that NetRemoteTOD handed back.
void NetApiBufferFree(void* buffer);

// NetRemoteTOD, asked again and again as estimate::Measure says (within
// the host's one deadline). On success *buffer holds the record of the
// answer used, and, when *estimated, *time tells the host's time at an
// instant of MonotonicMicroseconds().
std::uint32_t NetRemoteTODPrecise(std::u16string_view server, std::uint8_t** buffer,
                                  estimate::Estimate* time, bool* estimated);

// A domain controller that serves the time, as DsGetDcName found it.
struct TimeServer {
    std::u16string name;    // "\\dc1.tod.test"
    std::u16string domain;  // the domain's DNS name, as the controller gave it
    std::uint32_t flags;    // DsGetDcName's DS_*_FLAG bits
};

// DsGetDcName's flags that todsync asks with and reads.
inline constexpr std::uint32_t kDsForceRediscovery = 0x1;
inline constexpr std::uint32_t kDsPdcRequired = 0x80;
inline constexpr std::uint32_t kDsTimeservRequired = 0x800;
inline constexpr std::uint32_t kDsGoodTimeservPreferred = 0x2000;
inline constexpr std::uint32_t kDsReturnDnsName = 0x40000000;
inline constexpr std::uint32_t kDsPdcFlag = 0x1;
inline constexpr std::uint32_t kDsTimeservFlag = 0x40;
inline constexpr std::uint32_t kDsGoodTimeservFlag = 0x200;

// DsGetDcName for `domain` (empty: this computer's own) with `flags`.
// Returns a Windows error code, 0 for success with *found filled.
std::uint32_t DsGetDcName(std::u16string_view domain, std::uint32_t flags, TimeServer* found);

// --- Kernel ------------------------------------------------------------

// The current time in UTC.
void GetSystemTime(SYSTEMTIME* time);

// Sets the system clock to `time` (UTC). Accepts only what Windows accepts:
// year 1601 to 30827, month 1 to 12, a day within that month, hour 0 to 23,
// minute and second 0 to 59, milliseconds 0 to 999; wDayOfWeek is ignored.
// Returns false, with the clock untouched, on anything else or when the
// process may not set the clock.
bool SetSystemTime(const SYSTEMTIME& time);

// True when `time` is a clock time that SetSystemTime would accept.
bool IsValidSystemTime(const SYSTEMTIME& time);

// A clock that only goes forward, in microseconds, the same in every
// process of the machine (Linux: CLOCK_MONOTONIC).
std::int64_t MonotonicMicroseconds();

// --- Common controls ------------------------------------------------------

void InitCommonControls();

// --- Application runtime -----------------------------------------------

// The application title: the usage box's caption and the prefix of fatal
// error messages.
inline constexpr std::u16string_view kAppTitle = u"todsync";

// Whether "/?" asks for help, as it does of Windows' own programs.
#ifdef _WIN32
inline constexpr bool kSlashAsksForHelp = true;
#else
inline constexpr bool kSlashAsksForHelp = false;
#endif

// The icon of a message box (Windows' MB_ICON* values); the box has one OK
// button.
enum class MessageIcon : unsigned { kInformation = 0x40 };

// Everything after the program's own name on its command line, as one
// string: not split, no quote handling.
std::u16string CommandText();

// The whole string in upper case, one character for one, whatever the
// user's locale.
std::u16string ToUpper(std::u16string_view text);

// `text` cut at every occurrence of `delimiter`: n occurrences give n + 1
// pieces, empty ones included.
std::vector<std::u16string> Split(std::u16string_view text, std::u16string_view delimiter);

// The current local date and time as an OLE Automation date: days since
// 1899-12-30 00:00, the fraction being the time of day.
double LocalTimeAsOleDate();

// The running executable's file name without directory and extension.
std::u16string ExeBaseName();

// The program's name in its usage line: on Windows the file name and
// "[.EXE]", on Linux the name it was run by.
std::u16string UsageName();

// Shows a text the user asked for (--help, --version): on standard output
// on Linux, in a message box with the information icon on Windows.
void ShowText(std::u16string_view text);

// A modal message box; the button pressed is not reported.
void ShowMessageBox(std::u16string_view text, MessageIcon icon, std::u16string_view caption);

// The stop signal (SIGTERM, SIGINT, SIGHUP) that has arrived, or 0. The
// run then stops trying hosts and writes its entry. Always 0 on Windows.
int StopSignal();

// The name of signal `signal` ("SIGTERM").
std::u16string SignalName(int signal);

// Reports an error that the program cannot go on from and ends the process at once
// with exit status 70, without writing the run log.
[[noreturn]] void Fatal(std::u16string_view what, std::int32_t status);

}  // namespace platform
