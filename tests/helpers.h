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
