#pragma once
// The keyword arguments of tenzio.run and tenzio.run_many: the batch's options, with its words and
// defaults, checked as the batch checks them ("fit_order: 7 is not from 1 to 4").
#include <pybind11/pybind11.h>

#include <string>

#include "run/many_series.hpp"

struct RunKeywords {
    std::string strain = "finite-eulerian";
    pybind11::object axes = pybind11::int_(1);
    bool againstFirst = false;
    bool fits = true;
    pybind11::object fitOrder = pybind11::none();
    pybind11::object at = pybind11::none();
    pybind11::object eos = pybind11::none();
    std::string weights = "esd";
};

// The options of the runs, or InputProblem naming the keyword and the value.
SeriesRunOptions seriesRunOptions(const RunKeywords& keywords);
