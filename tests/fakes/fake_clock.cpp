// A clock read and set in memory only.
#include "fakes.h"

namespace fake {

// The local clock reads 3.07.2026 9:05:07.045 (UTC).
constexpr platform::SYSTEMTIME kNow{2026, 7, 5, 3, 9, 5, 7, 45};
bool may_set_clock = true;
std::vector<platform::SYSTEMTIME> clock_set;
std::int64_t monotonic_us = 0;
std::int64_t monotonic_step_us = 0;

void ResetClock() {
    monotonic_us = 1'000'000'000;
    monotonic_step_us = 0;
    may_set_clock = true;
    clock_set.clear();
}

}  // namespace fake

namespace platform {

void GetSystemTime(SYSTEMTIME* time) {
    *time = fake::kNow;
}

std::int64_t MonotonicMicroseconds() {
    fake::monotonic_us += fake::monotonic_step_us;
    return fake::monotonic_us;
}

bool SetSystemTime(const SYSTEMTIME& time) {
    if (!fake::may_set_clock || !IsValidSystemTime(time))
        return false;
    fake::clock_set.push_back(time);
    return true;
}

}  // namespace platform
