#pragma once
// epsilon(P) = eps0 + lambda (P - Pc)^nu for each principal axis of a pressure series.
#include <vector>

#include "fit/fit_result.hpp"
#include "fit/reference_strains.hpp"

std::vector<EmpiricalFit> fitEmpirical(const ReferenceStrains& strains, FitWeights mode);
