#include "fit/parametric_fit.hpp"

#include <algorithm>
#include <cmath>
#include <span>
#include <limits>

#include "fit/model_choice.hpp"
#include "fit/nonlinear_fit.hpp"
#include "fit/reweighting.hpp"

namespace {

// Steps of the central differences: in x and z relative to their size, in a parameter relative
// to it (or to its start where it is near 0).
constexpr double kAbscissaStep = 1e-6;
constexpr double kParameterStep = 1e-6;

double stepFor(double value, double typical) {
    return kParameterStep * std::max(std::fabs(value), std::fabs(typical) > 0.0 ? std::fabs(typical) : 1e-6);
}

}  // namespace

bool ParametricFit::isFixed(std::size_t j) const { return j < fixed.size() && fixed[j]; }

bool ParametricFit::has(const std::string& name) const {
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::optional<FittedValue> ParametricFit::parameter(const std::string& name) const {
    const auto at = std::find(names.begin(), names.end(), name);
    if (at == names.end()) return std::nullopt;
    const std::size_t j = static_cast<std::size_t>(at - names.begin());
    // A fit that failed before it started has names only.
    FittedValue v{j < values.size() ? values[j] : std::numeric_limits<double>::quiet_NaN(), std::nullopt};
    if (!isFixed(j)) {
        const auto f = static_cast<std::size_t>(std::find(freeNames.begin(), freeNames.end(), name) - freeNames.begin());
        if (f < covariance.size()) v.esd = covariance.esd(f);
    }
    return v;
}

double ParametricFit::esdOf(const std::function<double(const std::vector<double>&)>& quantity) const {
    std::vector<double> gradient;
    for (std::size_t j = 0; j < values.size(); ++j) {
        if (isFixed(j)) continue;
        const double h = stepFor(values[j], j < typical.size() ? typical[j] : 0.0);
        std::vector<double> up = values, down = values;
        up[j] += h;
        down[j] -= h;
        gradient.push_back((quantity(up) - quantity(down)) / (2.0 * h));
    }
    return covariance.esdOf(gradient);
}

ParametricFit fitParametric(const ParametricModel& model, const ParametricData& data, FitWeights mode,
                            const FixedParameters& fixedValues) {
    ParametricFit fit;
    fit.names = model.names;
    fit.values = model.start;
    fit.fixed.assign(model.names.size(), false);
    std::vector<std::size_t> freeIndex;
    for (std::size_t j = 0; j < model.names.size(); ++j) {
        if (const auto f = fixedValues.find(model.names[j]); f != fixedValues.end()) {
            fit.fixed[j] = true;
            fit.values[j] = f->second;
        } else {
            freeIndex.push_back(j);
            fit.freeNames.push_back(model.names[j]);
        }
    }
    const std::size_t n = data.y.size();
    const std::size_t p = freeIndex.size();
    fit.points = static_cast<int>(n);
    if (p == 0) {
        fit.status = FitStatus::failure("every parameter is fixed");
        return fit;
    }
    if (n < p + 1) {
        fit.status = FitStatus::failure("fewer than " + std::to_string(p + 1) + " points");
        return fit;
    }
    const bool twoAbscissae = !data.z.empty();
    // Every parameter from the free ones.
    const auto all = [&](const std::vector<double>& free) {
        std::vector<double> v = fit.values;
        for (std::size_t k = 0; k < p; ++k) v[freeIndex[k]] = free[k];
        return v;
    };
    const auto zOf = [&](std::size_t i) { return twoAbscissae ? data.z[i] : 0.0; };

    // The solver works on each free parameter divided by its typical size, so that parameters of
    // 1e-8 (a1) and of 100 (K0) alike are of order 1 to its tests of convergence.
    std::vector<double> scales(p, 1.0);
    for (std::size_t k = 0; k < p; ++k) {
        const std::size_t j = freeIndex[k];
        const double typical = model.typical.size() == model.names.size() ? std::fabs(model.typical[j]) : 0.0;
        scales[k] = typical > 0.0 ? typical : std::fabs(model.start[j]) > 0.0 ? std::fabs(model.start[j]) : 1.0;
    }
    const auto unscaled = [&](const std::vector<double>& u) {
        std::vector<double> x(p);
        for (std::size_t k = 0; k < p; ++k) x[k] = u[k] * scales[k];
        return all(x);
    };
    std::vector<double> rootWeights(n, 1.0);
    NonlinearProblem problem;
    problem.points = n;
    problem.parameters = p;
    std::vector<double> start(p);
    for (std::size_t k = 0; k < p; ++k) start[k] = fit.values[freeIndex[k]] / scales[k];
    problem.typical.assign(p, 1.0);
    problem.residuals = [&](const std::vector<double>& free, std::span<double> r) {
        const std::vector<double> v = unscaled(free);
        if (model.inDomain && !model.inDomain(v)) return false;
        for (std::size_t i = 0; i < n; ++i) r[i] = (data.y[i] - model.value(v, data.x[i], zOf(i))) * rootWeights[i];
        return true;
    };

    // dy/dx and dy/dz at each point by central differences: the weights need no more.
    const auto slopesIn = [&](bool inZ) {
        return [&, inZ](const std::vector<double>& free, std::vector<double>& slopes) {
            const std::vector<double> v = unscaled(free);
            for (std::size_t i = 0; i < n; ++i) {
                const double x = data.x[i], z = zOf(i);
                const double h = kAbscissaStep * std::max(std::fabs(inZ ? z : x), 1.0);
                const double up = inZ ? model.value(v, x, z + h) : model.value(v, x + h, z);
                const double down = inZ ? model.value(v, x, z - h) : model.value(v, x - h, z);
                const double s = (up - down) / (2.0 * h);
                slopes[i] = std::isfinite(s) ? s : 0.0;
            }
        };
    };
    ReweightingProblem weighting;
    weighting.parameters = p;
    weighting.mode = mode;
    weighting.sigY = data.sigY;
    weighting.sigX = data.sigX;
    weighting.slopes = slopesIn(false);
    if (twoAbscissae) {
        weighting.sigZ = data.sigZ;
        weighting.slopesZ = slopesIn(true);
    }
    weighting.solve = [&](const std::vector<double>& weights, const std::vector<double>* previous) {
        for (std::size_t i = 0; i < n; ++i) rootWeights[i] = std::sqrt(weights[i]);
        const NonlinearSolution s = previous ? refineLeastSquares(problem, *previous) : solveLeastSquares(problem, start);
        return WeightedSolution{s.ok, s.reason, s.parameters, s.covariance, s.chi2, s.iterations};
    };
    const ReweightedSolution solution = solveReweighted(weighting);
    fit.iterations = solution.iterations;
    if (!solution.ok) {
        fit.status = FitStatus::failure(solution.reason);
        return fit;
    }
    fit.values = unscaled(solution.parameters);
    fit.typical.assign(fit.values.size(), 0.0);
    for (std::size_t k = 0; k < p; ++k) fit.typical[freeIndex[k]] = scales[k];
    fit.chi2 = solution.chi2;
    fit.dof = solution.dof;
    // The covariance at the minimum from central differences, with the weights of the last pass,
    // brought back from the solver's scaled parameters: C_ab s_a s_b.
    const Covariance ofScaled = covarianceAt(problem, solution.parameters);
    if (ofScaled.empty()) {
        fit.status = FitStatus::failure("singular covariance: the data do not determine every parameter");
        return fit;
    }
    std::vector<double> c(p * p);
    for (std::size_t a = 0; a < p; ++a)
        for (std::size_t b = 0; b < p; ++b) c[a * p + b] = ofScaled(a, b) * scales[a] * scales[b];
    const Covariance raw(std::move(c));
    // A fit through every point (chi2 = 0) keeps the unscaled covariance rather than none at all.
    fit.covariance = fit.dof > 0 && fit.chi2 > 0.0 ? raw.scaledByFit(fit.chi2, fit.dof) : raw;
    if (!fit.covariance.finite() || !std::isfinite(fit.chi2)) {
        fit.status = FitStatus::failure("no finite solution");
        return fit;
    }
    fit.aicc = aicc(fit.chi2, fit.points, static_cast<int>(p));
    std::vector<double> calculated(n);
    for (std::size_t i = 0; i < n; ++i) calculated[i] = model.value(fit.values, data.x[i], zOf(i));
    fit.residuals = residualsOf(solution, data.x, data.y, calculated);
    for (std::size_t i = 0; i < n && i < data.xAsRead.size(); ++i) fit.residuals[i].x = data.xAsRead[i];
    std::vector<double> freeValues(p);
    for (std::size_t k = 0; k < p; ++k) freeValues[k] = fit.values[freeIndex[k]];
    fit.ellipses = allConfidenceEllipses(fit.covariance, fit.freeNames, freeValues);
    fit.status = FitStatus::success();
    return fit;
}
