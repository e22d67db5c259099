// The support library at its C boundary: what it does on Windows (Wine).
#include <windows.h>

#include <thread>

#include "helpers.h"
#include "vestriosupport.h"

namespace {

TEST(AppPath, YieldsTheExecutablesPathAndRecordsIt) {
    Str path;
    ASSERT_EQ(vlRegisterAppPath(&path.value), VL_S_OK);
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_EQ(path.str(), std::u16string(self, self + n));
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof value;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER,
                           L"Software\\Microsoft\\Windows\\CurrentVersion\\App "
                           L"Paths\\support_win32_tests.exe",
                           nullptr, RRF_RT_REG_SZ, nullptr, value, &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(value, self);
}

HWND MakeWindow(const wchar_t* class_name) {
    WNDCLASSEXW c{};
    c.cbSize = sizeof c;
    c.lpfnWndProc = DefWindowProcW;
    c.hInstance = GetModuleHandleW(nullptr);
    c.lpszClassName = class_name;
    RegisterClassExW(&c);
    return CreateWindowExW(0, class_name, L"", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                           c.hInstance, nullptr);
}

TEST(Window, TheRuntimesMainWindowOfThisThreadGetsTheGroupsIcons) {
    VLHWND window = nullptr;
    EXPECT_EQ(vlGetThunderMainHandle(&window), VL_E_NO_WINDOW);
    const HWND other = MakeWindow(L"SomethingElse");
    const HWND main = MakeWindow(reinterpret_cast<const wchar_t*>(VL_RUNTIME_MAIN_CLASS));
    ASSERT_NE(main, nullptr) << "needs a display";
    ASSERT_EQ(vlGetThunderMainHandle(&window), VL_S_OK);
    EXPECT_EQ(window, main);
    std::thread([] {
        VLHWND elsewhere = nullptr;
        EXPECT_EQ(vlGetThunderMainHandle(&elsewhere), VL_E_NO_WINDOW);
    }).join();

    Str name(u"A_MAIN");
    ASSERT_EQ(vlSetWindowResIconAll(window, &name.value), VL_S_OK);
    EXPECT_NE(SendMessageW(main, WM_GETICON, ICON_BIG, 0), 0);
    Str missing(u"NO_SUCH_GROUP");
    EXPECT_EQ(vlSetWindowResIconAll(window, &missing.value), VL_E_RESOURCE_NOT_FOUND);
    EXPECT_EQ(vlSetWindowResIconAll(nullptr, &name.value), VL_E_INVALIDARG);
    DestroyWindow(main);
    DestroyWindow(other);
    EXPECT_EQ(vlGetThunderMainHandle(&window), VL_E_NO_WINDOW);
}

}  // namespace
