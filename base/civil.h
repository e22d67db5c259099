// Proleptic Gregorian calendar arithmetic, shared by the clock code of both
// platforms and by the support library's date texts. Pure and constexpr.
#pragma once

#include <cstdint>

namespace civil {

constexpr bool IsLeapYear(std::int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

constexpr int DaysInMonth(std::int64_t y, int m) {
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// Days from 1970-01-01 to y-m-d (negative before it).
constexpr std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

struct Date {
    std::int64_t year;
    int month;
    int day;
};

// The calendar date `days` after 1970-01-01.
constexpr Date CivilFromDays(std::int64_t days) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {yoe + era * 400 + (m <= 2), m, d};
}

// 1899-12-30, day 0 of OLE Automation dates, counted from 1970-01-01.
inline constexpr std::int64_t kOleEpochDays = DaysFromCivil(1899, 12, 30);

static_assert(DaysFromCivil(1970, 1, 1) == 0);
static_assert(kOleEpochDays == -25569);
static_assert(CivilFromDays(DaysFromCivil(2000, 2, 29)).day == 29);

}  // namespace civil
