// Small helpers of the library's Windows operations.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "logentry.h"

namespace vlwin {

inline std::wstring Wide(std::u16string_view text) {
    return {text.begin(), text.end()};
}
inline std::u16string U16(std::wstring_view text) {
    return {text.begin(), text.end()};
}

// The path of a module: the executable for null.
inline std::wstring ModulePath(HMODULE module) {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) {
            return {};
        }
        if (n < path.size()) {
            return {path.data(), n};
        }
        path.resize(path.size() * 2);
    }
}

// This library's own module.
inline HMODULE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

// The executable's name without directory and extension: the event source
// and the log file's name.
inline std::wstring ExecutableName() {
    const std::wstring name = Wide(vllog::BaseName(U16(ModulePath(nullptr))));
    return name.empty() ? L"vestrio" : name;
}

}  // namespace vlwin
