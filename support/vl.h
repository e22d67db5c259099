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
std::u16string vlTrimEx2(std::u16string_view text, bool space, bool tab, bool cr, bool lf, bool nul,
                         bool vtff, bool nbsp, bool unispace, bool zerowidth, bool control);
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
