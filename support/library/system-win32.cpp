// Start-up operations of the library on Windows: the app path record and
// the event source, the development environment and the runtime's window.
#include <windows.h>

#include "bstr.h"
#include "win32-util.h"

using vlbstr::Guard;

namespace {

void SetString(HKEY key, const wchar_t* name, const std::wstring& value, DWORD type) {
    RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

const wchar_t kAppPaths[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

// True when the machine's App Paths record, which the installer writes and
// removes, already names `path`: that copy needs no record of the user's.
bool InstalledAt(const std::wstring& path, const std::wstring& name) {
    wchar_t value[1024];
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, (kAppPaths + name + L".exe").c_str(), nullptr,
                     RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
        return false;
    }
    return CompareStringOrdinal(value, -1, path.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// HKCU\...\App Paths\<name>.exe: where the shell finds a copy that was not
// installed by name.
void RecordAppPath(const std::wstring& path, const std::wstring& name) {
    if (InstalledAt(path, name)) {
        return;
    }
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, (kAppPaths + name + L".exe").c_str(), 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    SetString(key, nullptr, path, REG_SZ);
    SetString(key, L"Path", path.substr(0, path.find_last_of(L'\\')), REG_SZ);
    RegCloseKey(key);
}

// The event source <name>, whose messages come from this library's message
// table, where there is none yet: only an administrator may create it, and
// a registration that exists (the installer's) is never pointed elsewhere,
// least of all at a copy in a folder that others may write.
void RegisterEventSource(const std::wstring& name) {
    const std::wstring key_name =
        L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\" + name;
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_name.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, &disposition) != ERROR_SUCCESS) {
        return;
    }
    if (disposition == REG_CREATED_NEW_KEY) {
        SetString(key, L"EventMessageFile", vlwin::ModulePath(vlwin::ThisModule()), REG_EXPAND_SZ);
        const DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
        RegSetValueExW(key, L"TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&types),
                       sizeof types);
    }
    RegCloseKey(key);
}

struct Search {
    HWND found;
};

BOOL CALLBACK FindMain(HWND window, LPARAM context) {
    wchar_t name[64];
    if (GetClassNameW(window, name, 64) > 0 &&
        std::wstring_view(name) == reinterpret_cast<const wchar_t*>(VL_RUNTIME_MAIN_CLASS)) {
        reinterpret_cast<Search*>(context)->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

extern "C" {

VLEXPORT int32_t VLAPI vlRegisterAppPath(BSTR* path) {
    return Guard([&] {
        if (path == nullptr) {
            return VL_E_POINTER;
        }
        const std::wstring executable = vlwin::ModulePath(nullptr);
        if (executable.empty()) {
            return VL_E_FAIL;
        }
        const std::wstring name = vlwin::ExecutableName();
        RecordAppPath(executable, name);
        RegisterEventSource(name);
        return vlbstr::Give(vlwin::U16(executable), path);
    });
}

VLEXPORT int32_t VLAPI vlIsInIDE(VARIANT_BOOL* result) {
    if (result == nullptr) {
        return VL_E_POINTER;
    }
    *result = vlbstr::Bool(IsDebuggerPresent() != FALSE);
    return VL_S_OK;
}

VLEXPORT int32_t VLAPI vlGetThunderMainHandle(VLHWND* window) {
    if (window == nullptr) {
        return VL_E_POINTER;
    }
    Search search{nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindMain, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) {
        return VL_E_NO_WINDOW;
    }
    *window = search.found;
    return VL_S_OK;
}

VLEXPORT int32_t VLAPI vlSetWindowResIconAll(VLHWND window, BSTR* resource_name) {
    return Guard([&] {
        std::u16string_view name;
        if (!vlbstr::ViewRef(resource_name, &name)) {
            return VL_E_POINTER;
        }
        if (window == nullptr || !IsWindow(window)) {
            return VL_E_INVALIDARG;
        }
        const auto module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
        const std::wstring resource = vlwin::Wide(name);
        // Shared images: the system keeps them as long as the module lives.
        const auto load = [&](int size_x, int size_y) {
            return static_cast<HICON>(LoadImageW(module, resource.c_str(), IMAGE_ICON,
                                                 GetSystemMetrics(size_x), GetSystemMetrics(size_y),
                                                 LR_SHARED));
        };
        const HICON big = load(SM_CXICON, SM_CYICON);
        const HICON small = load(SM_CXSMICON, SM_CYSMICON);
        if (big == nullptr || small == nullptr) {
            return VL_E_RESOURCE_NOT_FOUND;
        }
        SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
        SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
        return VL_S_OK;
    });
}

}  // extern "C"
