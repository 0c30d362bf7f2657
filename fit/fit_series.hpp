#pragma once
// The fits over a whole series: pure, no files.
#include <memory>
#include <vector>

#include "calc/options.hpp"
#include "calc/series.hpp"
#include "fit/fit_result.hpp"
#include "fit/state_fits.hpp"

struct FitOptions {
    RunOptions run;  // the strain measure and axial set of the run; the incremental option plays no part
    int order = 0;   // order of the tensor polynomial, 1 to 4; 0: 1 for temperature, 2 for pressure
    std::vector<double> at;  // where the tensor is also evaluated, beside the measured x
    std::vector<EosModel> eosModels = defaultEosModels();
    FitWeights weights = FitWeights::esd;
    // The calculation whose numbering the principal axes carry, from 1 (0: the last): the one
    // the representation surface shows.
    int namedCalculation = 0;
    bool fits = true;  // false: no fits at all (the axes all the same), and the result says they were turned off
    StateFitOptions states;  // V(T), P(V, T), fixed parameters, Pc and the diagnostics
};

// Every strain is measured against the first point of the series. A series of fewer than three
// points, or fits turned off, give a result that is not ok, with the reason.
// The fits keep a view of the series, shared, to remake what they give at each point (residuals,
// F and f) when it is written; the first form shares a copy.
FitResult fitSeries(const std::shared_ptr<const Series>& series, const FitOptions& options);
FitResult fitSeries(const Series& series, const FitOptions& options);
