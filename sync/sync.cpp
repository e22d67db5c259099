#include "sync.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "civil.h"
#include "estimate.h"
#include "runlog.h"
#include "text.h"
#include "vl.h"

namespace {

constexpr std::uint32_t kInvalidName = 123;    // ERROR_INVALID_NAME
constexpr std::uint32_t kNoSuchDomain = 1355;  // ERROR_NO_SUCH_DOMAIN

// Each field of the remote record is read as a signed 32-bit number.
std::int32_t Signed(std::uint32_t field) {
    return static_cast<std::int32_t>(field);
}

// `value` in decimal, zero-padded to `digits`.
std::u16string Padded(std::int32_t value, int digits) {
    std::u16string text;
    vltext::AppendPadded(text, value, digits);
    return text;
}

std::u16string Plain(std::int32_t value) {
    return Padded(value, 1);
}

std::u16string ReportLine(std::u16string_view label, std::int32_t day, std::int32_t month,
                          std::int32_t year, std::int32_t hour, std::int32_t minute,
                          std::int32_t second, std::int32_t fraction) {
    return std::u16string(label) + Plain(day) + u"." + Padded(month, 2) + u"." + Padded(year, 4) +
           u" " + Plain(hour) + u":" + Padded(minute, 2) + u":" + Padded(second, 2) + u"." +
           Plain(fraction);
}

bool Narrow(std::int32_t value, std::int16_t* narrowed) {
    if (value < std::numeric_limits<std::int16_t>::min() ||
        value > std::numeric_limits<std::int16_t>::max()) {
        return false;
    }
    *narrowed = static_cast<std::int16_t>(value);
    return true;
}

}  // namespace

std::u16string TimeReport(const platform::SYSTEMTIME& local,
                          const platform::TIME_OF_DAY_INFO& remote) {
    return ReportLine(u"Local date & time:  ", local.wDay, local.wMonth, local.wYear, local.wHour,
                      local.wMinute, local.wSecond, local.wMilliseconds) +
           u"\r\n" +
           ReportLine(u"Remote date & time: ", Signed(remote.tod_day), Signed(remote.tod_month),
                      Signed(remote.tod_year), Signed(remote.tod_hours), Signed(remote.tod_mins),
                      Signed(remote.tod_secs), Signed(remote.tod_hunds)) +
           u"\r\n" + u"Please note both times are in UTC format.";
}

bool NewClockTime(const platform::TIME_OF_DAY_INFO& remote, platform::SYSTEMTIME* time) {
    std::int16_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, hundredths = 0;
    std::int16_t milliseconds = 0;
    if (!Narrow(Signed(remote.tod_year), &year) || !Narrow(Signed(remote.tod_month), &month) ||
        !Narrow(Signed(remote.tod_day), &day) || !Narrow(Signed(remote.tod_hours), &hour) ||
        !Narrow(Signed(remote.tod_mins), &minute) || !Narrow(Signed(remote.tod_secs), &second) ||
        !Narrow(Signed(remote.tod_hunds), &hundredths) ||
        !Narrow(std::int32_t{hundredths} * 10, &milliseconds)) {
        return false;
    }
    // The 16-bit fields take the narrowed values' bits, as the platform's
    // record does; SetSystemTime rejects what is not a clock time.
    *time = {static_cast<std::uint16_t>(year),
             static_cast<std::uint16_t>(month),
             0,
             static_cast<std::uint16_t>(day),
             static_cast<std::uint16_t>(hour),
             static_cast<std::uint16_t>(minute),
             static_cast<std::uint16_t>(second),
             static_cast<std::uint16_t>(milliseconds)};
    return true;
}

