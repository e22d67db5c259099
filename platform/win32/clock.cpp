// The system clock on Windows.
#include <windows.h>

#include <chrono>
#include <cstring>

#include "platform.h"

static_assert(sizeof(::SYSTEMTIME) == sizeof(platform::SYSTEMTIME));

namespace platform {

void GetSystemTime(SYSTEMTIME* time) {
    ::SYSTEMTIME now;
    ::GetSystemTime(&now);
    std::memcpy(time, &now, sizeof now);
}

bool SetSystemTime(const SYSTEMTIME& time) {
    // Windows checks the fields itself; checking here too keeps both
    // platforms refusing exactly the same times.
    if (!IsValidSystemTime(time)) {
        return false;
    }
    ::SYSTEMTIME wanted;
    std::memcpy(&wanted, &time, sizeof wanted);
    return ::SetSystemTime(&wanted) != FALSE;
}

// The clock the precise estimate is measured against (platform/common.cpp).
std::int64_t MonotonicMicroseconds() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace platform
