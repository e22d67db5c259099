// The support library at its C boundary: what it does on Linux.
#include <fcntl.h>
#include <pthread.h>
#include <sys/capability.h>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <thread>

#include "helpers.h"
#include "platform/posix/window.h"
#include "support/vestriosupport.h"
#include "support_str.h"

extern "C" const vlpModule vlpExecutableModule;

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class TempDir : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/support-test.XXXXXX";
        dir_ = mkdtemp(pattern);
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
    std::string dir_;
};

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

// Runs `body` in a child process; its exit status is the result.
int InChild(int (*body)()) {
    const pid_t pid = fork();
    if (pid == 0) {
        _exit(body());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

int Flag(cap_value_t capability, cap_flag_t set) {
    cap_t caps = cap_get_proc();
    cap_flag_value_t value = CAP_CLEAR;
    cap_get_flag(caps, capability, set, &value);
    cap_free(caps);
    return value == CAP_SET;
}

TEST(Privileges, TrueOnlyWhenTheCapabilityIsReallyEffective) {
    // In a child, so that this process keeps its capabilities as they are.
    // Nothing here touches the clock: only the capability sets change.
    EXPECT_EQ(InChild([] {
                  const bool permitted = Flag(CAP_SYS_TIME, CAP_PERMITTED);
                  Str name(u"SeSystemtimePrivilege");
                  VARIANT_BOOL result = 7;
                  if (vlSetPrivilegeForProcess(name.value, VL_TRUE, &result) != VL_S_OK)
                      return 1;
                  if (result != (permitted ? VL_TRUE : VL_FALSE))
                      return 2;
                  if (Flag(CAP_SYS_TIME, CAP_EFFECTIVE) != permitted)
                      return 3;
                  if (vlSetPrivilegeForProcess(name.value, VL_FALSE, &result) != VL_S_OK)
                      return 4;
                  if (result != VL_TRUE || Flag(CAP_SYS_TIME, CAP_EFFECTIVE))
                      return 5;
                  return 0;
              }),
              0);
    EXPECT_EQ(InChild([] {
                  // Without the capability in the permitted set, raising fails.
                  cap_t caps = cap_get_proc();
                  const cap_value_t time[] = {CAP_SYS_TIME};
                  cap_set_flag(caps, CAP_EFFECTIVE, 1, time, CAP_CLEAR);
                  cap_set_flag(caps, CAP_PERMITTED, 1, time, CAP_CLEAR);
                  if (cap_set_proc(caps) != 0)
                      return 1;
                  cap_free(caps);
                  Str name(u"sesystemtimeprivilege");
                  VARIANT_BOOL result = 7;
                  if (vlSetPrivilegeForProcess(name.value, VL_TRUE, &result) != VL_S_OK)
                      return 2;
                  return result == VL_FALSE && !Flag(CAP_SYS_TIME, CAP_EFFECTIVE) ? 0 : 3;
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

class AppPath : public TempDir {};

TEST_F(AppPath, RecordsTheExecutableAsALinkAndYieldsItsPath) {
    setenv("STATE_DIRECTORY", dir_.c_str(), 1);
    Str path;
    ASSERT_EQ(vlRegisterAppPath(&path.value), VL_S_OK);
    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    EXPECT_EQ(U8(path.str()), self);
    const std::string link = dir_ + "/vestrio/app-paths/support_tests";
    char target[4096] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0) << link;
    EXPECT_STREQ(target, self);
    Str again;
    EXPECT_EQ(vlRegisterAppPath(&again.value), VL_S_OK);

    // A place that cannot be written is no failure: the record is a
    // convenience.
    const std::string blocked = dir_ + "/file";
    std::ofstream(blocked) << "x";
    setenv("STATE_DIRECTORY", blocked.c_str(), 1);
    Str still;
    EXPECT_EQ(vlRegisterAppPath(&still.value), VL_S_OK);
    EXPECT_EQ(still.str(), path.str());
    unsetenv("STATE_DIRECTORY");
}

class Log : public TempDir {
protected:
    void SetUp() override {
        TempDir::SetUp();
        file_ = dir_ + "/todsync.log";
        setenv("VESTRIO_LOG_FILE", file_.c_str(), 1);
        unsetenv("JOURNAL_STREAM");
    }
    void TearDown() override {
        unsetenv("VESTRIO_LOG_FILE");
        TempDir::TearDown();
    }
    // Runs `write` with standard error going to a file; returns what it got.
    std::string StderrOf(const std::function<void()>& write) {
        const std::string path = dir_ + "/stderr";
        const int saved = dup(2);
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, 2);
        close(fd);
        write();
        dup2(saved, 2);
        close(saved);
        return Slurp(path);
    }
    std::string file_;
};

TEST_F(Log, EachEntryIsOneBlockWithAHeaderLine) {
    Str info(
        u"[09:05:07.045] [2026-07-03] Trying machine A.\r\n"
        u"[09:05:07.046] [2026-07-03] System time was updated successfully.");
    Str where;
    std::string stderr_text =
        StderrOf([&] { ASSERT_EQ(vlLogInfo(&info.value, &where.value), VL_S_OK); });
    EXPECT_EQ(U8(where.str()), file_);
    Str error(u"[x] [y] All tries were failed.\r\nlone\nfeed");
    Str where2;
    ASSERT_EQ(vlLogError(&error.value, &where2.value), VL_S_OK);

    const std::string text = Slurp(file_);
    const std::regex layout(
        "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} [+-]\\d{4} support_tests\\[\\d+\\] "
        "information\n"
        "\\[09:05:07.045\\] \\[2026-07-03\\] Trying machine A\\.\n"
        "\\[09:05:07.046\\] \\[2026-07-03\\] System time was updated successfully\\.\n"
        "\n"
        "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} [+-]\\d{4} support_tests\\[\\d+\\] "
        "error\n"
        "\\[x\\] \\[y\\] All tries were failed\\.\n"
        "lone\\^Jfeed\n"
        "\n");
    EXPECT_TRUE(std::regex_match(text, layout)) << text;
    EXPECT_NE(stderr_text.find("information\n[09:05:07.045] [2026-07-03] Trying machine A."),
              std::string::npos)
        << "an administrator at a terminal sees the entry: " << stderr_text;
    struct stat st {};
    ASSERT_EQ(stat(file_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(Log, AFileThatCannotBeWrittenIsReportedAndTheEntryStillShown) {
    setenv("VESTRIO_LOG_FILE", dir_.c_str(), 1);  // a directory
    Str info(u"entry");
    Str where;
    const std::string stderr_text =
        StderrOf([&] { EXPECT_EQ(vlLogInfo(&info.value, &where.value), VL_S_OK); });
    EXPECT_NE(stderr_text.find("cannot open log file"), std::string::npos) << stderr_text;
    EXPECT_NE(stderr_text.find("entry"), std::string::npos) << stderr_text;
}

TEST_F(Log, AnEntryThatReachesNoPlaceIsAFailure) {
    setenv("VESTRIO_LOG_FILE", dir_.c_str(), 1);
    const int saved = dup(2);
    close(2);
    Str info(u"entry");
    Str where;
    const int32_t status = vlLogInfo(&info.value, &where.value);
    dup2(saved, 2);
    close(saved);
    EXPECT_EQ(status, VL_E_FAIL);
    EXPECT_EQ(where.value, nullptr);
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

    Str name(u"a_main");
    ASSERT_EQ(vlSetWindowResIconAll(window, &name.value), VL_S_OK);
    vlpIconImage icons[8];
    ASSERT_EQ(vlpGetWindowIcons(created, icons, 8), 3u);
    const int sizes[] = {48, 32, 16};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(icons[i].width, sizes[i]);
        EXPECT_EQ(icons[i].height, sizes[i]);
        EXPECT_EQ(icons[i].colors, 16);
        EXPECT_EQ(icons[i].bits, 4);
    }
    Str group1(u"#1");
    ASSERT_EQ(vlSetWindowResIconAll(window, &group1.value), VL_S_OK);
    ASSERT_EQ(vlpGetWindowIcons(created, icons, 8), 3u);
    EXPECT_EQ(icons[0].colors, 2);

    Str missing(u"NO_SUCH_GROUP");
    EXPECT_EQ(vlSetWindowResIconAll(window, &missing.value), VL_E_RESOURCE_NOT_FOUND);
    EXPECT_EQ(vlSetWindowResIconAll(nullptr, &name.value), VL_E_INVALIDARG);
    EXPECT_EQ(vlSetWindowResIconAll(window, nullptr), VL_E_POINTER);
    vlpDestroyWindow(other_class);
    vlpDestroyWindow(created);
    EXPECT_EQ(vlGetThunderMainHandle(&window), VL_E_NO_WINDOW);
}

TEST(Window, AMalformedGroupIsNotFound) {
    static const std::uint8_t broken[] = {0, 0, 1, 0,    1,    0, 16, 16, 16, 0, 1,
                                          0, 4, 0, 0xFF, 0xFF, 0, 0,  22, 0,  0, 0};
    static const vlpResource resources[] = {{"ICON_GROUP", "BROKEN", broken, sizeof broken}};
    static const vlpModule module = {resources, 1};
    vlpWindow* window = vlpCreateWindow(VL_RUNTIME_MAIN_CLASS, &module);
    Str name(u"BROKEN");
    EXPECT_EQ(vlSetWindowResIconAll(window, &name.value), VL_E_RESOURCE_NOT_FOUND);
    vlpDestroyWindow(window);
}

}  // namespace
