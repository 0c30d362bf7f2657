#include "input/value_su.hpp"

#include <string>

#include "input/number_parsing.hpp"

namespace {

constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Exponents beyond this put any value far outside the range of a float; refusing them here keeps
// the exponent arithmetic below within an int.
constexpr int kLargestExponent = 100000;

// The parts of a number: its digits and point (the mantissa), the digits after the point, and
// the value of its exponent. False for anything that is not a number.
bool splitNumber(std::string_view text, std::string_view& mantissa, int& decimals, int& exponent) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    int digits = 0;
    decimals = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (text[i] == '.' && !point) {
            point = true;
        } else if (isDigit(text[i])) {
            ++digits;
            if (point) ++decimals;
        } else {
            break;
        }
    }
    if (digits == 0) return false;
    mantissa = text.substr(0, i);
    exponent = 0;
    if (i == text.size()) return true;
    if (text[i] != 'e' && text[i] != 'E') return false;
    ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    for (; i < text.size(); ++i) {
        if (!isDigit(text[i])) return false;
        exponent = exponent * 10 + (text[i] - '0');
        if (exponent > kLargestExponent) return false;
    }
    if (negative) exponent = -exponent;
    return true;
}

}  // namespace

std::optional<ValueSu> parseValueSu(std::string_view text, int scale10) {
    std::string_view number = text;
    std::string_view suDigits;
    if (const auto open = text.find('('); open != std::string_view::npos) {
        if (text.back() != ')') return std::nullopt;
        number = text.substr(0, open);
        suDigits = text.substr(open + 1, text.size() - open - 2);
        if (suDigits.empty()) return std::nullopt;
        for (const char c : suDigits)
            if (!isDigit(c)) return std::nullopt;
    }
    std::string_view mantissa;
    int decimals = 0;
    int exponent = 0;
    if (!splitNumber(number, mantissa, decimals, exponent)) return std::nullopt;

    ValueSu result;
    // Unscaled, the number goes to the reader's own parser as it stands.
    const std::string valueText =
        scale10 == 0 ? std::string(number) : std::string(mantissa) + "e" + std::to_string(exponent + scale10);
    if (!parseReal(valueText, result.value)) return std::nullopt;
    if (!suDigits.empty()) {
        const std::string suText = std::string(suDigits) + "e" + std::to_string(exponent - decimals + scale10);
        if (!parseReal(suText, result.su)) return std::nullopt;
    }
    return result;
}
