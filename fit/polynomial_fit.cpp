#include "fit/polynomial_fit.hpp"

#include <gsl/gsl_multifit.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "fit/fit_weights.hpp"
#include "fit/gsl_support.hpp"

namespace {

struct GslFree {
    void operator()(gsl_matrix* m) const { gsl_matrix_free(m); }
    void operator()(gsl_vector* v) const { gsl_vector_free(v); }
    void operator()(gsl_multifit_linear_workspace* w) const { gsl_multifit_linear_free(w); }
};
using Matrix = std::unique_ptr<gsl_matrix, GslFree>;
using Vector = std::unique_ptr<gsl_vector, GslFree>;
using Workspace = std::unique_ptr<gsl_multifit_linear_workspace, GslFree>;

constexpr int kMaxIterations = 50;
// The weights have settled when no coefficient moves by more than this fraction of its esd.
constexpr double kSettled = 1e-6;

bool allFinite(const std::vector<double>& values) {
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

}  // namespace

double PolynomialFit::value(double x) const {
    const double d = x - origin;
    double q = 0.0;
    for (auto c = coefficients.rbegin(); c != coefficients.rend(); ++c) q = q * d + *c;
    return q;
}

double PolynomialFit::slope(double x) const {
    const double d = x - origin;
    double q = 0.0;
    for (int k = order(); k >= 1; --k) q = q * d + k * coefficients[static_cast<std::size_t>(k)];
    return q;
}

namespace {

// sqrt(g^T C g) for the gradient g of a value with respect to the coefficients.
double esdOf(const PolynomialFit& fit, const std::vector<double>& g) {
    const std::size_t p = g.size();
    double variance = 0.0;
    for (std::size_t k = 0; k < p; ++k)
        for (std::size_t l = 0; l < p; ++l) variance += g[k] * fit.covariance[k * p + l] * g[l];
    return std::sqrt(std::max(variance, 0.0));
}

}  // namespace

double PolynomialFit::valueEsd(double x) const {
    std::vector<double> g(coefficients.size());
    double power = 1.0;
    for (double& gk : g) {
        gk = power;
        power *= x - origin;
    }
    return esdOf(*this, g);
}

double PolynomialFit::slopeEsd(double x) const {
    std::vector<double> g(coefficients.size(), 0.0);
    double power = 1.0;
    for (std::size_t k = 1; k < g.size(); ++k) {
        g[k] = static_cast<double>(k) * power;
        power *= x - origin;
    }
    return esdOf(*this, g);
}

PolynomialFit fitPolynomial(const std::vector<FitPoint>& points, int order, double origin, FitWeights mode) {
    PolynomialFit fit;
    fit.origin = origin;
    fit.points = static_cast<int>(points.size());
    const std::size_t n = points.size();
    const std::size_t p = static_cast<std::size_t>(order) + 1;
    std::vector<double> distinct;
    for (const FitPoint& point : points) distinct.push_back(point.x);
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    if (n < 3) {
        fit.status = FitStatus::failure("fewer than 3 points");
        return fit;
    }
    if (distinct.size() == 1) {
        fit.status = FitStatus::failure("all x equal");
        return fit;
    }
    if (n < p + 1 || distinct.size() < p) {
        fit.status = FitStatus::failure("too few points for order " + std::to_string(order));
        return fit;
    }

    // The powers of u = (x - origin) / scale, so that every column is of order 1.
    double scale = 0.0;
    for (const FitPoint& point : points) scale = std::max(scale, std::fabs(point.x - origin));
    const GslErrorsAsValues errors;
    const Matrix X(gsl_matrix_alloc(n, p));
    const Vector y(gsl_vector_alloc(n));
    const Vector w(gsl_vector_alloc(n));
    const Vector c(gsl_vector_alloc(p));
    const Matrix cov(gsl_matrix_alloc(p, p));
    const Workspace work(gsl_multifit_linear_alloc(n, p));
    for (std::size_t i = 0; i < n; ++i) {
        const double u = (points[i].x - origin) / scale;
        double power = 1.0;
        for (std::size_t k = 0; k < p; ++k) {
            gsl_matrix_set(X.get(), i, k, power);
            power *= u;
        }
        gsl_vector_set(y.get(), i, points[i].y);
    }

    const bool anySigX = std::any_of(points.begin(), points.end(), [](const FitPoint& q) { return q.sigX > 0.0; });
    std::vector<double> sigmas(n);
    std::vector<double> previous;
    double chi2 = 0.0;
    for (int iteration = 0; iteration < kMaxIterations; ++iteration) {
        fit.coefficients.assign(p, 0.0);
        for (std::size_t k = 0; k < p; ++k) fit.coefficients[k] = previous.empty() ? 0.0 : previous[k] / std::pow(scale, static_cast<double>(k));
        for (std::size_t i = 0; i < n; ++i) {
            const double slope = previous.empty() ? 0.0 : fit.slope(points[i].x);
            sigmas[i] = std::hypot(points[i].sigY, slope * points[i].sigX);
        }
        const std::vector<double> weights = weightsOf(sigmas, mode);
        for (std::size_t i = 0; i < n; ++i) gsl_vector_set(w.get(), i, weights[i]);
        if (gsl_multifit_wlinear(X.get(), w.get(), y.get(), c.get(), cov.get(), &chi2, work.get()) != GSL_SUCCESS) {
            fit.status = FitStatus::failure("singular least-squares matrix");
            return fit;
        }
        std::vector<double> current(c->data, c->data + p);
        bool settled = !previous.empty();
        const double varianceScale = n > p ? chi2 / static_cast<double>(n - p) : 0.0;
        for (std::size_t k = 0; k < p && settled; ++k)
            settled = std::fabs(current[k] - previous[k]) <=
                      kSettled * std::sqrt(gsl_matrix_get(cov.get(), k, k) * varianceScale) + 1e-15 * std::fabs(current[k]);
        previous = std::move(current);
        if (settled || mode == FitWeights::none || !anySigX) break;
    }

    fit.dof = static_cast<int>(n - p);
    fit.chi2 = chi2;
    const double varianceFactor = chi2 / fit.dof;
    fit.coefficients.assign(p, 0.0);
    fit.covariance.assign(p * p, 0.0);
    for (std::size_t k = 0; k < p; ++k) {
        fit.coefficients[k] = previous[k] / std::pow(scale, static_cast<double>(k));
        for (std::size_t l = 0; l < p; ++l)
            fit.covariance[k * p + l] =
                gsl_matrix_get(cov.get(), k, l) * varianceFactor / std::pow(scale, static_cast<double>(k + l));
    }
    if (!allFinite(fit.coefficients) || !allFinite(fit.covariance) || !std::isfinite(chi2)) {
        fit.status = FitStatus::failure("no finite solution");
        fit.coefficients.clear();
        fit.covariance.clear();
        return fit;
    }
    fit.status = FitStatus::success();
    return fit;
}
