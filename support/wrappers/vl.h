// The program's way to the support library: one thin wrapper per operation.
// Each converts its strings, checks the status and, on a negative one, raises
// the fatal error (platform::Fatal); none of them returns a failure. Nothing
// else of the program touches the library's C boundary.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace support {

// The handle of a runtime window, whatever the platform's type for it.
using WindowHandle = std::uintptr_t;

void vlRegisterAppPath();
bool vlIsInIDE();
WindowHandle vlGetThunderMainHandle();
void vlSetWindowResIconAll(WindowHandle window, std::u16string_view resource_name);
std::u16string vlTrimEx(std::u16string_view text);
// The classes of characters that vlTrimEx2 takes off both ends of a text,
// combined with |.
enum TrimClass : unsigned {
    kTrimSpace = 1u << 0,      // U+0020
    kTrimTab = 1u << 1,        // U+0009
    kTrimCR = 1u << 2,         // U+000D
    kTrimLF = 1u << 3,         // U+000A
    kTrimNul = 1u << 4,        // U+0000
    kTrimVtFf = 1u << 5,       // vertical tab, form feed
    kTrimNbsp = 1u << 6,       // the no-break spaces
    kTrimUnispace = 1u << 7,   // the other Unicode space separators
    kTrimZeroWidth = 1u << 8,  // zero-width characters
    kTrimControl = 1u << 9,    // the other C0 and C1 controls
};
std::u16string vlTrimEx2(std::u16string_view text, unsigned classes);
std::u16string vlDestroyDoubleSpaces(std::u16string_view text);
std::u16string vlTrimCRLF(std::u16string_view text);
std::u16string vlSystemTimeToStringTime2(double date);
std::u16string vlSystemTimeToStringDate2(double date, std::int16_t option);
std::u16string vlGetErrorNumber(std::int32_t code);
std::u16string vlGetAPIErrorDescription(std::int32_t code);
bool vlSetPrivilegeForProcess(std::u16string_view privilege_name, bool enable);
void vlLogInfo(std::u16string_view text);
void vlLogError(std::u16string_view text);

}  // namespace support
