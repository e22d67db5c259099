// What the program believes of its network helper's answers.
#include <gtest/gtest.h>

#include <cstring>

#include "fetch-protocol.h"

namespace {

fetch::Answer Sound() {
    fetch::Answer answer{};
    answer.magic = fetch::kAnswerMagic;
    answer.sequence = 7;
    answer.has_record = 1;
    answer.record.tod_year = 2026;
    return answer;
}

bool Check(const fetch::Answer& answer, std::size_t size = sizeof(fetch::Answer)) {
    std::uint32_t status = 99;
    bool has_record = false;
    platform::TIME_OF_DAY_INFO record{};
    return fetch::CheckAnswer(&answer, size, 7, &status, &has_record, &record);
}

TEST(FetchProtocol, OnlyASoundAnswerToThisRequestIsBelieved) {
    fetch::Answer answer = Sound();
    std::uint32_t status = 99;
    bool has_record = false;
    platform::TIME_OF_DAY_INFO record{};
    ASSERT_TRUE(fetch::CheckAnswer(&answer, sizeof answer, 7, &status, &has_record, &record));
    EXPECT_EQ(status, 0u);
    EXPECT_TRUE(has_record);
    EXPECT_EQ(record.tod_year, 2026u);

    EXPECT_FALSE(Check(answer, sizeof answer - 1)) << "short";
    EXPECT_FALSE(Check(answer, sizeof answer + 1)) << "long";
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
}

TEST(FetchProtocol, RequestsCarryNamesWholeUpToTheLimit) {
    std::uint32_t sequence = 0;
    std::string name;
    const std::string long_name(fetch::kMaxName, 'a');
    ASSERT_TRUE(fetch::DecodeRequest(fetch::EncodeRequest(42, long_name), &sequence, &name));
    EXPECT_EQ(sequence, 42u);
    EXPECT_EQ(name, long_name);
    EXPECT_FALSE(fetch::DecodeRequest(fetch::EncodeRequest(1, long_name + "a"), &sequence, &name));
    EXPECT_FALSE(fetch::DecodeRequest("abc", &sequence, &name));
}

}  // namespace
