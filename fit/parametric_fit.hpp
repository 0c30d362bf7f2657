#pragma once
// A model with named parameters, y = f(x, z; parameters), fitted by weighted least squares
// through the one reweighting loop, with any of its parameters held at a given value. The
// equations of state in T and in P and T are such models: y = V against x = T, or y = P against
// x = V and z = T. Residuals are in y, weighted with the effective variance
// sigma^2 = sigY^2 + (dy/dx sigX)^2 + (dy/dz sigZ)^2.
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fit/confidence_ellipse.hpp"
#include "fit/fit_result.hpp"

// Parameters held at a value (--fix NAME=VALUE), by name.
using FixedParameters = std::map<std::string, double>;

struct ParametricModel {
    std::vector<std::string> names;  // every parameter, in the order `value` takes them
    std::vector<double> start;       // a start for each
    std::vector<double> typical;     // the size of each, for the steps of the derivatives; empty: the start
    // y at (x, z) for every parameter; NaN outside the model's domain.
    std::function<double(const std::vector<double>& parameters, double x, double z)> value;
    // Parameters the model cannot take (a non-positive V0, say); empty: any.
    std::function<bool(const std::vector<double>& parameters)> inDomain;
};

struct ParametricData {
    std::vector<double> y, sigY;
    std::vector<double> x, sigX;
    std::vector<double> z, sigZ;  // empty where the model has one abscissa
    std::vector<float> xAsRead;   // where each residual is reported (T or V as the series holds it)
};

struct ParametricFit {
    FitStatus status;
    std::vector<std::string> names;  // every parameter
    std::vector<double> values;      // every parameter, fixed ones at their value
    std::vector<bool> fixed;
    std::vector<double> typical;     // the size of each parameter, for the steps of esdOf
    std::vector<std::string> freeNames;  // in the order of the covariance
    Covariance covariance;               // of the free parameters, scaled by chi2 / (n - p)
    double chi2 = 0.0;
    int dof = 0;
    int points = 0;
    std::optional<double> aicc;
    std::vector<Residual> residuals;
    std::vector<ConfidenceEllipse> ellipses;  // every pair of free parameters, both levels
    int iterations = 0;

    bool has(const std::string& name) const;
    bool isFixed(std::size_t j) const;
    // A parameter with its esd; no esd for a fixed one, nothing for a name the model lacks.
    std::optional<FittedValue> parameter(const std::string& name) const;
    // The esd of a quantity computed from every parameter, by first-order propagation through
    // the covariance (central differences in the free parameters).
    double esdOf(const std::function<double(const std::vector<double>& parameters)>& quantity) const;
};

// The fixed parameters a model has, with their values; the others are ignored (a fix applies to
// every model that has the parameter).
ParametricFit fitParametric(const ParametricModel& model, const ParametricData& data, FitWeights mode,
                            const FixedParameters& fixed);
