#include "fit/held_eos.hpp"

#include <algorithm>
#include <cmath>
#include <memory>

#include "fit/eos_models.hpp"

bool holdsAny(EosModel model, const FixedParameters& fixed) {
    const std::vector<std::string> names = eosParameterNames(model, false);
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return fixed.contains(n); });
}

EosFit fitHeldEquationOfState(EosModel model, const EosData& d, FitWeights mode, const FixedParameters& fixed, const EosFit& start) {
    EosFit fit;
    fit.model = model;
    fit.quantity = EosQuantity::volume;
    const std::vector<std::string> names = eosParameterNames(model, false);
    ParametricModel m;
    m.names = names;
    if (start.status.ok) {
        m.start = {start.v0.value, start.k0.value, start.kp.value, start.kpp.value};
    } else {
        // The lowest-pressure volume, and a modulus of the order of most solids in the series' unit.
        const std::size_t low = static_cast<std::size_t>(std::min_element(d.p.begin(), d.p.end()) - d.p.begin());
        const double span = *std::max_element(d.p.begin(), d.p.end()) - d.p[low];
        m.start = {d.v.empty() ? 1.0 : d.v[low], span > 0.0 ? 10.0 * span : 100.0, 4.0, -(35.0 / 9.0) / 100.0};
    }
    m.start.resize(names.size());
    m.typical = m.start;
    m.value = [model](const std::vector<double>& p, double v, double) { return eosPressure(model, v, eosParameters(model, p)); };
    m.inDomain = [](const std::vector<double>& p) { return p[0] > 0.0 && p[1] > 0.0; };
    ParametricData data;
    data.y = d.p;
    data.sigY = d.sigP;
    data.x = d.v;
    data.sigX = d.sigV;
    for (const double v : d.v) data.xAsRead.push_back(static_cast<float>(v));
    const ParametricFit held = fitParametric(m, data, mode, fixed);
    fit.parameters = held.freeNames;
    fit.status = held.status;
    if (!held.status.ok) return fit;
    fit.covariance = held.covariance;
    fit.chi2 = held.chi2;
    fit.dof = held.dof;
    fit.iterations = held.iterations;
    // Kept as the parametric fit made them: its weights came from slopes of its own.
    auto residuals = std::make_shared<const std::vector<Residual>>(held.residuals);
    fit.remakeResiduals = [residuals] {
        return ResidualList(residuals->size(), [residuals](std::size_t i) { return (*residuals)[i]; });
    };
    fit.v0 = *held.parameter("V0");
    fit.k0 = *held.parameter("K0");
    const EosParameters e = eosParameters(model, held.values);
    fit.kp = held.has("Kp") ? *held.parameter("Kp") : FittedValue{e.kp, std::nullopt};
    fit.kpp = held.has("Kpp") ? *held.parameter("Kpp") : FittedValue{eosState(model, e.v0, e).kpp, std::nullopt};
    for (const Residual& r : held.residuals) fit.maxResidual = std::max(fit.maxResidual, std::fabs(r.observed - r.calculated));
    return fit;
}
