// Text that outputs promise as UTF-8, and numbers that never outgrow their buffer.
#include <gtest/gtest.h>

#include <cmath>

#include <charconv>
#include <cstdlib>
#include <string>

#include "LIBRARIES/text/text.hpp"

namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

TEST(Utf8, StrayBytesOverlongFormsAndSurrogatesBecomeReplacementCharacters) {
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"\xC2\xB0" "C and GPa \xE2\x81\xBB\xC2\xB9", "\xC2\xB0" "C and GPa \xE2\x81\xBB\xC2\xB9"},  // kept as it is
        {"K\xFF", "K" + kReplacement},                                   // a byte of another encoding
        {"\xE9t\xE9", kReplacement + "t" + kReplacement},                // Latin-1
        {"\xC0\xAF", kReplacement + kReplacement},                       // an overlong '/'
        {"\xED\xA0\x80", kReplacement + kReplacement + kReplacement},     // a surrogate
        {"\xF4\x90\x80\x80", kReplacement + kReplacement + kReplacement + kReplacement},  // beyond U+10FFFF
        {"GPa\xE2\x82", "GPa" + kReplacement + kReplacement},            // cut short at the end
    };
    for (const Case& c : cases) EXPECT_EQ(validUtf8(c.in), c.out);
    // A control character stays in a text, not on one line.
    EXPECT_EQ(validUtf8("a\nb"), "a\nb");
    EXPECT_EQ(oneLine("run\n1.dat\r"), "run" + kReplacement + "1.dat" + kReplacement);
    EXPECT_EQ(oneLine("\xC2\xB0" "C"), "\xC2\xB0" "C");
}

TEST(NumberText, AFixedFormTooLongForItsBufferFallsBackToTheExponentForm) {
    // Fits: the digits as the fixed form gives them.
    EXPECT_EQ(numberText(-2.5, std::chars_format::fixed, 3), "-2.500");
    EXPECT_EQ(numberText(1e-70, std::chars_format::fixed, 72), "0." + std::string(69, '0') + "100");
    // Does not fit: the exponent form, never the bytes of an earlier call.
    for (const double v : {1e300, -3.25e200, 1.7e308}) {
        const std::string text = numberText(v, std::chars_format::fixed, 4);
        EXPECT_LT(text.size(), 20u) << text;
        EXPECT_EQ(text.find_first_not_of("0123456789.e+-"), std::string::npos) << text;
        EXPECT_NEAR(std::strtod(text.c_str(), nullptr) / v, 1.0, 1e-3) << text;
    }
    EXPECT_EQ(numberText(1e-300, std::chars_format::fixed, 400).substr(0, 4), "1.00");
}

// Columns of the reports line up by characters: a Greek letter or a superscript is one column,
// whatever its bytes.
TEST(Columns, PaddingCountsCharactersNotBytes) {
    EXPECT_EQ(alignedRight("\u03b1\u00b2", 4), "  \u03b1\u00b2");
    EXPECT_EQ(alignedLeft("\u03b1\u00b2", 4), "\u03b1\u00b2  ");
    EXPECT_EQ(alignedRight("longer", 3), "longer");
    EXPECT_EQ(significantText(std::nan(""), 6), "-");
    EXPECT_EQ(significantText(-HUGE_VAL, 6), "-");
    EXPECT_EQ(significantText(1234.5678, 6), "1234.57");
}

}  // namespace
