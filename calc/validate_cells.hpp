#pragma once
// Whether the data can be calculated with: each point as it is read, and the whole series before
// a run writes anything (a cell the calculation cannot use, or a pair of cells whose strain single
// precision cannot hold, would otherwise end in a report full of NaN that looks like a success).
#include <optional>

#include "calc/options.hpp"
#include "calc/series.hpp"

// True when edges are positive, angles lie strictly between 0 and 180 degrees and the angles
// can close a cell (positive-definite metric tensor). T, P and the esds are pointRangeFault's.
bool isValidCell(const DataPoint& point);

// A number of a data point besides its cell that a calculation cannot carry in single precision.
enum class RangeFault { none, variable, esd, strain };  // T or P; an esd; a pair's strain
struct PointRangeFault {
    RangeFault fault = RangeFault::none;
    const char* name = "";  // the column: "T", "P", "SIGT", "SIGP", "SIGA" ...
    float value = 0.0f;
};

// T and P must be finite and at most half the largest float in size, so that the change and
// the midpoint of any two are finite; every esd finite, and those of T and P at most the root
// of half the largest float, so that the sum of two squares is finite.
PointRangeFault pointRangeFault(const DataPoint& point);

// What stops a series from being calculated, in the order it is checked.
struct SeriesProblem {
    enum class Kind {
        unusableCell,     // point `first`: its S-matrix or the inverse is not finite in this axial set,
                          // or single precision cannot hold its squared edges
        farFromCubic,     // point `first`: its reciprocal cell or orientation is not finite (edges
                          // too different for single precision)
        pointOutOfRange,  // point `first`: `range` says which T, P or esd
        tooFewPoints,     // fewer than two data points
        strainNotFinite,  // the pair (first, second), in the run's order, has no finite strain tensor
        pairOutOfRange,   // the pair (first, second): the esds or the property tensor of point
                          // `point` are not finite in single precision, or the strain is too large
                          // for its principal axes (`range.fault` says which)
    };
    Kind kind;
    int first = 0;  // data point numbers, from 1
    int second = 0;
    int point = 0;
    PointRangeFault range;
};

// The first problem of a series that has been read, or nothing when it can be calculated.
std::optional<SeriesProblem> checkSeries(const Series& series, const RunOptions& options);
