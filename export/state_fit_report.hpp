#pragma once
// The sections of the fits report for the equations of state in T and in P and T, and the
// diagnostics of every equation of state: formulas, parameters with esds (fixed ones marked), the
// model-choice table with its F-tests, and the semi-axes of the confidence ellipses.
#include <string>

#include "fit/fit_result.hpp"

// Empty when the fits hold none of it.
std::string stateFitReportText(const FitResult& result, const std::string& temperatureUnit, const std::string& pressureUnit);
