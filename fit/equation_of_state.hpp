#pragma once
// Equations of state P(V) fitted to the volumes of a pressure series, and to each independent edge
// with x^3 in place of V.
#include <vector>

#include "calc/series.hpp"
#include "fit/fit_result.hpp"

// Each model for the volume, then each model for each edge the crystal system leaves free
// (a; a and c; or a, b and c).
std::vector<EosFit> fitEquationsOfState(const Series& series, const std::vector<EosModel>& models, FitWeights mode);

// One model to the points (V or x, its esd, P, its esd); edge: x^3 in place of V.
