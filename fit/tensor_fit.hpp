#pragma once
// The strain tensor as a polynomial in x, component by component, and the property tensor (its
// derivative) with its principal axes anywhere.
#include <memory>
#include <optional>
#include <vector>

#include "fit/fit_result.hpp"
#include "calc/series_axes.hpp"

// Fits each of the six components to the given order and evaluates the property tensor at each
// distinct measured x, then at each of `at`.
TensorFit fitTensor(const std::shared_ptr<const SeriesAxes>& axes, int order, bool pressure,
                    const std::vector<double>& at, FitWeights mode);
