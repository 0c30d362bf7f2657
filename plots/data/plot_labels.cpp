#include "plots/data/plot_labels.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>

int plotExponent(float largest) {
    if (!(largest > 0.0f) || std::isinf(largest)) return 0;
    constexpr int kLimit = 30;  // far beyond any coefficient or strain; ends the loops
    int exponent = 0;
    float shown = largest;
    while (shown < 1.0f && exponent < kLimit) {
        shown *= 1000.0f;
        exponent += 3;
    }
    while (shown >= 1000.0f && exponent > -kLimit) {
        shown /= 1000.0f;
        exponent -= 3;
    }
    return exponent;
}

std::string unitPower(int exponent) {
    if (exponent == 0) return {};
    static constexpr std::string_view kDigits[10] = {"⁰", "¹", "²", "³", "⁴", "⁵", "⁶", "⁷", "⁸", "⁹"};
    std::string text = "10";
    if (exponent > 0) text += "⁻";  // values are shown in units of 10^-exponent
    for (const char digit : std::to_string(std::abs(exponent))) text += kDigits[digit - '0'];
    return text;
}

float plotFactor(int exponent) {
    float factor = 1.0f;
    for (int k = 0; k < exponent; ++k) factor *= 10.0f;
    for (int k = 0; k > exponent; --k) factor /= 10.0f;
    return factor;
}

std::string numberText(float value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string plotFileStem(std::string_view fileName) {
    constexpr std::size_t kDotLimit = 70;  // the result files' limit
    const auto dot = fileName.find('.');
    if (dot == std::string_view::npos || dot >= kDotLimit) return std::string(fileName);
    return std::string(fileName.substr(0, dot));
}