namespace {

std::int64_t Milliseconds(const platform::SYSTEMTIME& t) {
    const std::int64_t days = civil::DaysFromCivil(t.wYear, t.wMonth, t.wDay);
    return ((days * 24 + t.wHour) * 60 + t.wMinute) * 60'000 + t.wSecond * 1000 + t.wMilliseconds;
}

// "+2.075" for 2075 ms, "-0.035" for -35.
std::u16string SignedSeconds(std::int64_t milliseconds) {
    const std::uint64_t magnitude = milliseconds < 0 ? 0u - static_cast<std::uint64_t>(milliseconds)
                                                     : static_cast<std::uint64_t>(milliseconds);
    std::u16string text = milliseconds < 0 ? u"-" : u"+";
    vltext::AppendPadded(text, static_cast<std::int64_t>(magnitude / 1000), 1);
    text += u'.';
    vltext::AppendPadded(text, static_cast<std::int64_t>(magnitude % 1000), 3);
    return text;
}

// "2.1 ms" for 2140 µs.
std::u16string Millis(std::int64_t microseconds) {
    std::u16string text;
    vltext::AppendPadded(text, microseconds / 1000, 1);
    text += u'.';
    vltext::AppendPadded(text, microseconds % 1000 / 100, 1);
    return text + u" ms";
}

std::u16string Count(std::uint32_t n, std::u16string_view one, std::u16string_view many) {
    std::u16string text;
    vltext::AppendPadded(text, n, 1);
    return text + u" " + std::u16string(n == 1 ? one : many);
}

// The clock time that `time` estimates at monotonic instant `at`, to the
// nearest millisecond; false when it is no clock time.
bool EstimatedTime(const estimate::Estimate& time, std::int64_t at, platform::SYSTEMTIME* wanted) {
    const std::int64_t us = time.remote_us + (at - time.at_us);
    const std::int64_t ms = us / 1000 + (us % 1000 >= 500 ? 1 : 0);
    const std::int64_t days = ms / 86'400'000;
    const std::int64_t of_day = ms % 86'400'000;
    if (us < 0 || days > civil::DaysFromCivil(30827, 12, 31)) {
        return false;
    }
    const civil::Date date = civil::CivilFromDays(days);
    *wanted = {static_cast<std::uint16_t>(date.year),
               static_cast<std::uint16_t>(date.month),
               0,
               static_cast<std::uint16_t>(date.day),
               static_cast<std::uint16_t>(of_day / 3'600'000),
               static_cast<std::uint16_t>(of_day / 60'000 % 60),
               static_cast<std::uint16_t>(of_day / 1000 % 60),
               static_cast<std::uint16_t>(of_day % 1000)};
    return platform::IsValidSystemTime(*wanted);
}

std::u16string EstimateLine(const estimate::Estimate& time) {
    const std::u16string tries = Count(time.tries, u"try", u"tries");
    switch (time.method) {
        case estimate::Method::kHundredths:
            return u"Estimate: the hundredths of the answer with the shortest round trip (" +
                   Millis(time.round_trip_us) + u", of " + tries +
                   u"), and half of that round trip.";
        case estimate::Method::kEdge:
            return u"Estimate: the remote second began between two answers " +
                   Millis(time.spread_us) + u" apart (round trip " + Millis(time.round_trip_us) +
                   u", " + tries + u").";
        case estimate::Method::kNoEdge:
            break;
    }
    return u"Estimate: the remote second did not change while it was asked (" + tries +
           u", round trip " + Millis(time.round_trip_us) + u"); its middle was taken.";
}

// "NetRemoteTOD() failed. Error 53: The network path was not found."
void LogFailure(std::u16string_view call, std::uint32_t status) {
    const auto code = static_cast<std::int32_t>(status);
    AddLog(std::u16string(call) + u"() failed. Error " + support::vlGetErrorNumber(code) + u": " +
           support::vlGetAPIErrorDescription(code));
}

}  // namespace

std::u16string StepLine(std::int64_t milliseconds) {
    return u"Step: " + SignedSeconds(milliseconds) + u" s (remote time minus local time).";
}

bool SyncFromHost(const std::u16string& host, const SyncOptions& options, bool* usable) {
    if (usable != nullptr) {
        *usable = false;
    }
    // The name is logged as it was given, but a control or an invisible
    // character in it (a line break, a terminal escape, a zero-width space)
    // is shown, never obeyed or passed on: such a name could forge lines of
    // the log or pass for another, and no host has one.
    const bool has_control = !vltext::IsVisible(host);
    AddLog(u"Trying machine " + vltext::Visible(host) + u".");

    std::uint8_t* buffer = nullptr;
    estimate::Estimate estimated_time{};
    bool estimated = false;
    std::uint32_t status = kInvalidName;
    if (!has_control) {
        status = options.precise
                     ? platform::NetRemoteTODPrecise(host, &buffer, &estimated_time, &estimated)
                     : platform::NetRemoteTOD(host, &buffer);
    }
    if (status != 0) {
        LogFailure(u"NetRemoteTOD", status);
        return false;
    }
    if (buffer == nullptr) {
        AddLog(u"NetRemoteTOD() returns NULL pointer.");
        return false;
    }
    platform::TIME_OF_DAY_INFO remote;
    std::memcpy(&remote, buffer, sizeof remote);
    platform::NetApiBufferFree(buffer);

    platform::SYSTEMTIME local{};
    platform::GetSystemTime(&local);
    const std::int64_t local_at = platform::MonotonicMicroseconds();
    AddLog(TimeReport(local, remote));
    platform::SYSTEMTIME wanted{};
    bool narrowed = NewClockTime(remote, &wanted);
    // An estimate refines a record that is a clock time, never stands for
    // one that is not.
    estimated = estimated && narrowed && platform::IsValidSystemTime(wanted);
    if (estimated) {
        narrowed = EstimatedTime(estimated_time, local_at, &wanted);
    }
    const bool valid = narrowed && platform::IsValidSystemTime(wanted);
    const std::int64_t step = valid ? Milliseconds(wanted) - Milliseconds(local) : 0;
    if (valid) {
        AddLog(StepLine(step));
    }
    if (estimated) {
        AddLog(EstimateLine(estimated_time));
    }
    const std::int64_t limit = options.max_step_seconds * 1000;
    if (valid && limit > 0 && (step > limit || step < -limit)) {
        std::u16string seconds;
        vltext::AppendPadded(seconds, options.max_step_seconds, 1);
        AddLog(u"The step of " + SignedSeconds(step) + u" s is larger than the limit of " +
               seconds + u" s; the clock was not set.");
        return false;
    }
    if (usable != nullptr) {
        *usable = valid;
    }
    if (options.dry_run) {
        AddLog(valid ? u"Dry run: the clock was not set."
                     : u"NetRemoteTOD() returned an invalid time.");
        return valid;
    }

    if (!support::vlSetPrivilegeForProcess(u"SeSystemtimePrivilege", true)) {
        AddLog(u"Failed to set SE_SYSTEMTIME_NAME privilege.");
    }

    if (!narrowed) {
        // The privilege goes back to where it was: no clock is set.
        support::vlSetPrivilegeForProcess(u"SeSystemtimePrivilege", false);
        AddLog(u"NetRemoteTOD() returned an invalid time.");
        return false;
    }
    // The estimate is of the host's time now, as the clock is set.
    if (estimated && !EstimatedTime(estimated_time, platform::MonotonicMicroseconds(), &wanted)) {
        support::vlSetPrivilegeForProcess(u"SeSystemtimePrivilege", false);
        AddLog(u"NetRemoteTOD() returned an invalid time.");
        return false;
    }
    if (!platform::SetSystemTime(wanted)) {
        AddLog(u"SetSystemTime() failed.");
        return false;
    }
    AddLog(u"System time was updated successfully.");
    return true;
}

namespace {

// The name of a time server as a host to try: without the leading
// backslashes, in upper case as names on the command line are.
std::u16string HostName(std::u16string_view name) {
    while (!name.empty() && name.front() == u'\\') {
        name.remove_prefix(1);
    }
    return platform::ToUpper(name);
}

// Finds a time server of `domain`: one that advertises the time service,
// a reliable one when there is one; where none does (Samba's "time server"
// setting is off by default), the PDC emulator, as Windows' time service
// falls back to it. `extra` are further DsGetDcName flags.
bool FindTimeServer(const std::u16string& domain, std::u16string_view named, std::uint32_t extra,
                    platform::TimeServer* server) {
    const std::uint32_t flags = platform::kDsReturnDnsName | extra;
    std::uint32_t status = platform::DsGetDcName(
        domain, flags | platform::kDsTimeservRequired | platform::kDsGoodTimeservPreferred, server);
    const bool pdc = status == kNoSuchDomain;
    if (pdc) {
        status = platform::DsGetDcName(domain, flags | platform::kDsPdcRequired, server);
    }
    if (status != 0) {
        LogFailure(u"DsGetDcName", status);
        return false;
    }
    const std::u16string name = vltext::Visible(HostName(server->name));
    const std::u16string of = server->domain.empty() ? std::u16string(named)
                                                     : u"domain " + vltext::Visible(server->domain);
    if (pdc) {
        AddLog(u"No controller of " + of +
               u" advertises the time service; found its PDC "
               u"emulator, " +
               name + u".");
    } else if ((server->flags & platform::kDsGoodTimeservFlag) != 0) {
        AddLog(u"Found " + name + u", a reliable time server of " + of + u".");
    } else {
        AddLog(u"Found " + name + u", a time server of " + of + u".");
    }
    return true;
}

}  // namespace

bool SyncFromDomain(const std::u16string& domain, const SyncOptions& options) {
    const std::u16string named =
        domain.empty() ? u"this computer's domain" : u"domain " + vltext::Visible(domain);
    AddLog(u"Asking " + named + u" for its time server.");
    if (!vltext::IsVisible(domain)) {
        LogFailure(u"DsGetDcName", kInvalidName);
        return false;
    }
    platform::TimeServer server;
    if (!FindTimeServer(domain, named, 0, &server)) {
        return false;
    }
    // A server that answered with a time to set failed for this machine's
    // own reasons (the privilege, the clock): another would fare no better.
    bool usable = false;
    if (SyncFromHost(HostName(server.name), options, &usable)) {
        return true;
    }
    if (usable || platform::StopSignal() != 0) {
        return false;
    }
    AddLog(u"Asking " + named + u" again, for another time server.");
    return FindTimeServer(domain, named, platform::kDsForceRediscovery, &server) &&
           SyncFromHost(HostName(server.name), options);
}
