#include "calc/units.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace {

std::string lower(std::string_view word) {
    std::string s(word);
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

struct PressureUnit {
    std::string_view name;
    double gigapascals;
};
constexpr std::array<PressureUnit, 6> kPressureUnits{
    {{"GPa", 1.0}, {"MPa", 1e-3}, {"kPa", 1e-6}, {"Pa", 1e-9}, {"kbar", 0.1}, {"bar", 1e-4}}};

}  // namespace

std::optional<std::string> temperatureUnitNamed(std::string_view word) {
    const std::string w = lower(word);
    if (w == "k" || w == "kelvin") return "K";
    if (w == "c" || w == "\xc2\xb0" "c" || w == "degc" || w == "deg.c" || w == "celsius") return "\xc2\xb0" "C";
    return std::nullopt;
}

std::optional<std::string> pressureUnitNamed(std::string_view word) {
    const std::string w = lower(word);
    for (const PressureUnit& u : kPressureUnits)
        if (w == lower(u.name)) return std::string(u.name);
    return std::nullopt;
}

std::optional<double> gigapascalsPerUnit(std::string_view pressureUnit) {
    for (const PressureUnit& u : kPressureUnits)
        if (pressureUnit == u.name) return u.gigapascals;
    return std::nullopt;
}
