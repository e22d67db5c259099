#include "estimate.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// A host asked over a simulated network: its clock runs `offset_us` ahead
// of ours, it reads it `there_us` after a question leaves and its answer
// takes `back_us` to come back, in whole seconds or in hundredths (cut, as
// Windows cuts them).
struct Host {
    std::int64_t offset_us = 0;
    std::int64_t there_us = 300;
    std::int64_t back_us = 300;
    std::int64_t first_extra_us = 0;  // the first question sets up the connection
    std::int64_t resolution_ms = 1000;
    std::int64_t jump_at_us = -1;  // when its clock jumps ahead by a minute
    int fail_after = -1;           // answers before it fails

    std::int64_t now = 1'000'000'000;  // our monotonic clock, µs
    int asked = 0;
    std::int64_t asking_from = 0;

    estimate::Reply Ask() {
        if (asked == 0) {
            asking_from = now;
        }
        if (fail_after >= 0 && asked >= fail_after) {
            ++asked;
            return {53, false, 0};
        }
        now += there_us + (asked == 0 ? first_extra_us : 0);
        std::int64_t remote =
            now + offset_us + (jump_at_us >= 0 && now >= jump_at_us ? 60'000'000 : 0);
        now += back_us;
        ++asked;
        return {0, true, remote / 1000 / resolution_ms * resolution_ms};
    }
    // The estimate's error: its remote time minus the host's true time.
    std::int64_t Error(const estimate::Estimate& e) const {
        return e.remote_us - (e.at_us + offset_us);
    }
};

struct Result {
    std::uint32_t status;
    estimate::Estimate estimate{};
    bool estimated = false;
    std::uint32_t used = 0;
};

Result Measured(Host& host) {
    Result r;
    const estimate::Clock clock{[&] { return host.now; }, [&](std::int64_t us) { host.now += us; }};
    r.status =
        estimate::Measure([&] { return host.Ask(); }, clock, &r.estimate, &r.estimated, &r.used);
    return r;
}

