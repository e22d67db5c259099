// Privileges of the process token on Windows.
#include <windows.h>

#include <vector>

#include "bstr.h"
#include "win32-util.h"

namespace {

// Whether the token now holds the privilege enabled.
bool Enabled(HANDLE token, const LUID& luid) {
    DWORD size = 0;
    GetTokenInformation(token, TokenPrivileges, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !GetTokenInformation(token, TokenPrivileges, buffer.data(), size, &size)) {
        return false;
    }
    const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
        const LUID_AND_ATTRIBUTES& p = privileges->Privileges[i];
        if (p.Luid.LowPart == luid.LowPart && p.Luid.HighPart == luid.HighPart) {
            return (p.Attributes & SE_PRIVILEGE_ENABLED) != 0;
        }
    }
    return false;  // the token lacks it
}

}  // namespace

extern "C" VLEXPORT int32_t VLAPI vlSetPrivilegeForProcess(BSTR privilege_name, VARIANT_BOOL enable,
                                                           VARIANT_BOOL* result) {
    return vlbstr::Guard([&] {
        if (result == nullptr) {
            return VL_E_POINTER;
        }
        *result = VL_FALSE;
        const std::wstring name = vlwin::Wide(vlbstr::View(privilege_name));
        LUID luid{};
        if (name.empty() || !LookupPrivilegeValueW(nullptr, name.c_str(), &luid)) {
            return VL_S_OK;  // no such privilege
        }
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
            return VL_S_OK;
        }
        TOKEN_PRIVILEGES wanted{};
        wanted.PrivilegeCount = 1;
        wanted.Privileges[0].Luid = luid;
        wanted.Privileges[0].Attributes = enable != 0 ? SE_PRIVILEGE_ENABLED : 0;
        // Succeeds with ERROR_NOT_ALL_ASSIGNED when the token lacks the
        // privilege: only the token itself tells what happened.
        AdjustTokenPrivileges(token, FALSE, &wanted, 0, nullptr, nullptr);
        const bool now_enabled = Enabled(token, luid);
        CloseHandle(token);
        *result = vlbstr::Bool(now_enabled == (enable != 0));
        return VL_S_OK;
    });
}
