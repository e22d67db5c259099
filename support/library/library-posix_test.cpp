// The support library at its C boundary: what it does on Linux.
#include <sys/capability.h>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

#include "helpers.h"
#include "vestriosupport.h"
#include "vlruntime.h"

extern "C" const vlpModule vlpExecutableModule;

namespace {

// The fault matrix sees the common codes' texts.
TEST(Errors, TheCodesOfNetRemoteTODInWindowsWords) {
    // Every code the program reports has Windows' own words.
    for (const std::uint32_t code :
         {2u,    5u,    10u,   13u,   53u,   59u,   64u,   65u,         67u,        86u,
          89u,   121u,  123u,  126u,  127u,  995u,  1003u, 1067u,       1225u,      1231u,
          1232u, 1236u, 1311u, 1317u, 1326u, 1327u, 1328u, 1329u,       1330u,      1331u,
          1355u, 1722u, 1793u, 1907u, 1908u, 1909u, 2152u, 0x80090303u, 0x8009030Eu}) {
        Str description;
        ASSERT_EQ(vlGetAPIErrorDescription(static_cast<std::int32_t>(code), &description.value),
                  VL_S_OK);
        EXPECT_FALSE(description.str().starts_with(u"Unknown")) << code;
    }
}

// `body`'s result from a child process: this one keeps its capabilities.
int InChild(int (*body)()) {
    const pid_t pid = fork();
    if (pid == 0)
        _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

bool Flag(cap_flag_t set) {
    cap_t caps = cap_get_proc();
    cap_flag_value_t value = CAP_CLEAR;
    cap_get_flag(caps, CAP_SYS_TIME, set, &value);
    cap_free(caps);
    return value == CAP_SET;
}

// Enables or disables the clock privilege: the answer as 0 or 1, or -1.
int ClockPrivilege(const char16_t* name, bool enable) {
    Str privilege(name);
    VARIANT_BOOL result = 7;
    if (vlSetPrivilegeForProcess(privilege.value, enable ? VL_TRUE : VL_FALSE, &result) != VL_S_OK)
        return -1;
    return result == VL_TRUE ? 1 : result == VL_FALSE ? 0 : -1;
}

TEST(Privileges, TrueOnlyWhenTheCapabilityIsReallyEffective) {
    EXPECT_EQ(InChild([] {
                  const bool permitted = Flag(CAP_PERMITTED);
                  if (ClockPrivilege(u"SeSystemtimePrivilege", true) != permitted ||
                      Flag(CAP_EFFECTIVE) != permitted)
                      return 1;
                  if (ClockPrivilege(u"SeSystemtimePrivilege", false) != 1 || Flag(CAP_EFFECTIVE))
                      return 2;
                  // Without the capability in the permitted set, raising fails.
                  cap_t caps = cap_get_proc();
                  const cap_value_t time[] = {CAP_SYS_TIME};
                  cap_set_flag(caps, CAP_PERMITTED, 1, time, CAP_CLEAR);
                  if (cap_set_proc(caps) != 0)
                      return 3;
                  cap_free(caps);
                  return ClockPrivilege(u"sesystemtimeprivilege", true) == 0 && !Flag(CAP_EFFECTIVE)
                             ? 0
                             : 4;
              }),
              0);
}

TEST(Ide, ADebuggerAttachedCountsAsTheDevelopmentEnvironment) {
    VARIANT_BOOL result = 7;
    ASSERT_EQ(vlIsInIDE(&result), VL_S_OK);
    EXPECT_EQ(result, VL_FALSE);
    const int traced = InChild([] {
        if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
            return 42;
        VARIANT_BOOL in_ide = 7;
        return vlIsInIDE(&in_ide) == VL_S_OK && in_ide == VL_TRUE ? 0 : 1;
    });
    if (traced == 42)
        GTEST_SKIP() << "ptrace is not allowed here";
    EXPECT_EQ(traced, 0);
}

TEST(AppPath, RecordsTheExecutableAsALinkAndYieldsItsPath) {
    const ScratchDir dir;
    setenv("STATE_DIRECTORY", dir.path().c_str(), 1);
    Str path;
    ASSERT_EQ(vlRegisterAppPath(&path.value), VL_S_OK);
    const auto self = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(U8(path.str()), self.string());
    EXPECT_EQ(std::filesystem::read_symlink(dir / "vestrio/app-paths/support_tests"), self);

    // A place that cannot be written is no failure.
    std::ofstream(dir / "file") << "x";
    setenv("STATE_DIRECTORY", (dir / "file").c_str(), 1);
    Str still;
    EXPECT_TRUE(vlRegisterAppPath(&still.value) == VL_S_OK && still.str() == path.str());
    unsetenv("STATE_DIRECTORY");
}

// The log-places row of the fault matrix: standard error, and no place at all.
TEST(Log, EachEntryIsOneBlockWithAHeaderLine) {
    const ScratchDir dir;
    const std::string file = dir / "todsync.log";
    setenv("VESTRIO_LOG_FILE", file.c_str(), 1);
    unsetenv("JOURNAL_STREAM");
    Str info(
        u"[09:05:07.045] [2026-07-03] Trying machine A.\r\n"
        u"[09:05:07.046] [2026-07-03] System time was updated successfully.");
    Str error(u"[x] [y] All tries were failed.\r\nlone\nfeed"), where, where2;
    ASSERT_EQ(vlLogInfo(&info.value, &where.value), VL_S_OK);
    EXPECT_EQ(U8(where.str()), file);
    ASSERT_EQ(vlLogError(&error.value, &where2.value), VL_S_OK);
    unsetenv("VESTRIO_LOG_FILE");
    // Each entry: its header line, its lines ending in LF, an empty line.
    const std::string text = FileText(file);
    EXPECT_EQ(text.find("] information\n"
                        "[09:05:07.045] [2026-07-03] Trying machine A.\n"
                        "[09:05:07.046] [2026-07-03] System time was updated successfully.\n\n"),
              text.find("] ", text.find(" support_tests[")))
        << text;
    EXPECT_TRUE(text.ends_with("] error\n[x] [y] All tries were failed.\nlone^Jfeed\n\n")) << text;
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(Window, TheRuntimesMainWindowOfThisThreadGetsItsIcons) {
    VLHWND window = nullptr;
    EXPECT_EQ(vlGetThunderMainHandle(&window), VL_E_NO_WINDOW);
    vlpWindow* created = vlpCreateWindow(VL_RUNTIME_MAIN_CLASS, &vlpExecutableModule);
    vlpWindow* other_class = vlpCreateWindow(u"SomethingElse", &vlpExecutableModule);
    ASSERT_EQ(vlGetThunderMainHandle(&window), VL_S_OK);
    EXPECT_EQ(window, created);
    std::thread([] {
        VLHWND elsewhere = nullptr;
        EXPECT_EQ(vlGetThunderMainHandle(&elsewhere), VL_E_NO_WINDOW)
            << "only the calling thread's window";
    }).join();

    // A group by name in any case, or by number (1's first image: 2 colours).
    Str name(u"a_main"), group1(u"#1");
    vlpIconImage icons[8];
    ASSERT_EQ(vlSetWindowResIconAll(window, &name.value), VL_S_OK);
    ASSERT_EQ(vlpGetWindowIcons(created, icons, 8), 3u);
    EXPECT_EQ(icons[0].colors, 16);
    ASSERT_EQ(vlSetWindowResIconAll(window, &group1.value), VL_S_OK);
    ASSERT_EQ(vlpGetWindowIcons(created, icons, 8), 3u);
    EXPECT_EQ(icons[0].colors, 2);
    EXPECT_EQ(vlSetWindowResIconAll(nullptr, &name.value), VL_E_INVALIDARG);
    EXPECT_EQ(vlSetWindowResIconAll(window, nullptr), VL_E_POINTER);
    Str missing(u"NO_SUCH_GROUP");
    EXPECT_EQ(vlSetWindowResIconAll(window, &missing.value), VL_E_RESOURCE_NOT_FOUND);
    vlpDestroyWindow(other_class);
    vlpDestroyWindow(created);
    EXPECT_EQ(vlGetThunderMainHandle(&window), VL_E_NO_WINDOW);
}

}  // namespace
