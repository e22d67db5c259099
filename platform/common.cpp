// Runtime services that are the same on every platform.
#include "platform/civil.h"
#include "platform/platform.h"

namespace platform {

std::vector<std::u16string> Split(std::u16string_view text, std::u16string_view delimiter) {
    std::vector<std::u16string> pieces;
    if (delimiter.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    for (;;) {
        const auto at = text.find(delimiter);
        if (at == std::u16string_view::npos) {
            pieces.emplace_back(text);
            return pieces;
        }
        pieces.emplace_back(text.substr(0, at));
        text.remove_prefix(at + delimiter.size());
    }
}

std::u16string Format(std::int32_t value, std::u16string_view pattern) {
    std::u16string digits;
    // Work on the magnitude as unsigned so that INT32_MIN is no special case.
    std::uint32_t magnitude =
        value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    std::size_t width = 0;
    for (const char16_t c : pattern) {
        width += c == u'0';
    }
    if (digits.size() < width) {
        digits.insert(0, width - digits.size(), u'0');
    }
    if (value < 0) {
        digits.insert(digits.begin(), u'-');
    }
    return digits;
}

bool IsValidSystemTime(const SYSTEMTIME& t) {
    return t.wYear >= 1601 && t.wYear <= 30827 && t.wMonth >= 1 && t.wMonth <= 12 && t.wDay >= 1 &&
           t.wDay <= civil::DaysInMonth(t.wYear, t.wMonth) && t.wHour <= 23 && t.wMinute <= 59 &&
           t.wSecond <= 59 && t.wMilliseconds <= 999;
}

}  // namespace platform
