// Error descriptions on Windows: the system's own texts.
#include <windows.h>

#include "bstr.h"
#include "text.h"
#include "win32-util.h"

namespace {

std::u16string Message(DWORD flags, HMODULE module, DWORD code) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(
        flags | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, module, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::u16string message;
    if (n > 0 && text != nullptr) {
        message = vltext::Trim(vlwin::U16({text, n}), vltext::kCr | vltext::kLf | vltext::kSpace);
    }
    LocalFree(text);
    return message;
}

}  // namespace

extern "C" VLEXPORT int32_t VLAPI vlGetAPIErrorDescription(int32_t code, BSTR* result) {
    return vlbstr::Guard([&] {
        if (result == nullptr) {
            return VL_E_POINTER;
        }
        const auto unsigned_code = static_cast<DWORD>(code);
        std::u16string text = Message(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, unsigned_code);
        if (text.empty() && unsigned_code >= 2100 && unsigned_code <= 2999) {
            // The network (NERR_) codes live in netmsg.dll.
            const HMODULE netmsg = LoadLibraryExW(L"netmsg.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
            if (netmsg != nullptr) {
                text = Message(FORMAT_MESSAGE_FROM_HMODULE, netmsg, unsigned_code);
                FreeLibrary(netmsg);
            }
        }
        if (text.empty()) {
            text = vltext::UnknownErrorText(code);
        }
        return vlbstr::Give(text, result);
    });
}
