// Main with the real Windows runtime and support library, network and clock
// faked. The program is started with a host name (win32-tests.cmake).
#include <windows.h>

#include <tuple>

#include "fakes/fakes.h"
#include "helpers.h"
#include "modMain.h"
#include "runtime.h"

namespace {

TEST(RealRuntime, AfterStartUpTheMainWindowShowsA_MAIN) {
    fake::ResetNet();
    fake::ResetClock();
    const ScratchDir dir;
    SetEnvironmentVariableW(L"VESTRIO_LOG_FILE", (dir.path() / "todsync.log").c_str());

    platform::win32::StartRuntime(GetModuleHandleW(nullptr));
    EXPECT_EQ(Main(), kExitNoHostUsable) << "the command line names a host the fake refuses";
    EXPECT_EQ(fake::hosts_asked, std::vector<std::u16string>{u"SOMEHOST"});

    const auto* main_class = reinterpret_cast<const wchar_t*>(VL_RUNTIME_MAIN_CLASS);
    const HWND window = FindWindowW(main_class, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(IsWindowVisible(window));
    // The very images of A_MAIN, as the system shares them.
    for (const auto& [kind, cx, cy] : {std::tuple(WPARAM{ICON_BIG}, SM_CXICON, SM_CYICON),
                                       std::tuple(WPARAM{ICON_SMALL}, SM_CXSMICON, SM_CYSMICON)}) {
        EXPECT_EQ(SendMessageW(window, WM_GETICON, kind, 0),
                  reinterpret_cast<LRESULT>(LoadImageW(GetModuleHandleW(nullptr), L"A_MAIN",
                                                       IMAGE_ICON, GetSystemMetrics(cx),
                                                       GetSystemMetrics(cy), LR_SHARED)));
    }
    platform::win32::StopRuntime();
    EXPECT_EQ(FindWindowW(main_class, nullptr), nullptr);
    SetEnvironmentVariableW(L"VESTRIO_LOG_FILE", nullptr);
}

TEST(RealRuntime, TheCommandTextFollowsTheProgramsNameAndIsUpperCased) {
    using platform::win32::CommandTextOf;
    EXPECT_EQ(CommandTextOf(L"todsync.exe a b"), L" a b");
    EXPECT_EQ(CommandTextOf(L"\"C:\\Program Files\\todsync.exe\"  a  \"b c\""), L"  a  \"b c\"");
    EXPECT_EQ(CommandTextOf(L"todsync.exe"), L"");
    EXPECT_EQ(CommandTextOf(L"\"unterminated"), L"");
    EXPECT_EQ(platform::ToUpper(u"host-1 \u00e9t\u00e9"), u"HOST-1 \u00c9T\u00c9");
}

}  // namespace
