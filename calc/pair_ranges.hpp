#pragma once
// Whether the numbers of every pair of a series stay finite in single precision: the esds of the
// strain (from the cells moved along their esds), the property tensor and its esds, and bounds
// on the principal values and their esds. Checked before a run writes anything, so that no run
// reports a number it could not compute as a success.
#include "calc/options.hpp"
#include "calc/series.hpp"
#include "calc/validate_cells.hpp"

// True when the numbers a report shows of the cell alone are finite in this axial set: its
// reciprocal cell and the angles between its axes and X, Y, Z. A cell can pass isValidCell and
// still be too far from cubic for single precision (edges 1e-3 and 1e7 in one cell).
bool hasFiniteGeometry(const DataPoint& point, AxialSet axisConvention);

struct PairRangeFault {
    RangeFault fault = RangeFault::none;
    int point = 0;  // the data point (from 1) whose numbers made the pair's numbers not finite
    int first = 0;  // the pair
    int second = 0;
};

// The first such pair in the run's order. The points must pass pointRangeFault, their cells be
// usable and every strain tensor (without esds) finite.
PairRangeFault firstPairRangeFault(const Series& series, const RunOptions& options);
