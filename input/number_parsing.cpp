#include "input/number_parsing.hpp"

#include <charconv>
#include <cstdint>
#include <iterator>
#include <string>

namespace {

// The usual token without the general parser: an optional sign, then digits with at most one
// point and no exponent, the digits an integer m of at most 2^24 with k <= 10 of them after the
// point. m and 10^k are then exact floats, so the one rounded division m / 10^k gives the
// nearest float, the value the general parser gives. False (nothing decided) for any other token.
bool parsePlainDecimal(std::string_view token, float& value) {
    constexpr std::uint32_t kExactMantissa = 1u << 24;
    constexpr float kPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    const char* p = token.data();
    const char* const end = p + token.size();
    bool negative = false;
    if (p != end && (*p == '-' || *p == '+')) negative = *p++ == '-';
    std::uint32_t mantissa = 0;
    int digits = 0;
    int decimals = 0;
    bool point = false;
    for (; p != end; ++p) {
        if (*p == '.' && !point) {
            point = true;
            continue;
        }
        const auto digit = static_cast<unsigned>(*p - '0');
        if (digit > 9) return false;
        mantissa = mantissa * 10 + digit;
        if (mantissa > kExactMantissa) return false;
        ++digits;
        if (point) ++decimals;
    }
    if (digits == 0 || decimals >= static_cast<int>(std::size(kPowersOfTen))) return false;
    const float magnitude = static_cast<float>(mantissa) / kPowersOfTen[decimals];
    value = negative ? -magnitude : magnitude;
    return true;
}

}  // namespace

bool parseReal(std::string_view token, float& value) {
    if (parsePlainDecimal(token, value)) return true;
    std::string text(token);
    if (!text.empty() && text.front() == '+') text.erase(0, 1);
    for (char& c : text) {
        if (c == 'd' || c == 'D') c = 'e';
    }
    if (text.empty()) return false;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    return res.ec == std::errc{} && res.ptr == text.data() + text.size();
}

