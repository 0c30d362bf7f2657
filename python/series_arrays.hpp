#pragma once
// tenzio.Series.from_arrays: a series from numbers in memory, with the constraints and checks a
// data file's series gets as it is read.
#include <pybind11/pybind11.h>

#include <memory>
#include <string>

#include "run/many_series.hpp"

struct SeriesArrays {
    pybind11::object x;          // n numbers
    pybind11::object cells;      // n rows of a, b, c, alpha, beta, gamma
    pybind11::object cellEsds;   // like cells, or None
    pybind11::object xEsds;      // n numbers, or None
    std::string variable;        // "temperature" or "pressure"
    pybind11::object system;     // a crystal system's name, or None
    std::string title;
    pybind11::object units;      // None, the unit of x, or {"T": ..., "P": ...}
};

// The series, or InputProblem naming the argument and what is wrong with it.
std::shared_ptr<const SeriesSource> seriesFromArrays(const SeriesArrays& arrays);
