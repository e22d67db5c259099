// Small helpers shared by the tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "support/text.h"

inline std::string U8(std::u16string_view text) {
    return vltext::ToUtf8(text);
}

// The message parts of log lines "[time] [date] message\r\n", in order.
inline std::vector<std::u16string> Messages(std::u16string_view log) {
    std::vector<std::u16string> out;
    while (!log.empty()) {
        auto end = log.find(u"\r\n");
        std::u16string_view line = log.substr(0, end);
        const auto second = line.find(u"] [");
        const auto start = line.find(u"] ", second + 3);
        out.emplace_back(line.substr(start + 2));
        if (end == std::u16string_view::npos)
            break;
        log.remove_prefix(end + 2);
    }
    return out;
}

// An independent judge of what Windows' SetSystemTime accepts (its own month
// table, not the product's calendar code).
inline bool WindowsAcceptsClockTime(long long y, long long mo, long long d, long long h,
                                    long long mi, long long s, long long ms) {
    if (y < 1601 || y > 30827 || mo < 1 || mo > 12 || h < 0 || h > 23 || mi < 0 || mi > 59 ||
        s < 0 || s > 59 || ms < 0 || ms > 999 || d < 1) {
        return false;
    }
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return d <= kDays[mo - 1] + (mo == 2 && leap);
}
