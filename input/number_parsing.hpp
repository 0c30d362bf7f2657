#pragma once
// Numbers of the free-format data lines.
#include <string_view>

// Blanks, tabs, commas, vertical tabs and form feeds separate numbers.
constexpr bool isSeparator(char c) { return c == ' ' || c == ',' || c == '\t' || c == '\v' || c == '\f'; }

// One real: an optional sign, digits with an optional point, and an optional exponent written
// with E or D. The nearest float to the decimal value; false for anything else.
bool parseReal(std::string_view token, float& value);
