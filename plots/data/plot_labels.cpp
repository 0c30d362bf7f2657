#include "plots/data/plot_labels.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "LIBRARIES/text/restrict_warning.hpp"
#include "LIBRARIES/text/text.hpp"

namespace {

constexpr std::string_view kTrueMinus = "\u2212";

// Decimals after the point in the shortest text of a value; -1 when it is written with an exponent.
int decimalsOf(float value) {
    std::string text = shownNumber(value);
    if (text.find_first_of("eE") != std::string::npos) return -1;
    const auto dot = text.find('.');
    return dot == std::string::npos ? 0 : static_cast<int>(text.size() - dot - 1);
}

}  // namespace

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

std::string shownNumber(float value) {
    // As the value would be typed: without an exponent where a few decimals read back the same.
    std::string text = numberText(value);
    if (text.find('e') != std::string::npos && std::fabs(value) >= 1e-6f && std::fabs(value) < 1e9f) {
        for (int decimals = 0; decimals <= 12; ++decimals) {
            const std::string fixed = numberText(static_cast<double>(value), std::chars_format::fixed, decimals);
            float back = 0.0f;
            std::from_chars(fixed.data(), fixed.data() + fixed.size(), back);
            if (back == value) {
                text = fixed;
                break;
            }
        }
    }
    return withTrueMinus(text);
}

std::string withTrueMinus(std::string text) {
    for (std::size_t at = 0; (at = text.find('-', at)) != std::string::npos;) {
        const bool beforeNumber =
            at + 1 < text.size() && (std::isdigit(static_cast<unsigned char>(text[at + 1])) || text[at + 1] == '.');
        // Not inside a word or an exponent ("1e-05" keeps its hyphen in plain text).
        const bool afterLetter = at > 0 && std::isalpha(static_cast<unsigned char>(text[at - 1]));
        if (beforeNumber && !afterLetter) {
            text.replace(at, 1, kTrueMinus);
            at += kTrueMinus.size();
        } else {
            ++at;
        }
    }
    return text;
}

std::string midpointText(float x1, float x2) {
    const double mid = (static_cast<double>(x1) + static_cast<double>(x2)) / 2.0;
    const int d1 = decimalsOf(x1), d2 = decimalsOf(x2);
    if (d1 < 0 || d2 < 0) return shownNumber(static_cast<float>(mid));
    const int decimals = std::max(d1, d2) + 1;
    std::string text = numberText(mid, std::chars_format::fixed, decimals);
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    if (text == "-0") text = "0";
    return withTrueMinus(text);
}

std::string variableValue(bool pressure, std::string_view value, std::string_view unit) {
    BEGIN_GCC_RESTRICT_FALSE_POSITIVE
    std::string text = std::string(pressure ? "P" : "T") + " = " + std::string(value);
    if (!unit.empty()) text += " " + std::string(unit);
    END_GCC_RESTRICT_FALSE_POSITIVE
    return text;
}

std::string perUnitOfVariable(int exponent, bool pressure) {
    const std::string power = unitPower(exponent);
    return (power.empty() ? "" : power + " ") + "per unit of " + (pressure ? "P" : "T");
}

std::string plotFileStem(std::string_view fileName) {
    constexpr std::size_t kDotLimit = 70;  // the result files' limit
    const auto dot = fileName.find('.');
    if (dot == std::string_view::npos || dot >= kDotLimit) return std::string(fileName);
    return std::string(fileName.substr(0, dot));
}
