// The support library's text and date operations with any UTF-16, null
// strings, any flags, codes and dates: each result is a new string that
// keeps the operation's promise, and the caller's string is left alone.
#include <cmath>
#include <cstring>
#include <functional>
#include <string>

#include "vestriosupport.h"

#define CHECK(c) (c) ? (void)0 : __builtin_trap()

namespace {

std::u16string Take(BSTR text) {
    std::u16string out(text, SysStringLen(text));
    SysFreeString(text);
    return out;
}

// A trim yields a piece of its input, and trimming that piece changes nothing.
void CheckTrim(BSTR in, const std::u16string& text, const std::function<int(BSTR*, BSTR*)>& trim) {
    BSTR out = nullptr, again = nullptr;
    CHECK(trim(&in, &out) == VL_S_OK);
    const std::u16string once = Take(out);
    BSTR piece = SysAllocStringLen(once.data(), static_cast<UINT>(once.size()));
    CHECK(text.find(once) != text.npos && trim(&piece, &again) == VL_S_OK && Take(again) == once);
    SysFreeString(piece);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3)
        return 0;
    const unsigned op = data[0] % 7, flags = (data[1] | data[2] << 8) & 0x3FF;
    data += 3, size -= 3;
    std::u16string text;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
    // An empty input stands for a null BSTR half of the time.
    BSTR in = text.empty() && (flags & 1)
                  ? nullptr
                  : SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    const auto b = [&](unsigned bit) -> VARIANT_BOOL { return flags & (1u << bit) ? -1 : 0; };
    BSTR out = nullptr;
    std::int32_t number = 0;
    double date = 0;
    std::memcpy(&number, data, size < 4 ? size : 4);
    std::memcpy(&date, data, size < 8 ? size : 8);
    if (op == 0) {
        CheckTrim(in, text, vlTrimEx);
    } else if (op == 1) {
        CheckTrim(in, text, [&](BSTR* t, BSTR* o) {
            return vlTrimEx2(t, b(0), b(1), b(2), b(3), b(4), b(5), b(6), b(7), b(8), b(9), o);
        });
    } else if (op == 2) {
        CHECK(vlDestroyDoubleSpaces(in, &out) == VL_S_OK);
        std::u16string result = Take(out), spaceless = text;
        CHECK(result.find(u"  ") == result.npos);
        CHECK(std::erase(result, u' ') <= std::erase(spaceless, u' ') && result == spaceless);
    } else if (op == 3) {
        CheckTrim(in, text, vlTrimCRLF);
    } else if (op == 4) {
        CHECK(vlGetAPIErrorDescription(number, &out) == VL_S_OK && !Take(out).empty());
    } else {
        const bool valid = std::isfinite(date) && date >= -657434.0 && date < 2958466.0;
        const auto status = op == 5 ? vlSystemTimeToStringTime2(date, &out)
                                    : vlSystemTimeToStringDate2(date, 0, &out);
        CHECK(status == VL_S_OK ? valid && Take(out).size() == (op == 5 ? 12u : 10u)
                                : status == VL_E_INVALIDARG && out == nullptr);
    }
    CHECK(in == nullptr || std::u16string(in, SysStringLen(in)) == text);
    SysFreeString(in);
    return 0;
}
