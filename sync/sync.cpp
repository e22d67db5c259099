#include "sync.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "civil.h"
#include "runlog.h"
#include "text.h"
#include "vl.h"

namespace {

constexpr std::uint32_t kInvalidName = 123;  // ERROR_INVALID_NAME

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

}  // namespace

std::u16string StepLine(std::int64_t milliseconds) {
    const std::uint64_t magnitude = milliseconds < 0 ? 0u - static_cast<std::uint64_t>(milliseconds)
                                                     : static_cast<std::uint64_t>(milliseconds);
    std::u16string text = milliseconds < 0 ? u"Step: -" : u"Step: +";
    vltext::AppendPadded(text, static_cast<std::int64_t>(magnitude / 1000), 1);
    text += u'.';
    vltext::AppendPadded(text, static_cast<std::int64_t>(magnitude % 1000), 3);
    return text + u" s (remote time minus local time).";
}

bool SyncFromHost(const std::u16string& host, bool dry_run) {
    // The name is logged as it was given, but a control or an invisible
    // character in it (a line break, a terminal escape, a zero-width space)
    // is shown, never obeyed or passed on: such a name could forge lines of
    // the log or pass for another, and no host has one.
    const bool has_control = !vltext::IsVisible(host);
    AddLog(u"Trying machine " + vltext::Visible(host) + u".");

    std::uint8_t* buffer = nullptr;
    const std::uint32_t status = has_control ? kInvalidName : platform::NetRemoteTOD(host, &buffer);
    if (status != 0) {
        const auto code = static_cast<std::int32_t>(status);
        const std::u16string number = support::vlGetErrorNumber(code);
        const std::u16string description = support::vlGetAPIErrorDescription(code);
        AddLog(u"NetRemoteTOD() failed. Error " + number + u": " + description);
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
    AddLog(TimeReport(local, remote));
    platform::SYSTEMTIME wanted{};
    const bool narrowed = NewClockTime(remote, &wanted);
    const bool valid = narrowed && platform::IsValidSystemTime(wanted);
    if (valid) {
        AddLog(StepLine(Milliseconds(wanted) - Milliseconds(local)));
    }
    if (dry_run) {
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
    if (!platform::SetSystemTime(wanted)) {
        AddLog(u"SetSystemTime() failed.");
        return false;
    }
    AddLog(u"System time was updated successfully.");
    return true;
}
