// Runtime services that are the same on every platform.
#include "civil.h"
#include "platform.h"

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

bool IsValidSystemTime(const SYSTEMTIME& t) {
    return t.wYear >= 1601 && t.wYear <= 30827 && t.wMonth >= 1 && t.wMonth <= 12 && t.wDay >= 1 &&
           t.wDay <= civil::DaysInMonth(t.wYear, t.wMonth) && t.wHour <= 23 && t.wMinute <= 59 &&
           t.wSecond <= 59 && t.wMilliseconds <= 999;
}

}  // namespace platform
