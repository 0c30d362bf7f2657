#include "fit/reweighting.hpp"

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

#include "fit/fit_weights.hpp"

namespace {

// The largest move of a parameter between two passes, in esds of the later pass. Rounding alone
// (a few parts in 1e14 of the value) counts as no move, for a fit that goes through every point.
double largestMove(const std::vector<double>& before, const std::vector<double>& after, const Covariance& scaled) {
    double largest = 0.0;
    for (std::size_t j = 0; j < after.size(); ++j) {
        const double move = std::fabs(after[j] - before[j]);
        if (!(move > 1e-14 * std::fabs(after[j]))) continue;
        const double esd = scaled.esd(j);
        largest = std::max(largest, esd > 0.0 ? move / esd : HUGE_VAL);
    }
    return largest;
}

}  // namespace

ReweightedSolution solveReweighted(const ReweightingProblem& problem) {
    ReweightedSolution fit;
    const std::size_t n = problem.sigY.size();
    const std::size_t p = problem.parameters;
    fit.dof = static_cast<int>(n) - static_cast<int>(p);
    const bool secondAbscissa = !problem.sigZ.empty() && problem.slopesZ;
    const bool anySigX = anyEsd(problem.sigX) || (secondAbscissa && anyEsd(problem.sigZ));
    const bool fixedWeights = problem.mode == FitWeights::none || !anySigX;
    std::vector<double> sigmas(n), slopes(n, 0.0), slopesZ(secondAbscissa ? n : 0, 0.0);
    std::vector<double> previous;
    for (int pass = 1; pass <= kWeightPasses; ++pass) {
        if (!previous.empty()) problem.slopes(previous, slopes);
        if (!previous.empty() && secondAbscissa) problem.slopesZ(previous, slopesZ);
        for (std::size_t i = 0; i < n; ++i) sigmas[i] = effectiveEsd(problem.sigY[i], slopes[i], problem.sigX[i]);
        if (secondAbscissa)
            for (std::size_t i = 0; i < n; ++i) sigmas[i] = effectiveEsd(sigmas[i], slopesZ[i], problem.sigZ[i]);
        PassWeights weights = passWeights(sigmas, problem.mode);
        fit.weights = std::move(weights.weights);
        fit.fromEsds = weights.fromEsds;
        fit.weightedAt = previous;
        WeightedSolution solution = problem.solve(fit.weights, previous.empty() ? nullptr : &previous);
        fit.passes = pass;
        fit.iterations += solution.iterations;
        if (!solution.ok) {
            fit.reason = solution.reason;
            fit.parameters = std::move(solution.parameters);  // where the solver stopped, if anywhere
            return fit;
        }
        fit.dof = static_cast<int>(n) - static_cast<int>(p) + solution.fixed;
        const Covariance scaled = solution.covariance.scaledByFit(solution.chi2, fit.dof);
        const bool settled = fixedWeights || (!previous.empty() && largestMove(previous, solution.parameters, scaled) <= kSettledFraction);
        previous = solution.parameters;
        fit.parameters = std::move(solution.parameters);
        fit.covariance = scaled;
        fit.chi2 = solution.chi2;
        if (settled) {
            fit.ok = true;
            return fit;
        }
    }
    fit.reason = "the weights did not settle in " + std::to_string(kWeightPasses) +
                 " passes (the esds of x, through the slope, give each pass other weights); --weights none fits without them";
    return fit;
}

PassWeights passWeights(const std::vector<double>& sigmas, FitWeights mode) {
    return {weightsOf(sigmas, mode), mode == FitWeights::esd && anyEsd(sigmas)};
}

double scatterOf(double chi2, int dof) { return dof > 0 ? std::sqrt(chi2 / dof) : 0.0; }

Residual residualOf(std::size_t i, float x, double observed, double calculated, const PassWeights& weights, double scatter) {
    Residual r;
    r.point = static_cast<int>(i) + 1;
    r.x = x;
    r.observed = observed;
    r.calculated = calculated;
    const double difference = observed - calculated;
    r.weighted = weights.fromEsds ? difference * std::sqrt(weights.weights[i]) : scatter > 0.0 ? difference / scatter : 0.0;
    r.outlier = std::fabs(r.weighted) > kOutlierResidual;
    return r;
}

std::vector<Residual> residualsOf(const ReweightedSolution& fit, const std::vector<double>& x,
                                  const std::vector<double>& observed, const std::vector<double>& calculated) {
    std::vector<Residual> residuals;
    residuals.reserve(observed.size());
    const PassWeights weights{fit.weights, fit.fromEsds};
    const double scatter = scatterOf(fit.chi2, fit.dof);
    for (std::size_t i = 0; i < observed.size(); ++i)
        residuals.push_back(residualOf(i, static_cast<float>(x[i]), observed[i], calculated[i], weights, scatter));
    return residuals;
}

ResidualList remadeResiduals(const ResidualModel& model) {
    const FitPoints& points = model.points;
    // The weights as the last pass made them; kept only where the residuals are in their units.
    std::vector<double> sigmas(points.count);
    for (std::size_t i = 0; i < points.count; ++i) {
        const FitPoint p = points.point(i);
        sigmas[i] = effectiveEsd(p.sigY, model.lastSlope ? model.lastSlope(p) : 0.0, p.sigX);
    }
    auto weights = std::make_shared<PassWeights>(passWeights(sigmas, model.mode));
    if (!weights->fromEsds) weights->weights = {};
    const double scatter = scatterOf(model.chi2, model.dof);
    return ResidualList(points.count, [points, calculated = model.calculated, weights = std::shared_ptr<const PassWeights>(weights),
                                       scatter](std::size_t i) {
        const FitPoint p = points.point(i);
        return residualOf(i, static_cast<float>(p.x), p.y, calculated(p.x), *weights, scatter);
    });
}
