#pragma once
// The equations of state as functions P(V; V0, K0, K', K'').
#include <array>

#include "fit/fit_result.hpp"

using EosParameters = std::array<double, 4>;  // V0, K0, K', K''
