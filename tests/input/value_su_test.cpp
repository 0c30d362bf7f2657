// Numbers with a standard uncertainty in parentheses: value and su are the floats that the same
// decimals written out in full give (strtof in the C locale is the reference).
#include <gtest/gtest.h>

#include <cstdlib>

#include "input/value_su.hpp"

namespace {

struct Case {
    const char* text;
    int scale10;
    const char* value;  // the same value written out in full
    const char* su;
};

constexpr Case kCases[] = {
    {"6.1819(38)", 0, "6.1819", "0.0038"},
    {"1.2e-3(4)", 0, "0.0012", "0.0004"},
    {"1.2E-3(4)", 0, "0.0012", "0.0004"},
    {"-0.5(12)", 0, "-0.5", "1.2"},
    {"+0.5(1)", 0, "0.5", "0.1"},
    {"120(2)", 0, "120", "2"},
    {"16.212", 0, "16.212", "0"},
    {".5(1)", 0, "0.5", "0.1"},
    {"1.(2)", 0, "1", "2"},
    {"1E2(3)", 0, "100", "300"},
    {"114.13", 0, "114.13", "0"},
    {"90.000(0)", 0, "90", "0"},
    // kPa to GPa: the decimal point moves six places, the su with it.
    {"2.5e+05", -6, "0.25", "0"},
    {"3.94e+06", -6, "3.94", "0"},
    {"101.325", -6, "0.000101325", "0"},
    {"250000(3000)", -6, "0.25", "0.003"},
    {"1.5e6(2)", -6, "1.5", "0.2"},
};

TEST(ValueSu, ValueAndSuAreTheFloatsOfTheDigitsWrittenOutInFull) {
    for (const Case& c : kCases) {
        const auto parsed = parseValueSu(c.text, c.scale10);
        ASSERT_TRUE(parsed) << c.text;
        EXPECT_EQ(parsed->value, std::strtof(c.value, nullptr)) << c.text;
        EXPECT_EQ(parsed->su, std::strtof(c.su, nullptr)) << c.text;
    }
}

TEST(ValueSu, AnythingElseIsNoNumber) {
    for (const char* text : {"",      "?",        ".",    "abc",      "6.18(", "6.18()", "6.18(3.8)",    "6.18(38",
                             "6.18)", "6.18(-3)", "(3)",  "1e",       "1e+",   "--1",    "1.2.3",        "nan",
                             "inf",   "1d3",      "0x10", "6.18 (3)", "6,18",  "1e999",  "1e-999999999", "12(3)x"}) {
        EXPECT_FALSE(parseValueSu(text)) << '"' << text << '"';
    }
}

}  // namespace
