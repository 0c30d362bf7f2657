#pragma once
// The equations of state in T and in P and T as tables for the results window's Fits tab.
#include <string>
#include <vector>

#include "fit/fit_result.hpp"
#include "plots/data/plot_data.hpp"

// V(T) models, P-V-T models and the F-tests; none where the fits hold none of them.
std::vector<FitTable> stateFitTables(const FitResult& fits, const std::string& pressureUnit);
