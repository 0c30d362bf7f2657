#pragma once
// The units of T and P that a series names: their canonical spelling, and how a pressure unit
// relates to the gigapascal.
#include <optional>
#include <string>
#include <string_view>

// "K" or "°C" for the spellings a data file may use (k, kelvin; C, °C, degC, celsius, any case);
// nothing for a word that is no unit of temperature.
std::optional<std::string> temperatureUnitNamed(std::string_view word);
// "GPa", "MPa", "kPa", "Pa", "kbar", "bar" (any case); nothing for a word that is no unit of pressure.
std::optional<std::string> pressureUnitNamed(std::string_view word);
// The gigapascals in one unit of P (0.1 for kbar); nothing for a unit not known.
std::optional<double> gigapascalsPerUnit(std::string_view pressureUnit);
