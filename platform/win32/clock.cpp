// The system clock on Windows.
#include <windows.h>

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

}  // namespace platform
