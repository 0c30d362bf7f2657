#pragma once
// Numbers with esds as crystallographers write them: 24.6(9), 160.2(12), 0.00123(4).
#include <optional>
#include <string>

// The esd to one significant digit, or two when they read 19 or less, and the value to the same
// place; without an esd (a fixed parameter), the value to six significant digits. An esd whose
// last digit lies beyond 10^15 or 20 decimals goes with a power of ten, "3.3(4)e-25"; an esd
// below the value's double precision is said so, after the value to 15 digits. Locale-free.
std::string valueWithEsd(double value, std::optional<double> esd);
