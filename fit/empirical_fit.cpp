#include "fit/empirical_fit.hpp"

double EmpiricalFit::strainAt(double) const { return 0.0; }
double EmpiricalFit::strainEsdAt(double) const { return 0.0; }
double EmpiricalFit::compressibilityAt(double) const { return 0.0; }
double EmpiricalFit::compressibilityEsdAt(double) const { return 0.0; }

std::vector<EmpiricalFit> fitEmpirical(const ReferenceStrains&, FitWeights) {
    std::vector<EmpiricalFit> fits(3);
    for (int t = 0; t < 3; ++t) {
        fits[static_cast<std::size_t>(t)].axis = t + 1;
        fits[static_cast<std::size_t>(t)].status = FitStatus::failure("not fitted yet");
    }
    return fits;
}
