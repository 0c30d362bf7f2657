// A float of the JSON document is written as nlohmann-json writes a float: the same digits in the
// same layout, for numbers worked out by hand and for floats spread over every exponent.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "export/float_text.hpp"

namespace {

std::string textOf(float v) {
    char buffer[kFloatTextRoom];
    return std::string(buffer, writeFloatText(buffer, v));
}

std::string libraryTextOf(float v) {
    char buffer[64];
    return std::string(buffer, nlohmann::detail::to_chars(buffer, buffer + sizeof buffer, v));
}

TEST(FloatText, WholeNumbersKeepAPointUpToSixDigits) {
    EXPECT_EQ(textOf(1.0f), "1.0");
    EXPECT_EQ(textOf(-0.0f), "-0.0");
    EXPECT_EQ(textOf(0.0f), "0.0");
    EXPECT_EQ(textOf(300.0f), "300.0");
    EXPECT_EQ(textOf(123456.0f), "123456.0");
    EXPECT_EQ(textOf(1234567.0f), "1.234567e+06");
    EXPECT_EQ(textOf(1.0e7f), "1e+07");
}

TEST(FloatText, FractionsArePlainDownToAThousandth) {
    EXPECT_EQ(textOf(0.1f), "0.1");  // the shortest decimal, not the float's exact 0.100000001490116...
    EXPECT_EQ(textOf(-2.5f), "-2.5");
    EXPECT_EQ(textOf(12.62689f), "12.62689");
    EXPECT_EQ(textOf(0.0001f), "0.0001");
    EXPECT_EQ(textOf(0.00012345f), "0.00012345");
    EXPECT_EQ(textOf(1.0e-5f), "1e-05");
    EXPECT_EQ(textOf(-2.5e-5f), "-2.5e-05");
}

TEST(FloatText, TheExtremesHaveTwoOrThreeExponentDigits) {
    EXPECT_EQ(textOf(std::numeric_limits<float>::max()), "3.4028235e+38");
    EXPECT_EQ(textOf(std::numeric_limits<float>::min()), "1.1754944e-38");
    EXPECT_EQ(textOf(std::numeric_limits<float>::denorm_min()), "1e-45");
}

TEST(FloatText, OnAnEdgeTheLibraryDecides) {
    // 1.00390625 and 138555.375 lie exactly halfway between two 8-digit decimals; 33600890 lies
    // exactly halfway between the floats 33600888 and 33600892.
    for (const float v : {1.00390625f, 138555.375f, 33600888.0f}) EXPECT_EQ(textOf(v), libraryTextOf(v)) << v;
}

TEST(FloatText, TheTextReadsBackToTheSameFloat) {
    for (const float v : {0.1f, 1.0f / 3.0f, 16777215.0f, 6.02214e23f, 1.2e-38f, 5.07491f, 138555.375f}) {
        const std::string text = textOf(v);
        EXPECT_EQ(std::stof(text), v) << text;
    }
}

// Bit patterns stepped through every exponent and every part of the significand, both signs.
TEST(FloatText, SameAsTheLibraryOverTheWholeRange) {
    std::size_t compared = 0;
    for (std::uint64_t bits = 1; bits < (std::uint64_t{1} << 32); bits += 4099) {
        const auto pattern = static_cast<std::uint32_t>(bits);
        float v = 0.0f;
        std::memcpy(&v, &pattern, sizeof v);
        if (!std::isfinite(v)) continue;
        ASSERT_EQ(textOf(v), libraryTextOf(v)) << "bits " << pattern;
        ++compared;
    }
    EXPECT_GT(compared, std::size_t{1000000});
}

}  // namespace
