#pragma once
// A run's JSON document as Python objects: the dict json.loads makes of the same text (objects as
// dicts in the order of their members, numbers with a fraction or exponent as floats and the
// others as ints, null as None), made without going through Python's parser.
#include <pybind11/pybind11.h>

#include <string_view>

// Needs the interpreter's lock. The text must be one JSON value (std::invalid_argument otherwise).
pybind11::object documentObject(std::string_view json);
