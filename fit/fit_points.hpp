#pragma once
// The observations a fit is made from, one at a time.
#include <cstddef>
#include <functional>

// One observation: q at x, with the esds of both.
struct FitPoint {
    double x = 0.0;
    double sigX = 0.0;
    double y = 0.0;
    double sigY = 0.0;
};

// The observations of a fit given one at a time, so that a long series' need not be gathered
// first: point(i) for i below count, the same point every time it is asked for. A fit that keeps
// its points keeps this view of where they come from (the series, shared), not a copy.
struct FitPoints {
    std::size_t count = 0;
    std::function<FitPoint(std::size_t)> point;
};
