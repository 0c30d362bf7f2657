#pragma once
// Numbers with a standard uncertainty in parentheses, as crystallographic files write them.
#include <optional>
#include <string_view>

struct ValueSu {
    float value = 0.0f;
    float su = 0.0f;  // 0 when the number carries none
};

// "6.1819(38)" is 6.1819 with su 0.0038: the su is in units of the number's last digit, so
// "1.2e-3(4)" has su 0.0004 and "120(2)" su 2. A number is an optional sign, digits with an
// optional point, an optional exponent with e or E. Both values are the nearest floats to the
// exact decimal values, times 10^scale10 when given (a change of unit by a power of ten, done
// on the decimal text so that no rounding is added): the value is what the keyword data file
// reader makes of the same digits, and the su what it makes of the su written out in full
// ("0.0038"). Nothing for any other text, or for a value beyond the range of a float.
std::optional<ValueSu> parseValueSu(std::string_view text, int scale10 = 0);
