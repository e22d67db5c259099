#include "text.h"

#include <cmath>

#include "civil.h"

namespace vltext {
namespace {

bool InClasses(char16_t c, unsigned classes) {
    switch (c) {
        case u' ':
            return classes & kSpace;
        case u'\t':
            return classes & kTab;
        case u'\r':
            return classes & kCr;
        case u'\n':
            return classes & kLf;
        case u'\0':
            return classes & kNul;
        case u'\v':
        case u'\f':
            return classes & kVtFf;
        case 0x00A0:
        case 0x2007:
        case 0x202F:
            return classes & kNbsp;
        case 0x1680:
        case 0x205F:
        case 0x3000:
            return classes & kUniSpace;
        case 0x200B:
        case 0x200C:
        case 0x200D:
        case 0x2060:
        case 0xFEFF:
            return classes & kZeroWidth;
        default:
            break;
    }
    if (c >= 0x2000 && c <= 0x200A) {
        return classes & kUniSpace;
    }
    if ((c >= 0x01 && c <= 0x1F) || (c >= 0x7F && c <= 0x9F)) {
        return classes & kControl;
    }
    return false;
}

// A moment of an OLE date, rounded to the millisecond.
struct Moment {
    civil::Date date;
    std::int64_t millisecond_of_day;
};

std::optional<Moment> Decode(double date) {
    // Years 100 to 9999, as OLE Automation defines them.
    if (!std::isfinite(date) || date < -657434.0 || date >= 2958466.0) {
        return std::nullopt;
    }
    // The integer part counts days from 1899-12-30 and the fraction is the
    // time of day even for negative dates: -1.25 is 1899-12-29 06:00.
    double whole_part = 0;
    const double fraction = std::fabs(std::modf(date, &whole_part));
    auto day = static_cast<std::int64_t>(whole_part);
    auto ms = static_cast<std::int64_t>(std::llround(fraction * 86'400'000.0));
    if (ms >= 86'400'000) {
        ms -= 86'400'000;
        ++day;
    }
    const auto civil_date = civil::CivilFromDays(civil::kOleEpochDays + day);
    if (civil_date.year > 9999) {
        return std::nullopt;
    }
    return Moment{civil_date, ms};
}

}  // namespace

void AppendPadded(std::u16string& out, std::int64_t value, int width) {
    std::u16string digits;
    // The magnitude as unsigned, so that the most negative value is no
    // special case.
    std::uint64_t magnitude =
        value < 0 ? 0u - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) {
        out += u'-';
    }
    if (static_cast<int>(digits.size()) < width) {
        out.append(static_cast<std::size_t>(width) - digits.size(), u'0');
    }
    out += digits;
}

bool SameIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
    const auto fold = [](char16_t c) {
        return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
    };
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i])) {
            return false;
        }
    }
    return true;
}

std::u16string Trim(std::u16string_view text, unsigned classes) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && InClasses(text[begin], classes)) {
        ++begin;
    }
    while (end > begin && InClasses(text[end - 1], classes)) {
        --end;
    }
    return std::u16string(text.substr(begin, end - begin));
}

std::u16string DestroyDoubleSpaces(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (const char16_t c : text) {
        if (c == u' ' && !out.empty() && out.back() == u' ') {
            continue;
        }
        out += c;
    }
    return out;
}

std::u16string TrimCRLF(std::u16string_view text) {
    return Trim(text, kCr | kLf);
}

