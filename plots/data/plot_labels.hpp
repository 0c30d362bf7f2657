#pragma once
// Texts of the plots: powers of ten in superscript, units, numbers as the user typed them, and
// the file names of the plots.
#include <string>
#include <string_view>

// The power of ten, a multiple of 3, that the values of a plot are shown in: 10^-exponent units,
// so that the largest magnitude reads from 1 to below 1000 (5.2e-5 per K is shown as 52 in
// units of 10⁻⁶). 0 for a largest magnitude from 1 to 1000, and also when there is none (0, NaN).
int plotExponent(float largest);

// "10⁻⁶" for 6, "10³" for -3, "" for 0.
std::string unitPower(int exponent);

// 10 to the power of a plot exponent, in single precision.
float plotFactor(int exponent);

// The shortest decimal that reads back to the value, without locale ("25.5", "-3", "1e-05").
std::string numberText(float value);

// The same with a true minus sign (U+2212), for texts a reader sees: "−40", not "-40".
std::string shownNumber(float value);

// Every hyphen-minus of a text that stands before a digit or a decimal point made a true minus.
std::string withTrueMinus(std::string text);

// The midpoint of two values given as decimals, with one digit more than the finer of them and no
// trailing zeros: 90 and 94.8 give "92.4", 23 and 30 give "26.5", never "92.399994".
std::string midpointText(float x1, float x2);

// "T = 23 °C", "P = 92.4 GPa", "T = 23": a value of T or P as a reader names it (units as the
// series names them, calc/units.hpp).
std::string variableValue(bool pressure, std::string_view value, std::string_view unit);

// The unit of coefficients per unit of an unknown T or P shown in units of 10^-exponent:
// "10⁻⁶ per unit of T". (With a known unit, format/coefficient_units.hpp names it.)
std::string perUnitOfVariable(int exponent, bool pressure);

// The stem of the plot files of a run: the print file's name up to its first "." when that
// lies in its first 70 characters, otherwise the whole name, as for the result files.
std::string plotFileStem(std::string_view fileName);
