#include "format/esd_notation.hpp"

#include <charconv>
#include <cmath>

namespace {

std::string fixed(double value, int decimals) {
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    std::string s(buffer, r.ptr);
    // A value that rounds to zero is written without a sign.
    if (s.front() == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
    return s;
}

std::string general(double value) {
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    return std::string(buffer, r.ptr);
}

}  // namespace

std::string valueWithEsd(double value, std::optional<double> esd) {
    if (!std::isfinite(value)) return "-";
    if (!esd || !(*esd > 0.0) || !std::isfinite(*esd)) return general(value);
    // The place of the esd's last digit: 10^place.
    int exponent = static_cast<int>(std::floor(std::log10(*esd)));
    const double leading = std::round(*esd / std::pow(10.0, exponent - 1));  // 10 to 100
    int place = leading < 19.5 ? exponent - 1 : exponent;
    long long digits = std::llround(*esd / std::pow(10.0, place));
    if (digits >= 100 || (place == exponent && digits >= 10)) {  // rounded up into the next decade
        ++place;
        digits = std::llround(*esd / std::pow(10.0, place));
    }
    if (place >= 0) {
        const double scale = std::pow(10.0, place);
        return fixed(std::round(value / scale) * scale, 0) + "(" + std::to_string(digits * std::llround(scale)) + ")";
    }
    return fixed(value, -place) + "(" + std::to_string(digits) + ")";
}
