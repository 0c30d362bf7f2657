#include "format/esd_notation.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "LIBRARIES/text/text.hpp"

namespace {

// The places of an esd's last digit that the plain form shows: from 10^kLargestPlace, whose
// digits still make an integer of 64 bits, down to kMostDecimals decimals. Beyond them the value
// and its esd are written with a power of ten.
constexpr int kLargestPlace = 15;
constexpr int kMostDecimals = 20;
// An esd below this fraction of its value is beyond the value's double precision.
constexpr double kResolution = 1e-15;

std::string fixed(double value, int decimals) {
    std::string s = numberText(value, std::chars_format::fixed, decimals);
    // A value that rounds to zero is written without a sign.
    if (s.front() == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
    return s;
}

std::string general(double value, int digits = 6) { return numberText(value, std::chars_format::general, digits); }

// value(esd) times 10^e, e the exponent of the larger of the two.
std::string withPowerOfTen(double value, double esd) {
    const int e = static_cast<int>(std::floor(std::log10(std::max(std::fabs(value), esd))));
    const double scale = std::pow(10.0, e);
    return valueWithEsd(value / scale, esd / scale) + "e" + std::to_string(e);
}

}  // namespace

std::string valueWithEsd(double value, std::optional<double> esd) {
    if (!std::isfinite(value)) return "-";
    if (!esd || !(*esd > 0.0) || !std::isfinite(*esd)) return general(value);
    if (*esd < kResolution * std::fabs(value)) return general(value, 15) + " (esd below double precision)";
    // The place of the esd's last digit: 10^place.
    const int exponent = static_cast<int>(std::floor(std::log10(*esd)));
    const double leading = std::round(*esd / std::pow(10.0, exponent - 1));  // 10 to 100
    int place = leading < 19.5 ? exponent - 1 : exponent;
    long long digits = std::llround(*esd / std::pow(10.0, place));
    if (digits >= 100 || (place == exponent && digits >= 10)) {  // rounded up into the next decade
        ++place;
        digits = std::llround(*esd / std::pow(10.0, place));
    }
    if (place > kLargestPlace || place < -kMostDecimals) return withPowerOfTen(value, *esd);
    if (place >= 0) {
        const double scale = std::pow(10.0, place);
        return fixed(std::round(value / scale) * scale, 0) + "(" + std::to_string(digits * std::llround(scale)) + ")";
    }
    return fixed(value, -place) + "(" + std::to_string(digits) + ")";
}
