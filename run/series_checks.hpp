#pragma once
// Checks of a series that has been read, made before a run writes anything: a cell the
// calculation cannot use, or a pair of cells whose strain single precision cannot hold, would
// otherwise end in a report full of NaN that looks like a success.
#include <utility>

#include "calc/options.hpp"
#include "calc/series.hpp"

// The number (from 1) of the first data point whose S-matrix, or its inverse, is not finite in
// this axial set, or whose squared edges single precision cannot hold; 0 when there is none.
int firstUnusableCell(const Series& series, AxialSet axisConvention);

// The data point numbers of the first pair, in the run's order, whose strain tensor is not
// finite; {0, 0} when there is none. The cells must all be usable.
std::pair<int, int> firstNonFiniteStrain(const Series& series, const RunOptions& options);
