#include "fit/model_choice.hpp"

#include <gsl/gsl_cdf.h>

#include <cmath>

#include "fit/gsl_support.hpp"

std::optional<double> aicc(double chi2, int points, int freeParameters) {
    const int rest = points - freeParameters - 1;
    if (rest < 1 || !std::isfinite(chi2)) return std::nullopt;
    const double k = freeParameters;
    return chi2 + 2.0 * k + 2.0 * k * (k + 1.0) / rest;
}

std::optional<FTest> fTest(double chi2Low, int dofLow, double chi2High, int dofHigh) {
    const int extra = dofLow - dofHigh;
    if (extra < 1 || dofHigh < 1 || !(chi2High > 0.0) || !std::isfinite(chi2Low)) return std::nullopt;
    FTest t;
    t.f = std::max(chi2Low - chi2High, 0.0) / extra / (chi2High / dofHigh);
    const GslErrorsAsValues errors;
    t.probability = gsl_cdf_fdist_Q(t.f, extra, dofHigh);
    t.higherWarranted = t.probability < kFTestLevel;
    return t;
}
