#pragma once
// Texts of the plots: powers of ten in superscript and the file names of the plots.
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

// The stem of the plot files of a run: the print file's name up to its first "." when that
// lies in its first 70 characters, otherwise the whole name, as for the result files.
std::string plotFileStem(std::string_view fileName);
