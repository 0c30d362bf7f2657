#pragma once
// The normalised pressure F = P / [3 f (1 + 2f)^(5/2)] against the Eulerian finite strain
// f = [(V0/V)^(2/3) - 1] / 2, V0 from a BM3 fit of the volumes.
#include "fit/equation_of_state.hpp"
#include "fit/fit_points.hpp"
#include "fit/fit_result.hpp"

// F and f with esds by first-order propagation from P, V and V0 (through eta = V/V0), made from
// the volumes (V as x, P as y) when they are visited; points with P = 0 or f = 0, where F is 0/0,
// are left out. Not ok when the BM3 fit is not.
NormalisedPressure normalisedPressure(const FitPoints& volumes, const EosFit& bm3);
