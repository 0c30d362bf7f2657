#pragma once
// Python numbers as the data file reads numbers: each value's shortest decimal (its repr) read as
// the nearest float, so that a value typed as 6.1819 in Python and in a data file gives the same
// float, and a float32 value comes back as itself.
#include <pybind11/pybind11.h>

#include <optional>
#include <string>

// The float the data file reader would read for the value, or nothing when it is no number the
// file could hold (NaN, an infinity, text); `text` is then the value as shown in messages.
std::optional<float> dataFileFloat(pybind11::handle value, std::string& text);
