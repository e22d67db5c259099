// A run of Main with the real Windows runtime and support library, network
// and clock faked: after start-up the runtime's window shows A_MAIN.
//
// The test program is started with a host name on its command line (the
// runtime's command text), so that Main tries a host instead of showing
// the usage box.
#include <windows.h>

#include <fstream>
#include <sstream>

#include "app/modMain.h"
#include "fakes/fakes.h"
#include "helpers.h"
#include "platform/win32/runtime.h"

namespace {

struct IconBits {
    int width = 0;
    int height = 0;
    int bits = 0;
};

IconBits Describe(HICON icon) {
    ICONINFO info{};
    IconBits out;
    if (icon == nullptr || !GetIconInfo(icon, &info)) {
        return out;
    }
    BITMAP color{};
    if (info.hbmColor != nullptr && GetObjectW(info.hbmColor, sizeof color, &color)) {
        out = {color.bmWidth, color.bmHeight, color.bmBitsPixel};
    }
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return out;
}

TEST(RealRuntime, AfterStartUpTheMainWindowShowsA_MAIN) {
    fake::ResetNet();
    fake::ResetClock();
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring log = std::wstring(temp) + L"startup_win32_tests.log";
    DeleteFileW(log.c_str());
    SetEnvironmentVariableW(L"VESTRIO_LOG_FILE", log.c_str());

    platform::win32::StartRuntime(GetModuleHandleW(nullptr));
    EXPECT_EQ(Main(), kExitNoHostUsable) << "the command line names a host the fake refuses";
    ASSERT_FALSE(fake::hosts_asked.empty());

    const HWND window =
        FindWindowW(reinterpret_cast<const wchar_t*>(VL_RUNTIME_MAIN_CLASS), nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(IsWindowVisible(window));
    const auto big = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_BIG, 0));
    const auto small = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_SMALL, 0));
    // The very images of A_MAIN, as the system shares them.
    const HINSTANCE self = GetModuleHandleW(nullptr);
    EXPECT_EQ(big, LoadImageW(self, L"A_MAIN", IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                              GetSystemMetrics(SM_CYICON), LR_SHARED));
    EXPECT_EQ(small, LoadImageW(self, L"A_MAIN", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    const IconBits b = Describe(big), s = Describe(small);
    EXPECT_EQ(b.width, GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(s.width, GetSystemMetrics(SM_CXSMICON));

    platform::win32::StopRuntime();
    EXPECT_EQ(FindWindowW(reinterpret_cast<const wchar_t*>(VL_RUNTIME_MAIN_CLASS), nullptr),
              nullptr);

    std::ifstream in(log.c_str(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("] NetRemoteTOD() failed. Error 53: "), std::string::npos)
        << text.str();
    EXPECT_NE(text.str().find("] All tries were failed.\r\n"), std::string::npos);
    SetEnvironmentVariableW(L"VESTRIO_LOG_FILE", nullptr);
    DeleteFileW(log.c_str());
}

TEST(RealRuntime, TheCommandTextFollowsTheProgramsName) {
    using platform::win32::CommandTextOf;
    EXPECT_EQ(CommandTextOf(L"todsync.exe a b"), L" a b");
    EXPECT_EQ(CommandTextOf(L"\"C:\\Program Files\\todsync.exe\"  a  \"b c\""), L"  a  \"b c\"");
    EXPECT_EQ(CommandTextOf(L"todsync.exe"), L"");
    EXPECT_EQ(CommandTextOf(L"\"unterminated"), L"");
    EXPECT_EQ(CommandTextOf(L""), L"");
}

TEST(RealRuntime, UpperCaseIsTheSystemsAndTheBaseNameIsTheModules) {
    EXPECT_EQ(platform::UCase(u"host-1 \u00e9t\u00e9"), u"HOST-1 \u00c9T\u00c9");
    EXPECT_EQ(platform::ExeBaseName(), u"startup_win32_tests");
    EXPECT_GT(platform::Now(), 46000.0);
}

}  // namespace
