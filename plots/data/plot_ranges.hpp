#pragma once
// The y range of a panel that a few far outliers would otherwise set.
#include <array>
#include <optional>

#include "plots/data/plot_data.hpp"

// The range (stored units) that holds every line's values but its far outliers, those beyond
// Tukey's outer fences of their own line (three interquartile ranges beyond the quartiles), with
// their error bars up to half the values' span beyond them, and the fitted curves with their
// bands. None when leaving the outliers out would not at least halve the range, or, with no
// outlier, when the error bars would not more than double it. A line needs 5 points to have
// outliers.
std::optional<std::array<double, 2>> robustRange(const PlotPanel& panel);
