#include "fit/fit_weights.hpp"

#include <algorithm>
#include <cmath>

bool anyEsd(std::span<const double> sigmas) {
    return std::any_of(sigmas.begin(), sigmas.end(), [](double s) { return s > 0.0; });
}

std::vector<double> weightsOf(const std::vector<double>& sigmas, FitWeights mode) {
    std::vector<double> weights(sigmas.size(), 1.0);
    if (mode == FitWeights::none || !anyEsd(sigmas)) return weights;
    if (std::all_of(sigmas.begin(), sigmas.end(), [](double s) { return s > 0.0 && std::isfinite(s); })) {
        for (std::size_t i = 0; i < sigmas.size(); ++i) weights[i] = 1.0 / (sigmas[i] * sigmas[i]);
        return weights;
    }
    std::vector<double> positive;
    for (const double s : sigmas)
        if (s > 0.0 && std::isfinite(s)) positive.push_back(s);
    // Esds that are all beyond double precision (a weighting pass from wild parameters can make
    // them so) tell nothing either: every weight 1.
    if (positive.empty()) return weights;
    std::sort(positive.begin(), positive.end());
    const std::size_t n = positive.size();
    const double median = n % 2 ? positive[n / 2] : 0.5 * (positive[n / 2 - 1] + positive[n / 2]);
    for (std::size_t i = 0; i < sigmas.size(); ++i) {
        const double s = sigmas[i] > 0.0 && std::isfinite(sigmas[i]) ? sigmas[i] : median;
        weights[i] = 1.0 / (s * s);
    }
    return weights;
}
