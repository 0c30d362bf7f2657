// Numbers as the reader takes them, against std::from_chars over many decimal forms.
#include <gtest/gtest.h>

#include <charconv>
#include <random>

#include "LIBRARIES/text/restrict_warning.hpp"
#include "input/number_parsing.hpp"

namespace {

TEST(NumberReading, AgreesWithFromCharsBitForBit) {
    std::mt19937 random(7);
    std::uniform_int_distribution<long long> digits(0, 99999999999LL);
    std::uniform_int_distribution<int> places(0, 11);
    std::vector<std::string> tokens;
    for (int k = 0; k < 20000; ++k) {
        std::string t = std::to_string(digits(random) >> (k % 20));
        const int p = places(random);
        BEGIN_GCC_RESTRICT_FALSE_POSITIVE
        if (p > 0 && static_cast<int>(t.size()) > p) t.insert(t.size() - static_cast<std::size_t>(p), ".");
        else if (p > 0) t = "0." + std::string(static_cast<std::size_t>(p) - t.size(), '0') + t;
        if (k % 3 == 0) t = "-" + t;
        END_GCC_RESTRICT_FALSE_POSITIVE
        if (k % 11 == 0) t += "e-3";
        tokens.push_back(t);
    }
    for (const auto& t : tokens) {
        float expected = 0.0f;
        std::from_chars(t.data(), t.data() + t.size(), expected);
        float got = -1.0f;
        ASSERT_TRUE(parseReal(t, got)) << t;
        ASSERT_EQ(got, expected) << t;
    }
}

}  // namespace
