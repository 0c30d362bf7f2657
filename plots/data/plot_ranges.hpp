#pragma once
// The ranges of the values a figure shows, and the y range of a panel that a few far outliers
// would otherwise set.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>

#include "plots/data/plot_data.hpp"

// The lowest and highest of the finite values added; empty until one is.
struct ValueSpan {
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    void add(double v) {
        if (!std::isfinite(v)) return;
        low = std::min(low, v);
        high = std::max(high, v);
    }
    bool empty() const { return !(high >= low); }
    double size() const { return high - low; }
};

// The range (stored units) that holds every line's values but its far outliers, those beyond
// Tukey's outer fences of their own line (three interquartile ranges beyond the quartiles), with
// their error bars up to half the values' span beyond them, and the fitted curves with their
// bands. None when leaving the outliers out would not at least halve the range, or, with no
// outlier, when the error bars would not more than double it. A line needs 5 points to have
// outliers, and a panel of measured values has at most 3 of them (or 1 % of its values): more
// values far out are a run of the data leaving the rest, shown in full.
std::optional<std::array<double, 2>> robustRange(const PlotPanel& panel);

// The part of a curve within [range[0], range[1]]: samples outside it dropped, and a sample added
// on the edge (by linear interpolation, esd with it) where the curve leaves or enters it, so that
// a curve running off to infinity (a compressibility near Pc) ends at the plot's edge with its
// band rather than standing as a stripe across it. True when anything was cut.
bool clipToRange(FittedCurve& curve, const std::array<double, 2>& range);
