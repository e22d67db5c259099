// The system clock on Linux.
#include <sys/capability.h>
#include <time.h>

#include "civil.h"
#include "platform.h"

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

std::int64_t MonotonicMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

namespace {

// CAP_SYS_TIME is effective only for the clock_settime that needs it.
void LowerClockCapability() {
    if (cap_t caps = cap_get_proc()) {
        const cap_value_t time[] = {CAP_SYS_TIME};
        if (cap_set_flag(caps, CAP_EFFECTIVE, 1, time, CAP_CLEAR) == 0) {
            cap_set_proc(caps);
        }
        cap_free(caps);
    }
}

}  // namespace

bool SetSystemTime(const SYSTEMTIME& time) {
    // Never let a bad date through to be normalised into another one.
    if (!IsValidSystemTime(time)) {
        LowerClockCapability();
        return false;
    }
    const std::int64_t days = civil::DaysFromCivil(time.wYear, time.wMonth, time.wDay);
    timespec wanted{};
    wanted.tv_sec =
        static_cast<time_t>(days * 86400 + time.wHour * 3600 + time.wMinute * 60 + time.wSecond);
    wanted.tv_nsec = static_cast<long>(time.wMilliseconds) * 1'000'000;
    const bool set = clock_settime(CLOCK_REALTIME, &wanted) == 0;
    LowerClockCapability();
    return set;
}

}  // namespace platform
