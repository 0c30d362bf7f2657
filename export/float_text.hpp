#pragma once
// A single-precision number as the JSON document writes it: the shortest decimal that reads back
// to the same float, laid out as nlohmann-json lays out a float (the layout the document has
// always had): "1.0", "0.25", "0.0001", "1e-05", "123456.0", "1.234567e+06".
#include <cstddef>

// At least this much room for any finite float.
constexpr std::size_t kFloatTextRoom = 32;

// Writes finite `value` at `first` and returns the end of what was written.
char* writeFloatText(char* first, float value);
