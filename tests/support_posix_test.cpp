// The support library at its C boundary: what it does on Linux.
#include <fcntl.h>
#include <sys/capability.h>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <thread>

#include "helpers.h"
#include "support_str.h"
#include "vestriosupport.h"
#include "vlruntime.h"

extern "C" const vlpModule vlpExecutableModule;

namespace {

TEST(Errors, TheCodesOfNetRemoteTODInWindowsWords) {
    const std::pair<std::int32_t, const char16_t*> known[] = {
        {53, u"The network path was not found."},
        {1225, u"The remote computer refused the network connection."},
        {1003, u"Cannot complete this function."},
        {5, u"Access is denied."},
        {2, u"The system cannot find the file specified."},  // Samba's table
        {12345, u"Unknown error 12345 (0x00003039)."},
    };
    for (const auto& [code, text] : known) {
        Str description;
        ASSERT_EQ(vlGetAPIErrorDescription(code, &description.value), VL_S_OK);
        EXPECT_EQ(description.str(), text) << code;
    }
}

// Runs `body` in a child process, so that this one keeps its capabilities
// and is not traced; the child's exit status is the result.
int InChild(int (*body)()) {
    const pid_t pid = fork();
    if (pid == 0) {
        _exit(body());
    }
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

// Enables (or disables) the clock privilege; -1 on failure, else the
// yielded answer as 0 or 1.
int ClockPrivilege(const char16_t* name, bool enable) {
    Str privilege(name);
    VARIANT_BOOL result = 7;
    if (vlSetPrivilegeForProcess(privilege.value, enable ? VL_TRUE : VL_FALSE, &result) != VL_S_OK)
        return -1;
    return result == VL_TRUE ? 1 : result == VL_FALSE ? 0 : -1;
}

TEST(Privileges, TrueOnlyWhenTheCapabilityIsReallyEffective) {
    // Nothing here touches the clock: only the capability sets change.
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
    if (traced == 42) {
        GTEST_SKIP() << "ptrace is not allowed here";
    }
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

    // A place that cannot be written is no failure: the record is a
    // convenience.
    std::ofstream(dir / "file") << "x";
    setenv("STATE_DIRECTORY", (dir / "file").c_str(), 1);
    Str still;
    EXPECT_EQ(vlRegisterAppPath(&still.value), VL_S_OK);
    EXPECT_EQ(still.str(), path.str());
    unsetenv("STATE_DIRECTORY");
}

class Log : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("VESTRIO_LOG_FILE", file_.c_str(), 1);
        unsetenv("JOURNAL_STREAM");
    }
    void TearDown() override { unsetenv("VESTRIO_LOG_FILE"); }
    // Runs `write` with standard error going to a file (or closed); returns
    // what it got.
    std::string StderrOf(const std::function<void()>& write, bool closed = false) {
        const int saved = dup(2);
        const int fd = open((dir_ / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, 2);
        close(fd);
        if (closed)
            close(2);
        write();
        dup2(saved, 2);
        close(saved);
        return FileText(dir_ / "stderr");
    }
    const ScratchDir dir_;
    const std::string file_ = dir_ / "todsync.log";
};

TEST_F(Log, EachEntryIsOneBlockWithAHeaderLine) {
    Str info(
        u"[09:05:07.045] [2026-07-03] Trying machine A.\r\n"
        u"[09:05:07.046] [2026-07-03] System time was updated successfully.");
    Str where, where2;
    std::string stderr_text =
        StderrOf([&] { ASSERT_EQ(vlLogInfo(&info.value, &where.value), VL_S_OK); });
    EXPECT_EQ(U8(where.str()), file_);
    Str error(u"[x] [y] All tries were failed.\r\nlone\nfeed");
    ASSERT_EQ(vlLogError(&error.value, &where2.value), VL_S_OK);

    // Each entry: its header line (whose layout the entry layout tests
    // check), its lines with LF line ends, then an empty line.
    const std::string text = FileText(file_);
    const auto info_header = text.find(" support_tests[");
    EXPECT_EQ(text.find("] information\n"
                        "[09:05:07.045] [2026-07-03] Trying machine A.\n"
                        "[09:05:07.046] [2026-07-03] System time was updated successfully.\n\n"),
              text.find("] ", info_header))
        << text;
    EXPECT_TRUE(text.ends_with("] error\n[x] [y] All tries were failed.\nlone^Jfeed\n\n")) << text;
    EXPECT_NE(stderr_text.find("information\n[09:05:07.045] [2026-07-03] Trying machine A."),
              std::string::npos)
        << "an administrator at a terminal sees the entry: " << stderr_text;
    struct stat st {};
    ASSERT_EQ(stat(file_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(Log, AFileThatCannotBeWrittenIsReportedAndTheEntryStillShown) {
    setenv("VESTRIO_LOG_FILE", dir_.path().c_str(), 1);  // a directory
    Str info(u"entry");
    Str where;
    const std::string stderr_text =
        StderrOf([&] { EXPECT_EQ(vlLogInfo(&info.value, &where.value), VL_S_OK); });
    EXPECT_NE(stderr_text.find("cannot open log file"), std::string::npos) << stderr_text;
    EXPECT_NE(stderr_text.find("entry"), std::string::npos) << stderr_text;
    // With standard error closed too, the entry reaches no place.
    StderrOf([&] { EXPECT_EQ(vlLogInfo(&info.value, &where.value), VL_E_FAIL); }, true);
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

    // A group by its name in any case, or by number; group 1's first image
    // is monochrome.
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
