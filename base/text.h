// The support library's text and date operations, as plain C++ functions.
// The exported C operations wrap these; tests use them directly.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vltext {

// Character classes of vlTrimEx2, one bit per flag in the flags' order.
enum TrimClass : unsigned {
    kSpace = 1u << 0,
    kTab = 1u << 1,
    kCr = 1u << 2,
    kLf = 1u << 3,
    kNul = 1u << 4,
    kVtFf = 1u << 5,
    kNbsp = 1u << 6,
    kUniSpace = 1u << 7,
    kZeroWidth = 1u << 8,
    kControl = 1u << 9,
};

// The blanks of vlTrimEx.
inline constexpr unsigned kBlanks = kSpace | kTab;

// `text` without the leading and trailing characters of the `classes`.
std::u16string Trim(std::u16string_view text, unsigned classes);

// Every run of spaces cut to one.
std::u16string DestroyDoubleSpaces(std::u16string_view text);

// `text` without CRs and LFs at either end.
std::u16string TrimCRLF(std::u16string_view text);

// "HH:MM:SS.mmm" and "YYYY-MM-DD" of an OLE Automation date; nothing for a
// date outside the years 100 to 9999, NaN or an infinity.
std::optional<std::u16string> TimeText(double date);
std::optional<std::u16string> DateText(double date);

// `value` in decimal, zero-padded to at least `width` digits.
void AppendPadded(std::u16string& out, std::int64_t value, int width);

// Equal but for the case of ASCII letters (privilege and resource names).
bool SameIgnoringAsciiCase(std::u16string_view a, std::u16string_view b);

// The code as an unsigned decimal number.
std::u16string ErrorNumber(std::int32_t code);

// "Unknown error 12345 (0x00003039)."
std::u16string UnknownErrorText(std::int32_t code);

// True for a character that moves or drives a terminal, or hides, rather
// than showing something: C0 controls but the tab (line breaks too), DEL, C1
// controls, the Unicode line and paragraph separators, the bidirectional
// embeddings, overrides and isolates (which reorder what a reader sees), the
// invisible format characters (IsFormat), and the bytes 0x80 to 0xFF that
// were not UTF-8 (U+DC80 to U+DCFF, see below).
bool IsControl(char16_t c);

// The format characters that show nothing: the zero-width spaces and
// joiners, the direction marks, the word joiner and invisible operators,
// the byte order mark, the soft hyphen, the combining grapheme joiner, the
// Mongolian vowel separator and the interlinear annotation marks.
bool IsFormat(char16_t c);

// `text` with every such character, and every surrogate that is not half
// of a pair, written out as visible text: C0 and DEL in caret notation
// ("^M", "^?"), a byte that was not UTF-8 as "<0x9B>", the others as
// "<U+0085>"; so what is written is always valid UTF-8 and shows all it holds.
std::u16string Visible(std::u16string_view text);

// True when Visible would give `text` back unchanged.
bool IsVisible(std::u16string_view text);

// UTF-8 from UTF-16 and back. Unpaired surrogates U+DC80 to U+DCFF stand
// for the bytes 0x80 to 0xFF that were not valid UTF-8, so that any byte
// string survives the round trip; other unpaired surrogates become U+FFFD.
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

}  // namespace vltext
