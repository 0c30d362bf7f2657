#include "export/float_text.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include <nlohmann/json.hpp>

namespace {

// Plain notation while the point lies at most this many places right of the first digit (the
// digits a float always holds) or 3 zeros left of it; an exponent of at least two digits otherwise.
constexpr int kMostPlainPlaces = 6;
constexpr int kFewestPlainPlaces = -3;

char* writeExponent(char* out, int e) {
    *out++ = e < 0 ? '-' : '+';
    if (e < 0) e = -e;
    if (e >= 100) *out++ = static_cast<char>('0' + e / 100);
    *out++ = static_cast<char>('0' + e / 10 % 10);
    *out++ = static_cast<char>('0' + e % 10);
    return out;
}

// Whether a 2^twos = b 10^tens exactly (a, b > 0): with the factors 2 taken out of a and b, the
// powers of 2 must agree and the odd parts differ by the factor 5^tens.
bool sameNumber(std::uint64_t a, int twos, std::uint64_t b, int tens) {
    const int aTwos = __builtin_ctzll(a);
    const int bTwos = __builtin_ctzll(b);
    if (twos + aTwos - bTwos != tens) return false;
    a >>= aTwos;
    b >>= bTwos;
    const int fives = tens < 0 ? -tens : tens;
    if (fives > 27) return false;  // 5^28 exceeds 64 bits, and then any product of it would too
    std::uint64_t five = 1;
    for (int k = 0; k < fives; ++k) five *= 5;
    std::uint64_t scaled = 0;
    if (__builtin_mul_overflow(tens < 0 ? a : b, five, &scaled)) return false;
    return scaled == (tens < 0 ? b : a);
}

// Whether the decimal `digits` 10^last is no plain choice of the shortest: it lies exactly on the
// bound halfway to a neighbouring float, or value lies exactly halfway between it and the next
// decimal of as many digits either side.
bool onAnEdge(float value, std::uint64_t digits, int last) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const int biased = static_cast<int>(bits >> 23);
    std::uint64_t m = bits & 0x7FFFFF;
    int e = -149;  // value = m 2^e; a subnormal's
    if (biased > 0) {
        m |= 0x800000;
        e = biased - 150;
    }
    const bool closerBelow = (bits & 0x7FFFFF) == 0 && biased > 1;  // the float below is half as far
    return sameNumber(2 * m + 1, e - 1, digits, last) ||
           (closerBelow ? sameNumber(4 * m - 1, e - 2, digits, last) : sameNumber(2 * m - 1, e - 1, digits, last)) ||
           sameNumber(m, e + 1, 2 * digits + 1, last) || sameNumber(m, e + 1, 2 * digits - 1, last);
}

}  // namespace

char* writeFloatText(char* first, float value) {
    if (std::signbit(value)) {
        *first++ = '-';
        value = -value;
    }
    if (value == 0.0f) {
        std::memcpy(first, "0.0", 3);
        return first + 3;
    }
    // The shortest digits that read back to the value, the nearest of them, and the power of ten of
    // the first: "d.ddde+XX".
    char scientific[kFloatTextRoom];
    const char* end = std::to_chars(scientific, scientific + sizeof scientific, value, std::chars_format::scientific).ptr;
    char digits[16];
    int count = 0;
    const char* c = scientific;
    for (; *c != 'e'; ++c)
        if (*c != '.') digits[count++] = *c;
    int exponent = 0;
    std::from_chars(c + 1 + (c[1] == '+'), end, exponent);
    const int point = exponent + 1;  // places of the point after the first digit
    // On an edge std::to_chars decides by exact rules (a bound counts when the float is even; of
    // two as near, the even one), nlohmann-json by its approximate arithmetic, now one way, now
    // the other: there it decides.
    std::uint64_t whole = 0;
    for (int k = 0; k < count; ++k) whole = whole * 10 + static_cast<std::uint64_t>(digits[k] - '0');
    const int last = exponent - count + 1;
    if (onAnEdge(value, whole, last))
        return nlohmann::detail::to_chars(first, first + kFloatTextRoom - 1, value);

    if (count <= point && point <= kMostPlainPlaces) {  // digits, zeros, ".0"
        std::memcpy(first, digits, count);
        std::memset(first + count, '0', point - count);
        std::memcpy(first + point, ".0", 2);
        return first + point + 2;
    }
    if (0 < point && point <= kMostPlainPlaces) {  // dig.its
        std::memcpy(first, digits, point);
        first[point] = '.';
        std::memcpy(first + point + 1, digits + point, count - point);
        return first + count + 1;
    }
    if (kFewestPlainPlaces <= point && point <= 0) {  // 0.000digits
        std::memcpy(first, "0.", 2);
        std::memset(first + 2, '0', -point);
        std::memcpy(first + 2 - point, digits, count);
        return first + 2 - point + count;
    }
    *first++ = digits[0];  // d.igitse+XX, or de+XX
    if (count > 1) {
        *first++ = '.';
        std::memcpy(first, digits + 1, count - 1);
        first += count - 1;
    }
    *first++ = 'e';
    return writeExponent(first, exponent);
}
