// The record writer's Fw.d against a plain reference built on std::to_chars, over many values.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <random>
#include <string>

#include "LIBRARIES/records/record_writer.hpp"

namespace {

// The editing rules written as plainly as possible: exact digits, no minus sign on a zero
// result, the optional leading zero dropped only for room, asterisks when still too wide.
std::string referenceF(int w, int d, float value) {
    char buf[80];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, d);
    std::string s(buf, res.ptr);
    if (d == 0) s += ".";  // F editing always shows the point
    if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
    if (static_cast<int>(s.size()) > w) {
        const std::size_t zero = s[0] == '-' ? 1 : 0;
        if (s.compare(zero, 2, "0.") == 0) s.erase(zero, 1);
    }
    if (static_cast<int>(s.size()) > w) return std::string(static_cast<std::size_t>(w), '*');
    return std::string(static_cast<std::size_t>(w) - s.size(), ' ') + s;
}

TEST(FixedFieldReference, RandomValuesInEveryFieldOfTheReports) {
    const std::pair<int, int> fields[] = {{10, 5}, {7, 3}, {7, 2}, {9, 2}, {9, 6}, {12, 8}, {10, 6},
                                          {8, 2}, {7, 1}, {4, 1}, {3, 1}, {16, 8}, {6, 0}};
    std::mt19937 random(20261207);
    std::uniform_real_distribution<float> mantissa(1.0f, 10.0f);
    std::uniform_int_distribution<int> exponent(-10, 5);
    std::uniform_int_distribution<int> sign(0, 1);
    for (int k = 0; k < 200000; ++k) {
        float v = mantissa(random) * std::pow(10.0f, static_cast<float>(exponent(random)));
        if (k % 7 == 0) v = std::ldexp(std::round(v * 64.0f), -6);  // exact binary ties such as 0.125
        if (sign(random) == 1) v = -v;
        for (const auto& [w, d] : fields) {
            ASSERT_EQ(formatF(w, d, v), referenceF(w, d, v)) << "F" << w << "." << d << " of " << v;
        }
    }
}

}  // namespace
