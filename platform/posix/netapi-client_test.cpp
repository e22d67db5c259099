// libnetapi against a real smbd, inside scripts/testnet.sh; the rest faked.
#include <cstdlib>
#include <ctime>

#include "civil.h"
#include "fakes/fakes.h"
#include "helpers.h"
#include "sync.h"

namespace {

TEST(RealServer, ARealAnswerIsAppliedToTheClock) {
    if (std::getenv("TESTNET_DIR") == nullptr)
        GTEST_SKIP() << "needs the test server: run through scripts/testnet.sh";
    const std::time_t before = std::time(nullptr);
    EXPECT_TRUE(SyncFromHost(u"127.0.0.1"));
    const std::time_t after = std::time(nullptr);
    ASSERT_EQ(fake::clock_set.size(), 1u);
    const platform::SYSTEMTIME& t = fake::clock_set[0];
    // Samba answers in whole seconds of UTC.
    EXPECT_EQ(t.wMilliseconds, 0);
    const std::int64_t set = civil::DaysFromCivil(t.wYear, t.wMonth, t.wDay) * 86400 +
                             t.wHour * 3600 + t.wMinute * 60 + t.wSecond;
    EXPECT_GE(set, before - 1);
    EXPECT_LE(set, after);
}

}  // namespace
