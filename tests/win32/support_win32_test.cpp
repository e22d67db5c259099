// The support library at its C boundary: what it does on Windows (run under
// Wine here, whose system texts differ from Windows' own).
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "helpers.h"
#include "support/vestriosupport.h"
#include "support_str.h"

namespace {

TEST(Privileges, TheClockPrivilegeReportsWhatTheTokenHolds) {
    VARIANT_BOOL result = 7;
    // Whatever the token holds, the answer is -1 or 0 and agrees with it.
    Str time(u"SeSystemtimePrivilege");
    ASSERT_EQ(vlSetPrivilegeForProcess(time.value, VL_TRUE, &result), VL_S_OK);
    EXPECT_TRUE(result == VL_TRUE || result == VL_FALSE) << result;
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    LUID luid{};
    ASSERT_TRUE(LookupPrivilegeValueW(nullptr, L"SeSystemtimePrivilege", &luid));
    PRIVILEGE_SET set{1, PRIVILEGE_SET_ALL_NECESSARY, {{luid, 0}}};
    BOOL enabled = FALSE;
    if (PrivilegeCheck(token, &set, &enabled)) {
        EXPECT_EQ(result == VL_TRUE, enabled != FALSE);
    }
    CloseHandle(token);
}

TEST(Ide, NoDebuggerNoDevelopmentEnvironment) {
    VARIANT_BOOL result = 7;
    ASSERT_EQ(vlIsInIDE(&result), VL_S_OK);
    EXPECT_EQ(result, IsDebuggerPresent() ? VL_TRUE : VL_FALSE);
}

TEST(AppPath, YieldsTheExecutablesPathAndRecordsIt) {
    Str path;
    ASSERT_EQ(vlRegisterAppPath(&path.value), VL_S_OK);
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_EQ(path.str(), std::u16string(self, self + n));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER,
                            L"Software\\Microsoft\\Windows\\CurrentVersion\\App "
                            L"Paths\\support_win32_tests.exe",
                            0, KEY_QUERY_VALUE, &key),
              ERROR_SUCCESS);
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof value;
    EXPECT_EQ(
        RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size),
        ERROR_SUCCESS);
    EXPECT_STREQ(value, self);
    RegCloseKey(key);
}

class Log : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + L"support_win32_tests.log";
        DeleteFileW(path_.c_str());
        SetEnvironmentVariableW(L"VESTRIO_LOG_FILE", path_.c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"VESTRIO_LOG_FILE", nullptr);
        DeleteFileW(path_.c_str());
    }
    std::string File() {
        std::ifstream in(path_.c_str(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::wstring path_;
};

TEST_F(Log, EntriesGoToTheFileWithWindowsLineEnds) {
    Str info(
        u"[09:05:07.045] [2026-07-03] Trying machine A.\r\n"
        u"[09:05:07.046] [2026-07-03] System time was updated successfully.");
    Str where;
    ASSERT_EQ(vlLogInfo(&info.value, &where.value), VL_S_OK);
    EXPECT_EQ(where.str(), std::u16string(path_.begin(), path_.end()));
    Str error(u"All tries were failed.");
    Str where2;
    ASSERT_EQ(vlLogError(&error.value, &where2.value), VL_S_OK);
    const std::string text = File();
    const auto first_break = text.find("\r\n");
    ASSERT_NE(first_break, std::string::npos) << text;
    EXPECT_NE(text.substr(0, first_break).find(" support_win32_tests["), std::string::npos);
    EXPECT_EQ(text.substr(first_break - 12, 12), " information");
    EXPECT_NE(text.find("\r\n[09:05:07.045] [2026-07-03] Trying machine A.\r\n"
                        "[09:05:07.046] [2026-07-03] System time was updated successfully.\r\n"
                        "\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find(" error\r\nAll tries were failed.\r\n\r\n"), std::string::npos) << text;
}

TEST_F(Log, AFileThatCannotBeOpenedStillLeavesTheEventLogEntry) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    SetEnvironmentVariableW(L"VESTRIO_LOG_FILE", temp);  // a folder
    Str info(u"entry");
    Str where;
    EXPECT_EQ(vlLogInfo(&info.value, &where.value), VL_S_OK);
}

LRESULT CALLBACK Plain(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    return DefWindowProcW(w, m, wp, lp);
}

HWND MakeWindow(const wchar_t* class_name) {
    WNDCLASSEXW c{};
    c.cbSize = sizeof c;
    c.lpfnWndProc = Plain;
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
    const auto big = reinterpret_cast<HICON>(SendMessageW(main, WM_GETICON, ICON_BIG, 0));
    const auto small = reinterpret_cast<HICON>(SendMessageW(main, WM_GETICON, ICON_SMALL, 0));
    EXPECT_NE(big, nullptr);
    EXPECT_NE(small, nullptr);
    Str missing(u"NO_SUCH_GROUP");
    EXPECT_EQ(vlSetWindowResIconAll(window, &missing.value), VL_E_RESOURCE_NOT_FOUND);
    EXPECT_EQ(vlSetWindowResIconAll(nullptr, &name.value), VL_E_INVALIDARG);
    DestroyWindow(main);
    DestroyWindow(other);
    EXPECT_EQ(vlGetThunderMainHandle(&window), VL_E_NO_WINDOW);
}

}  // namespace
