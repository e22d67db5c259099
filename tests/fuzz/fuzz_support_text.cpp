// The support library's text and date operations across its C boundary:
// arbitrary UTF-16 (NULs, surrogates, very long), empty and null strings,
// any flags, any codes and dates. Each result must be a new string whose
// contents keep the operation's promise; every result is freed, so that a
// leak shows.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "vestriosupport.h"

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

std::u16string Take(BSTR text) {
    std::u16string out(text, SysStringLen(text));
    SysFreeString(text);
    return out;
}

bool In(char16_t c, unsigned classes) {
    const bool uni =
        (c >= 0x2000 && c <= 0x200A && c != 0x2007) || c == 0x1680 || c == 0x205F || c == 0x3000;
    const bool zero = (c >= 0x200B && c <= 0x200D) || c == 0x2060 || c == 0xFEFF;
    const bool ctrl =
        (c >= 0x01 && c <= 0x1F && c != 9 && c != 10 && c != 11 && c != 12 && c != 13) ||
        (c >= 0x7F && c <= 0x9F);
    return (c == u' ' && classes & 1) || (c == u'\t' && classes & 2) ||
           (c == u'\r' && classes & 4) || (c == u'\n' && classes & 8) || (c == 0 && classes & 16) ||
           ((c == 11 || c == 12) && classes & 32) ||
           ((c == 0xA0 || c == 0x2007 || c == 0x202F) && classes & 64) || (uni && classes & 128) ||
           (zero && classes & 256) || (ctrl && classes & 512);
}

// A trim's result: the input without some of its ends, none of them left.
void CheckTrim(const std::u16string& in, const std::u16string& out, unsigned classes) {
    const auto at = in.find(out);
    Check(at != std::u16string::npos);
    for (std::size_t i = 0; i < at; ++i)
        Check(In(in[i], classes));
    for (std::size_t i = at + out.size(); i < in.size(); ++i)
        Check(In(in[i], classes));
    if (!out.empty())
        Check(!In(out.front(), classes) && !In(out.back(), classes));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3)
        return 0;
    const unsigned op = data[0] % 7;
    const unsigned flags = static_cast<unsigned>(data[1] | data[2] << 8) & 0x3FF;
    data += 3;
    size -= 3;
    std::u16string text;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
    }
    // An empty input stands for a null BSTR half of the time.
    BSTR in = text.empty() && (flags & 1)
                  ? nullptr
                  : SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    BSTR out = nullptr;
    std::int32_t number = 0;
    double date = 0;
    std::memcpy(&number, data, size < 4 ? size : 4);
    std::memcpy(&date, data, size < 8 ? size : 8);
    switch (op) {
        case 0:
            Check(vlTrimEx(&in, &out) == VL_S_OK);
            CheckTrim(text, Take(out), 1 | 2);
            break;
        case 1: {
            auto b = [&](unsigned bit) -> VARIANT_BOOL { return flags & (1u << bit) ? -1 : 0; };
            Check(vlTrimEx2(&in, b(0), b(1), b(2), b(3), b(4), b(5), b(6), b(7), b(8), b(9),
                            &out) == VL_S_OK);
            CheckTrim(text, Take(out), flags);
            break;
        }
        case 2: {
            Check(vlDestroyDoubleSpaces(in, &out) == VL_S_OK);
            const std::u16string result = Take(out);
            Check(result.find(u"  ") == std::u16string::npos && result.size() <= text.size());
            std::u16string no_spaces_in = text, no_spaces_out = result;
            std::erase(no_spaces_in, u' ');
            std::erase(no_spaces_out, u' ');
            Check(no_spaces_in == no_spaces_out);
            break;
        }
        case 3:
            Check(vlTrimCRLF(&in, &out) == VL_S_OK);
            CheckTrim(text, Take(out), 4 | 8);
            break;
        case 4:
            Check(vlGetAPIErrorDescription(number, &out) == VL_S_OK && !Take(out).empty());
            break;
        case 5:
        case 6: {
            const bool valid = std::isfinite(date) && date >= -657434.0 && date < 2958466.0;
            const std::int32_t status = op == 5 ? vlSystemTimeToStringTime2(date, &out)
                                                : vlSystemTimeToStringDate2(date, 0, &out);
            if (status == VL_S_OK) {
                Check(valid);
                Check(Take(out).size() == (op == 5 ? 12u : 10u));
            } else {
                Check(status == VL_E_INVALIDARG && out == nullptr);
            }
            break;
        }
    }
    // The caller's string is as it was.
    Check(in == nullptr || std::u16string(in, SysStringLen(in)) == text);
    SysFreeString(in);
    return 0;
}
