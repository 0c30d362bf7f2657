#include "fit/equation_of_state.hpp"

double EosFit::pressureAt(double) const { return 0.0; }
double EosFit::pressureEsdAt(double) const { return 0.0; }
std::optional<ValueAt> EosFit::volumeAt(double) const { return std::nullopt; }
double EosFit::modulusAt(double) const { return 0.0; }

std::vector<EosFit> fitEquationsOfState(const Series&, const std::vector<EosModel>& models, FitWeights) {
    std::vector<EosFit> fits;
    for (const EosModel model : models) {
        EosFit fit;
        fit.model = model;
        fit.status = FitStatus::failure("not fitted yet");
        fits.push_back(fit);
    }
    return fits;
}
