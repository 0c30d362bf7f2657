#pragma once
// The y range of a panel that a few far outliers would otherwise set.
#include <array>
#include <optional>

#include "plots/data/plot_data.hpp"

// The range (stored units) that holds every line's values but its far outliers, those beyond
// Tukey's outer fences of their own line (three interquartile ranges beyond the quartiles), with
// their error bars and the fitted curves with their bands; none when there is no such outlier or
// leaving them out would not at least halve the range. A line needs 5 points to have outliers.
std::optional<std::array<double, 2>> robustRange(const PlotPanel& panel);
