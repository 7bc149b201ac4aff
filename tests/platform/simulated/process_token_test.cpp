// What GetTokenInformation answers on an open token, by description and
// buffer size.
#include "platform/simulated/process_token.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/platform.h"

namespace quartzmon::platform::simulated {
namespace {

constexpr std::uint32_t TokenStatistics = 10;  // a class the machine does not model
constexpr std::uint8_t X = 0xEE;               // a byte the answer leaves alone

struct TokenCase {
    const char* name;
    TokenDescription token;
    std::uint32_t information_class;
    std::uint32_t error;
    std::uint32_t return_length;
    std::vector<std::uint8_t> information;  // the buffer afterwards, as large as passed
};

class TokenInformationTest : public ::testing::TestWithParam<TokenCase> {};

TEST_P(TokenInformationTest, Answers) {
    const TokenCase& expected = GetParam();
    std::vector<std::uint8_t> information(expected.information.size(), X);
    const TokenInformationAnswer answer =
        answer_token_information(expected.token, expected.information_class, information);
    EXPECT_EQ(answer.error, expected.error);
    EXPECT_EQ(answer.return_length, expected.return_length);
    EXPECT_EQ(information, expected.information);
}

constexpr TokenDescription ELEVATED{true, 0, 0};
constexpr TokenDescription LIMITED{false, 0, 0};
constexpr TokenDescription FAILING{true, 0, ERROR_ACCESS_DENIED};

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, TokenInformationTest, ::testing::Values(
    TokenCase{"Elevated", ELEVATED, TokenElevation, 0, 4, {1, 0, 0, 0}},
    TokenCase{"Limited", LIMITED, TokenElevation, 0, 4, {0, 0, 0, 0, X, X}},
    TokenCase{"BufferTooSmall", ELEVATED, TokenElevation, ERROR_INSUFFICIENT_BUFFER, 4, {X, X, X}},
    TokenCase{"DescribedError", FAILING, TokenElevation, ERROR_ACCESS_DENIED, 0, {X, X, X, X}},
    TokenCase{"OtherClass", ELEVATED, TokenStatistics, ERROR_INVALID_PARAMETER, 0, {X, X, X, X}}),
    [](const ::testing::TestParamInfo<TokenCase>& test) { return test.param.name; });
// clang-format on

}  // namespace
}  // namespace quartzmon::platform::simulated
