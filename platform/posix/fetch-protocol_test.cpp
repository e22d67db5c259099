// What the program believes of its network helper's answers.
#include <gtest/gtest.h>

#include <cstring>

#include "fetch-protocol.h"

namespace {

constexpr std::int64_t kSent = 50'000'000;      // µs of the monotonic clock
constexpr std::int64_t kReceived = 51'300'000;  // 1.3 s later

fetch::Request Asked(fetch::Kind kind = fetch::Kind::kTimeOfDay) {
    fetch::Request request;
    request.sequence = 7;
    request.kind = kind;
    return request;
}

fetch::Answer Header() {
    fetch::Answer answer{};
    answer.magic = fetch::kAnswerMagic;
    answer.sequence = 7;
    return answer;
}

fetch::Answer Sound() {
    fetch::Answer answer = Header();
    answer.has_record = 1;
    answer.record.tod_year = 2026;
    answer.record.tod_month = 7;
    answer.record.tod_day = 3;
    answer.record.tod_secs = 9;
    return answer;
}

// 3.07.2026 0:00:09, in µs since 1970.
constexpr std::int64_t kRecordUs = (20637LL * 86400 + 9) * 1'000'000;

fetch::Answer Estimated() {
    fetch::Answer answer = Sound();
    answer.has_estimate = 1;
    answer.method = static_cast<std::uint32_t>(estimate::Method::kEdge);
    answer.tries = 300;
    answer.remote_us = kRecordUs;
    answer.at_us = kSent + 700'000;
    answer.round_trip_us = 400;
    answer.spread_us = 2100;
    return answer;
}

fetch::Answer Found() {
    fetch::Answer answer = Header();
    answer.server_length = 14;
    std::memcpy(answer.server, "\\\\dc1.tod.test", 14);
    answer.domain_length = 8;
    std::memcpy(answer.domain, "tod.test", 8);
    answer.server_flags = 0x40;
    return answer;
}

bool Check(const fetch::Answer& answer, fetch::Kind kind = fetch::Kind::kTimeOfDay,
           std::size_t size = sizeof(fetch::Answer), fetch::Reply* reply = nullptr) {
    fetch::Reply ignored;
    return fetch::CheckAnswer(&answer, size, Asked(kind), kSent, kReceived,
                              reply != nullptr ? reply : &ignored);
}

TEST(FetchProtocol, OnlyASoundAnswerToThisRequestIsBelieved) {
    fetch::Answer answer = Sound();
    fetch::Reply reply;
    ASSERT_TRUE(Check(answer, fetch::Kind::kTimeOfDay, sizeof answer, &reply));
    EXPECT_EQ(reply.status, 0u);
    EXPECT_TRUE(reply.has_record && !reply.has_estimate);
    EXPECT_EQ(reply.record.tod_year, 2026u);

    EXPECT_FALSE(Check(answer, fetch::Kind::kTimeOfDay, sizeof answer - 1)) << "short";
    EXPECT_FALSE(Check(answer, fetch::Kind::kTimeOfDay, sizeof answer + 1)) << "long";
    answer.magic ^= 1;
    EXPECT_FALSE(Check(answer)) << "magic";
    answer = Sound();
    answer.sequence = 6;
    EXPECT_FALSE(Check(answer)) << "an answer to an earlier request";
    answer = Sound();
    answer.has_record = 2;
    EXPECT_FALSE(Check(answer)) << "has_record not 0 or 1";
    answer = Sound();
    answer.status = 53;
    EXPECT_FALSE(Check(answer)) << "a record beside a failure";
    answer.has_record = 0;
    EXPECT_TRUE(Check(answer)) << "a failure";
    EXPECT_FALSE(Check(Found())) << "a time server for a time of day";

    unsigned char taken[sizeof(fetch::Taken) + 1] = {};
    const fetch::Taken sound{fetch::kTakenMagic, 7};
    std::memcpy(taken, &sound, sizeof sound);
    EXPECT_TRUE(fetch::CheckTaken(taken, sizeof sound, 7));
    EXPECT_FALSE(fetch::CheckTaken(taken, sizeof sound, 8)) << "taken: another request";
    EXPECT_FALSE(fetch::CheckTaken(taken, sizeof sound - 1, 7)) << "taken: short";
    EXPECT_FALSE(fetch::CheckTaken(taken, sizeof taken, 7)) << "taken: long";
    taken[0] ^= 1;
    EXPECT_FALSE(fetch::CheckTaken(taken, sizeof sound, 7)) << "taken: magic";
    EXPECT_FALSE(Check(Estimated())) << "an estimate that was not asked for";
}

// An estimate moves the time by no more than the record's last hundredth,
// at a moment while the host was asked.
TEST(FetchProtocol, AnEstimateMustFitItsRecordAndTheTimeAsked) {
    fetch::Reply reply;
    ASSERT_TRUE(Check(Estimated(), fetch::Kind::kPrecise, sizeof(fetch::Answer), &reply));
    EXPECT_TRUE(reply.has_estimate);
    EXPECT_EQ(reply.estimate.remote_us, kRecordUs);
    EXPECT_EQ(reply.estimate.method, estimate::Method::kEdge);
    EXPECT_TRUE(Check(Sound(), fetch::Kind::kPrecise)) << "a record the helper could not refine";
    const std::vector<std::pair<const char*, void (*)(fetch::Answer&)>> faults{
        {"a second later", [](fetch::Answer& a) { a.remote_us += 1'000'000; }},
        {"before the record", [](fetch::Answer& a) { a.remote_us -= 1; }},
        {"a hundredth on", [](fetch::Answer& a) { a.remote_us += 10'000; }},
        {"after the answer", [](fetch::Answer& a) { a.at_us = kReceived + 1; }},
        {"long before asking", [](fetch::Answer& a) { a.at_us = kSent - 1'000'001; }},
        {"an unknown method", [](fetch::Answer& a) { a.method = 4; }},
        {"no tries", [](fetch::Answer& a) { a.tries = 0; }},
        {"a round trip longer than asking", [](fetch::Answer& a) { a.round_trip_us = 1'300'001; }},
        {"a negative spread", [](fetch::Answer& a) { a.spread_us = -1; }},
        {"no clock time", [](fetch::Answer& a) { a.record.tod_month = 13; }},
        {"without a record", [](fetch::Answer& a) { a.has_record = 0; }},
        {"has_estimate not 0 or 1", [](fetch::Answer& a) { a.has_estimate = 2; }},
    };
    for (const auto& [what, fault] : faults) {
        fetch::Answer answer = Estimated();
        fault(answer);
        EXPECT_FALSE(Check(answer, fetch::Kind::kPrecise)) << what;
    }
}

TEST(FetchProtocol, ATimeServerIsANameWithoutNul) {
    fetch::Reply reply;
    ASSERT_TRUE(Check(Found(), fetch::Kind::kTimeServer, sizeof(fetch::Answer), &reply));
    EXPECT_EQ(reply.server, "\\\\dc1.tod.test");
    EXPECT_EQ(reply.domain, "tod.test");
    EXPECT_EQ(reply.server_flags, 0x40u);
    fetch::Answer answer = Found();
    answer.server[3] = '\0';
    EXPECT_FALSE(Check(answer, fetch::Kind::kTimeServer)) << "a NUL";
    answer = Found();
    answer.domain_length = fetch::kMaxFound + 1;
    EXPECT_FALSE(Check(answer, fetch::Kind::kTimeServer)) << "longer than its field";
    answer.domain_length = 0;
    answer.server_length = 0;
    EXPECT_FALSE(Check(answer, fetch::Kind::kTimeServer)) << "success without a name";
    answer.status = 1355;
    EXPECT_TRUE(Check(answer, fetch::Kind::kTimeServer)) << "a failure";
    answer = Found();
    answer.status = 1355;
    EXPECT_FALSE(Check(answer, fetch::Kind::kTimeServer)) << "a name beside a failure";
    EXPECT_FALSE(Check(Sound(), fetch::Kind::kTimeServer)) << "a record for a time server";
}

TEST(FetchProtocol, RequestsCarryNamesWholeUpToTheLimit) {
    fetch::Request request = Asked(fetch::Kind::kTimeServer);
    request.flags = 0x40000801;
    request.name.assign(fetch::kMaxName, 'a');
    fetch::Request decoded;
    ASSERT_TRUE(fetch::DecodeRequest(fetch::EncodeRequest(request), &decoded));
    EXPECT_EQ(decoded.sequence, 7u);
    EXPECT_EQ(decoded.kind, fetch::Kind::kTimeServer);
    EXPECT_EQ(decoded.flags, 0x40000801u);
    EXPECT_EQ(decoded.name, request.name);
    request.name += "a";
    EXPECT_FALSE(fetch::DecodeRequest(fetch::EncodeRequest(request), &decoded));
    EXPECT_FALSE(fetch::DecodeRequest("abcdefghijk", &decoded));
    request.name = "x";
    std::string bytes = fetch::EncodeRequest(request);
    bytes[4] = 4;
    EXPECT_FALSE(fetch::DecodeRequest(bytes, &decoded)) << "an unknown kind";
}

}  // namespace
