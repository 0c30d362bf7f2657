#pragma once
// Whether the data can be calculated with: each point as it is read, and the whole series before
// a run writes anything (a cell the calculation cannot use, or a pair of cells whose strain single
// precision cannot hold, would otherwise end in a report full of NaN that looks like a success).
#include <optional>

#include "calc/options.hpp"
#include "calc/series.hpp"

// True when edges are positive, angles lie strictly between 0 and 180 degrees and the angles
// can close a cell (positive-definite metric tensor).
bool isValidCell(const DataPoint& point);

// What stops a series from being calculated, in the order it is checked.
struct SeriesProblem {
    enum class Kind {
        unusableCell,     // point `first`: its S-matrix or the inverse is not finite in this axial set,
                          // or single precision cannot hold its squared edges
        tooFewPoints,     // fewer than two data points
        strainNotFinite,  // the pair (first, second), in the run's order, has no finite strain tensor
    };
    Kind kind;
    int first = 0;  // data point numbers, from 1
    int second = 0;
};

// The first problem of a series that has been read, or nothing when it can be calculated.
std::optional<SeriesProblem> checkSeries(const Series& series, const RunOptions& options);
