// The application runtime on Windows.
#include "runtime.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "civil.h"
#include "logentry.h"
#include "platform.h"
#include "vestriosupport.h"

namespace {

HWND main_window = nullptr;

std::u16string ToU16(std::wstring_view text) {
    return {text.begin(), text.end()};
}
std::wstring ToWide(std::u16string_view text) {
    return {text.begin(), text.end()};
}

// A message box that nobody can see (a scheduled task, a service) would wait
// for ever: show one only on an interactive window station.
bool Interactive() {
    USEROBJECTFLAGS flags{};
    const HWINSTA station = GetProcessWindowStation();
    return station != nullptr &&
           GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr) &&
           (flags.dwFlags & WSF_VISIBLE) != 0;
}

}  // namespace

namespace platform::win32 {

void StartRuntime(HINSTANCE instance) {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.hInstance = instance;
    window_class.lpszClassName = reinterpret_cast<const wchar_t*>(VL_RUNTIME_MAIN_CLASS);
    RegisterClassExW(&window_class);
    // Top-level and never shown.
    main_window = CreateWindowExW(0, window_class.lpszClassName, L"todsync", WS_OVERLAPPED, 0, 0, 0,
                                  0, nullptr, nullptr, instance, nullptr);
}

void StopRuntime() {
    if (main_window != nullptr) {
        DestroyWindow(main_window);
        main_window = nullptr;
    }
}

std::wstring CommandTextOf(const wchar_t* command_line) {
    const wchar_t* p = command_line != nullptr ? command_line : L"";
    if (*p == L'"') {
        ++p;
        while (*p != L'\0' && *p != L'"')
            ++p;
        if (*p == L'"')
            ++p;
    } else {
        while (*p != L'\0' && *p != L' ' && *p != L'\t')
            ++p;
    }
    return p;
}

}  // namespace platform::win32

namespace platform {

void InitCommonControls() {
    ::InitCommonControls();
}

std::u16string CommandText() {
    return ToU16(win32::CommandTextOf(GetCommandLineW()));
}

std::u16string ToUpper(std::u16string_view text) {
    std::wstring upper = ToWide(text);
    if (!upper.empty()) {
        CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    }
    return ToU16(upper);
}

double LocalTimeAsOleDate() {
    ::SYSTEMTIME local;
    GetLocalTime(&local);
    const std::int64_t days =
        civil::DaysFromCivil(local.wYear, local.wMonth, local.wDay) - civil::kOleEpochDays;
    const long milliseconds =
        ((local.wHour * 60L + local.wMinute) * 60 + local.wSecond) * 1000 + local.wMilliseconds;
    const double fraction = static_cast<double>(milliseconds) / 86'400'000.0;
    return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

std::u16string ExeBaseName() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) {
            return u"todsync";
        }
        if (n < path.size()) {
            return std::u16string(vllog::BaseName(ToU16({path.data(), n})));
        }
        path.resize(path.size() * 2);
    }
}

std::u16string UsageName() {
    return ExeBaseName() + u"[.EXE]";
}

void ShowText(std::u16string_view text) {
    ShowMessageBox(text, MessageIcon::kInformation, kAppTitle);
}

void ShowMessageBox(std::u16string_view text, MessageIcon icon, std::u16string_view caption) {
    if (Interactive()) {
        MessageBoxW(nullptr, ToWide(text).c_str(), ToWide(caption).c_str(),
                    MB_OK | static_cast<UINT>(icon));
    }
}

// Windows ends a GUI program without a signal to catch.
int StopSignal() {
    return 0;
}

std::u16string SignalName(int /*signal*/) {
    return {};
}

void Fatal(std::u16string_view what, std::int32_t status) {
    wchar_t code[16];
    std::swprintf(code, 16, L"0x%08X", static_cast<unsigned>(status));
    const std::wstring message =
        ToWide(what) + L" failed (status " + code + L"). " +
        (what.starts_with(u"vlLog") ? L"No place holds the run's whole entry."
                                    : L"Nothing was logged.");
    if (Interactive()) {
        MessageBoxW(nullptr, message.c_str(), ToWide(kAppTitle).c_str(), MB_OK | MB_ICONERROR);
    }
    ExitProcess(70);
}

}  // namespace platform
