// Giving up privileges at start fails closed: when the kernel refuses a
// step, the run ends with the fatal message and status 70 before it reads
// anything. The step that fails here is cap_set_proc, replaced below.
#include <errno.h>
#include <sys/capability.h>

#include <string>

#include "helpers.h"
#include "runtime.h"

extern "C" int cap_set_proc(cap_t) {
    errno = EPERM;
    return -1;
}

namespace {

TEST(FailClosed, ARefusedCapabilityStepEndsTheRunWithStatus70) {
    std::string program = "todsync";
    std::string host = "host";
    char* argv[] = {program.data(), host.data(), nullptr};
    EXPECT_EXIT(platform::posix::StartRuntime(2, argv), ::testing::ExitedWithCode(70),
                "todsync: Giving up privileges failed \\(status 0x00000001\\); nothing was logged");
}

}  // namespace