// Against a host in whole seconds, wherever its second begins and however
// slow its first answer: within a few ms, from the change of its second,
// within the time allowed.
TEST(Estimate, AWholeSecondHostIsReadAtTheChangeOfItsSecond) {
    for (std::int64_t offset = -1'000'000; offset < 1'000'000; offset += 37'123) {
        Host host;
        host.offset_us = 5'000'000'000 + offset;
        host.first_extra_us = 40'000;
        const Result r = Measured(host);
        ASSERT_EQ(r.status, 0u);
        ASSERT_TRUE(r.estimated);
        EXPECT_EQ(r.estimate.method, estimate::Method::kEdge) << offset;
        EXPECT_LE(std::llabs(host.Error(r.estimate)), 1'500) << offset;
        EXPECT_LE(r.estimate.spread_us, estimate::kPaceUs + 600);
        EXPECT_EQ(r.estimate.round_trip_us, 600);
        EXPECT_EQ(r.estimate.tries, static_cast<std::uint32_t>(host.asked));
        EXPECT_EQ(r.used, r.estimate.tries - 1);
        EXPECT_LE(host.now - host.asking_from, 40'600 + estimate::kAskingUs + estimate::kPaceUs);
    }
}

// Against a host in hundredths: the quickest of three answers, taken as
// read halfway through its round trip (a host that reads its clock at once
// and answers slowly is off by half the difference, no more); a first
// answer that happens to end in .00 makes it no whole-second host.
TEST(Estimate, AHundredthsHostIsReadFromItsQuickestOfThreeAnswers) {
    for (const std::int64_t offset : {-777'777'777LL, 970'000LL}) {
        Host host;
        host.resolution_ms = 10;
        host.offset_us = offset;
        host.there_us = 0;
        host.back_us = 20'000;
        host.first_extra_us = 30'000;
        const Result r = Measured(host);
        EXPECT_EQ(r.estimate.method, estimate::Method::kHundredths);
        EXPECT_EQ(r.estimate.tries, offset > 0 ? 4u : 3u);  // the .00 answer is one more
        EXPECT_EQ(r.estimate.round_trip_us, 20'000);
        EXPECT_NEAR(static_cast<double>(host.Error(r.estimate)), -10'000, 5'000);
    }
}

// Asking is bounded; a host whose second never changes, or which stops
// answering, still gives the middle of its possible second.
TEST(Estimate, AskingEndsInTimeAndFailuresLoseNothing) {
    Host stuck;
    stuck.resolution_ms = 60'000;  // a second that lasts a minute
    const Result s = Measured(stuck);
    ASSERT_TRUE(s.estimated);
    EXPECT_EQ(s.estimate.method, estimate::Method::kNoEdge);
    EXPECT_LE(stuck.now - stuck.asking_from, estimate::kAskingUs + estimate::kPaceUs + 600);
    EXPECT_LE(s.estimate.tries, estimate::kAskingUs / estimate::kPaceUs + 2);

    Host failing;
    failing.fail_after = 2;
    failing.offset_us = 250'000;
    const Result f = Measured(failing);
    ASSERT_EQ(f.status, 0u);
    ASSERT_TRUE(f.estimated);
    EXPECT_EQ(f.estimate.method, estimate::Method::kNoEdge);
    EXPECT_EQ(f.used, 1u);
    EXPECT_LE(std::llabs(failing.Error(f.estimate)), 500'000);

    // A first answer alone (the next fails, or it took so long that one
    // more could outlast the host's deadline) is no estimate; a first
    // question that fails is the host's failure.
    Host alone, slow, refused;
    alone.fail_after = 1;
    slow.first_extra_us = estimate::kSlowUs + 1;
    refused.fail_after = 0;
    EXPECT_FALSE(Measured(alone).estimated || Measured(slow).estimated);
    EXPECT_EQ(slow.asked, 1);
    EXPECT_EQ(Measured(refused).status, 53u);
    EXPECT_EQ(refused.asked, 1);
}

// A host whose clock jumps while asked is read after the jump.
TEST(Estimate, AJumpStartsTheSearchAgain) {
    Host host;
    host.offset_us = 400'000;
    host.jump_at_us = host.now + 100'000;
    const Result r = Measured(host);
    EXPECT_EQ(r.estimate.method, estimate::Method::kEdge);
    EXPECT_LE(std::llabs(r.estimate.remote_us - (r.estimate.at_us + host.offset_us + 60'000'000)),
              1'500);
}

TEST(Estimate, RecordsThatAreNoClockTimeHaveNoMilliseconds) {
    std::int64_t ms = 0;
    ASSERT_TRUE(estimate::RecordMilliseconds(2026, 7, 3, 9, 5, 9, 12, &ms));
    EXPECT_EQ(ms, ((20637LL * 24 + 9) * 60 + 5) * 60'000 + 9'120);
    EXPECT_TRUE(estimate::RecordMilliseconds(1601, 1, 1, 0, 0, 0, 0, &ms) &&
                estimate::RecordMilliseconds(2024, 2, 29, 23, 59, 59, 99, &ms));
    EXPECT_FALSE(estimate::RecordMilliseconds(2026, 2, 29, 0, 0, 0, 0, &ms));
    EXPECT_FALSE(estimate::RecordMilliseconds(1600, 12, 31, 0, 0, 0, 0, &ms));
    EXPECT_FALSE(estimate::RecordMilliseconds(2026, 7, 3, 24, 0, 0, 0, &ms));
    EXPECT_FALSE(estimate::RecordMilliseconds(2026, 7, 3, 0, 0, 60, 0, &ms));
    EXPECT_FALSE(estimate::RecordMilliseconds(2026, 7, 3, 0, 0, 0, 100, &ms));
    EXPECT_FALSE(estimate::RecordMilliseconds(2026, 0, 3, 0, 0, 0, 0, &ms));
}

}  // namespace
