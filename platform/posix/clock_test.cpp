// The Linux clock code. This program defines clock_settime itself, so the
// real one is never reached (and it runs without CAP_SYS_TIME besides).
#include <time.h>

#include <vector>

#include "civil.h"
#include "helpers.h"
#include "platform.h"

namespace {
std::vector<timespec> kernel_calls;
clockid_t last_clock = -1;
}  // namespace

extern "C" int clock_settime(clockid_t clock, const timespec* time) {
    last_clock = clock;
    kernel_calls.push_back(*time);
    return 0;
}

namespace {

using platform::SYSTEMTIME;

TEST(PosixClock, SetsExactlyTheTimeItIsGiven) {
    kernel_calls.clear();
    ASSERT_TRUE(platform::SetSystemTime({2026, 7, 5, 3, 9, 5, 9, 120}));
    ASSERT_EQ(kernel_calls.size(), 1u);
    EXPECT_EQ(last_clock, CLOCK_REALTIME);
    EXPECT_EQ(kernel_calls[0].tv_sec, 1783069509);  // date -u -d 2026-07-03T09:05:09 +%s
    EXPECT_EQ(kernel_calls[0].tv_nsec, 120'000'000);
    kernel_calls.clear();
    ASSERT_TRUE(platform::SetSystemTime({1601, 1, 0, 1, 0, 0, 0, 0}));
    EXPECT_EQ(kernel_calls.at(0).tv_sec, -11644473600);
    ASSERT_TRUE(platform::SetSystemTime({30827, 12, 0, 31, 23, 59, 59, 999}));
    EXPECT_EQ(kernel_calls.at(1).tv_sec, 910670515199);
}

TEST(PosixClock, WhatWindowsRefusesNeverReachesTheKernel) {
    kernel_calls.clear();
    EXPECT_FALSE(platform::SetSystemTime({2025, 2, 0, 29, 12, 0, 0, 0}));
    EXPECT_FALSE(platform::SetSystemTime({30828, 1, 0, 1, 0, 0, 0, 0}));
    EXPECT_FALSE(platform::SetSystemTime({2026, 7, 0, 3, 9, 5, 9, 1000}));
    EXPECT_TRUE(kernel_calls.empty());
}

TEST(PosixClock, ReadsUtc) {
    const time_t before = time(nullptr);
    SYSTEMTIME now{};
    platform::GetSystemTime(&now);
    const time_t after = time(nullptr);
    tm utc{};
    gmtime_r(&before, &utc);
    EXPECT_LE(now.wMilliseconds, 999);
    const std::int64_t seconds = civil::DaysFromCivil(now.wYear, now.wMonth, now.wDay) * 86400 +
                                 now.wHour * 3600 + now.wMinute * 60 + now.wSecond;
    EXPECT_GE(seconds, before);
    EXPECT_LE(seconds, after);
    EXPECT_EQ(now.wDayOfWeek, utc.tm_wday);
}

}  // namespace
