// The system clock on Linux.
#include <time.h>

#include "platform/civil.h"
#include "platform/platform.h"

namespace platform {

void GetSystemTime(SYSTEMTIME* time) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::int64_t days = now.tv_sec / 86400;
    std::int64_t seconds = now.tv_sec % 86400;
    if (seconds < 0) {
        seconds += 86400;
        --days;
    }
    const civil::Date date = civil::CivilFromDays(days);
    *time = {static_cast<std::uint16_t>(date.year),
             static_cast<std::uint16_t>(date.month),
             static_cast<std::uint16_t>(((days % 7) + 11) % 7),  // 1970-01-01 was a Thursday
             static_cast<std::uint16_t>(date.day),
             static_cast<std::uint16_t>(seconds / 3600),
             static_cast<std::uint16_t>(seconds / 60 % 60),
             static_cast<std::uint16_t>(seconds % 60),
             static_cast<std::uint16_t>(now.tv_nsec / 1'000'000)};
}

bool SetSystemTime(const SYSTEMTIME& time) {
    // Never let a bad date through to be normalised into another one.
    if (!IsValidSystemTime(time)) {
        return false;
    }
    const std::int64_t days = civil::DaysFromCivil(time.wYear, time.wMonth, time.wDay);
    timespec wanted{};
    wanted.tv_sec =
        static_cast<time_t>(days * 86400 + time.wHour * 3600 + time.wMinute * 60 + time.wSecond);
    wanted.tv_nsec = static_cast<long>(time.wMilliseconds) * 1'000'000;
    return clock_settime(CLOCK_REALTIME, &wanted) == 0;
}

}  // namespace platform