std::optional<std::u16string> TimeText(double date) {
    const auto moment = Decode(date);
    if (!moment) {
        return std::nullopt;
    }
    const std::int64_t ms = moment->millisecond_of_day;
    std::u16string out;
    AppendPadded(out, ms / 3'600'000, 2);
    out += u':';
    AppendPadded(out, ms / 60'000 % 60, 2);
    out += u':';
    AppendPadded(out, ms / 1000 % 60, 2);
    out += u'.';
    AppendPadded(out, ms % 1000, 3);
    return out;
}

std::optional<std::u16string> DateText(double date) {
    const auto moment = Decode(date);
    if (!moment) {
        return std::nullopt;
    }
    std::u16string out;
    AppendPadded(out, moment->date.year, 4);
    out += u'-';
    AppendPadded(out, moment->date.month, 2);
    out += u'-';
    AppendPadded(out, moment->date.day, 2);
    return out;
}

std::u16string ErrorNumber(std::int32_t code) {
    std::u16string out;
    AppendPadded(out, static_cast<std::uint32_t>(code), 1);
    return out;
}

std::u16string UnknownErrorText(std::int32_t code) {
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    std::u16string hex;
    for (int shift = 28; shift >= 0; shift -= 4) {
        hex += kHex[(static_cast<std::uint32_t>(code) >> shift) & 0xF];
    }
    return u"Unknown error " + ErrorNumber(code) + u" (0x" + hex + u").";
}

bool IsControl(char16_t c) {
    return (c < 0x20 && c != u'\t') || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) ||
           (c >= 0xDC80 && c <= 0xDCFF) || IsFormat(c);
}

bool IsFormat(char16_t c) {
    return c == 0xAD || c == 0x34F || c == 0x61C || c == 0x180E || (c >= 0x200B && c <= 0x200F) ||
           (c >= 0x2060 && c <= 0x2064) || c == 0xFEFF || (c >= 0xFFF9 && c <= 0xFFFB);
}

namespace {

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// How many UTF-16 units of `text` from `at` on are shown as they are: 2 for
// a surrogate pair, 1 for a character that shows, 0 for one that Visible
// writes out.
std::size_t ShownAsIs(std::u16string_view text, std::size_t at) {
    const char16_t c = text[at];
    if (IsHighSurrogate(c)) {
        return at + 1 < text.size() && IsLowSurrogate(text[at + 1]) ? 2 : 0;
    }
    return IsLowSurrogate(c) || IsControl(c) ? 0 : 1;
}

}  // namespace

bool IsVisible(std::u16string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t n = ShownAsIs(text, at);
        if (n == 0) {
            return false;
        }
        at += n;
    }
    return true;
}

std::u16string Visible(std::u16string_view text) {
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        if (const std::size_t n = ShownAsIs(text, at); n != 0) {
            out.append(text.substr(at, n));
            at += n;
            continue;
        }
        const char16_t c = text[at++];
        if (c < 0x20 || c == 0x7F) {
            out += u'^';
            out += c == 0x7F ? u'?' : static_cast<char16_t>(c + 0x40);
        } else if (c >= 0xDC80 && c <= 0xDCFF) {
            out += u"<0x";
            out += kHex[(c >> 4) & 0xF];
            out += kHex[c & 0xF];
            out += u'>';
        } else {
            out += u"<U+";
            for (int shift = 12; shift >= 0; shift -= 4) {
                out += kHex[(c >> shift) & 0xF];
            }
            out += u'>';
        }
    }
    return out;
}

std::string ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xDC80 && c <= 0xDCFF) {
            out += static_cast<char>(c - 0xDC00);  // a byte that was not UTF-8
            continue;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string FromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char b = byte(i);
        int length = 0;
        char32_t c = 0;
        char32_t min = 0;
        if (b < 0x80) {
            out += static_cast<char16_t>(b);
            ++i;
            continue;
        }
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2, c = b & 0x1F, min = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3, c = b & 0x0F, min = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4, c = b & 0x07, min = 0x10000;
        }
        bool valid = length != 0 && i + static_cast<std::size_t>(length) <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const unsigned char next = byte(i + static_cast<std::size_t>(k));
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        valid = valid && c >= min && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
        if (!valid) {
            out += static_cast<char16_t>(0xDC00 + b);  // keep the byte itself
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += static_cast<std::size_t>(length);
    }
    return out;
}

}  // namespace vltext
