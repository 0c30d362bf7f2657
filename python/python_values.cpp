#include "python/python_values.hpp"

#include "input/number_parsing.hpp"

namespace py = pybind11;

std::optional<float> dataFileFloat(py::handle value, std::string& text) {
    if (py::isinstance<py::str>(value) || py::isinstance<py::bytes>(value) || py::isinstance<py::bool_>(value) ||
        !py::hasattr(value, "__float__")) {
        text = py::repr(value).cast<std::string>();
        return std::nullopt;
    }
    // A Python int keeps its digits; anything else that is a number becomes a float first.
    text = py::isinstance<py::int_>(value)
               ? py::str(value).cast<std::string>()
               : py::repr(py::float_(py::reinterpret_borrow<py::object>(value))).cast<std::string>();
    float result = 0.0f;
    if (!parseReal(text, result)) return std::nullopt;
    return result;
}
