#pragma once
// The normalised pressure F = P / [3 f (1 + 2f)^(5/2)] against the Eulerian finite strain
// f = [(V0/V)^(2/3) - 1] / 2, V0 from a BM3 fit of the volumes.
#include "calc/series.hpp"
#include "fit/fit_result.hpp"

NormalisedPressure normalisedPressure(const Series& series, FitWeights mode);
