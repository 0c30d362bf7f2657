#pragma once
// Effective-variance reweighting: the one loop under every fit over the series.
//
// Each pass weights point i by 1/sigma_i^2, sigma_i^2 = sigY_i^2 + (slope_i sigX_i)^2, with the
// slope dy/dx at the point from the parameters of the pass before (none in the first pass), and
// solves the weighted least squares. The passes end when no parameter moves by more than
// kSettledFraction of its esd (from the covariance scaled by chi2 / (n - p)); a fit whose weights
// have not settled within kWeightPasses passes fails, and says so. With equal weights (--weights
// none, or no esds at all) or no esds of x the weights do not depend on the parameters, and one
// pass is the fit.
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "fit/covariance.hpp"
#include "fit/fit_result.hpp"

constexpr int kWeightPasses = 20;
constexpr double kSettledFraction = 1e-3;

// The weighted least squares of one pass, as a model solves it.
struct WeightedSolution {
    bool ok = false;
    std::string reason;  // why not, in words a user can act on
    std::vector<double> parameters;
    Covariance covariance;  // (J^T W J)^-1 at the parameters, not scaled
    double chi2 = 0.0;      // the weighted sum of squared residuals
    int iterations = 0;
    int fixed = 0;  // parameters held on a bound (no variance): they take no degree of freedom
};

struct ReweightingProblem {
    std::size_t parameters = 0;
    // The esds, the model's own (a long series' copy would be 8 bytes a point each): they must
    // outlive the problem.
    std::span<const double> sigY;  // the esd of each observation
    std::span<const double> sigX;  // the esd of its abscissa
    FitWeights mode = FitWeights::esd;
    // dy/dx at each point for the given parameters.
    std::function<void(const std::vector<double>& parameters, std::vector<double>& slopes)> slopes;
    // Optionally a second abscissa z with its esds (T beside V, for a fit of P(V, T)), entering
    // the effective variance as (dy/dz sigZ)^2 beside the first; empty: none.
    std::span<const double> sigZ;
    std::function<void(const std::vector<double>& parameters, std::vector<double>& slopes)> slopesZ;
    // The minimum for the given weights, from the parameters of the pass before (null in the first
    // pass).
    std::function<WeightedSolution(const std::vector<double>& weights, const std::vector<double>* previous)> solve;
};

struct ReweightedSolution {
    bool ok = false;
    std::string reason;
    std::vector<double> parameters;  // of a failed fit, where the solver stopped (if it started)
    Covariance covariance;  // scaled by chi2 / (n - p)
    double chi2 = 0.0;
    int dof = 0;
    int passes = 0;
    int iterations = 0;          // the solver's, over every pass
    std::vector<double> weights;  // of the last pass
    bool fromEsds = false;        // the weights came from esds; otherwise every point weighs the same
    std::vector<double> weightedAt;  // the parameters whose slopes the last pass was weighted by; empty: none
};

ReweightedSolution solveReweighted(const ReweightingProblem& problem);

// The weights of a pass from the effective esd of each point, and whether they came from esds
// (otherwise every point weighs the same).
struct PassWeights {
    std::vector<double> weights;
    bool fromEsds = false;
};
PassWeights passWeights(const std::vector<double>& sigmas, FitWeights mode);

// The residual of point i (numbered i + 1): observed - calculated in units of the point's esd (the
// root of its last weight), or, where every point weighs the same, of the fit's own scatter
// sqrt(chi2 / (n - p)); beyond kOutlierResidual the point is flagged as a possible outlier.
constexpr double kOutlierResidual = 3.0;
double scatterOf(double chi2, int dof);
Residual residualOf(std::size_t i, float x, double observed, double calculated, const PassWeights& weights, double scatter);

std::vector<Residual> residualsOf(const ReweightedSolution& fit, const std::vector<double>& x,
                                  const std::vector<double>& observed, const std::vector<double>& calculated);

// The residuals of a fit with one abscissa remade from its points when they are visited: the
// value calculated at each x from the fit's parameters, and the weights of its last pass from the
// slope dy/dx at each point taken at solution.weightedAt (none: every slope 0), as that pass
// took them.
struct ResidualModel {
    FitPoints points;
    std::function<double(double x)> calculated;
    std::function<double(const FitPoint& point)> lastSlope;  // empty where the last pass took no slopes
    FitWeights mode = FitWeights::esd;
    double chi2 = 0.0;
    int dof = 0;
};
ResidualList remadeResiduals(const ResidualModel& model);
