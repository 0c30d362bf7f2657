#include "fit/polynomial_fit.hpp"

#include <gsl/gsl_linalg.h>

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
};
using Matrix = std::unique_ptr<gsl_matrix, GslFree>;
using Vector = std::unique_ptr<gsl_vector, GslFree>;

constexpr int kMaxIterations = 50;
// The weights have settled when no coefficient moves by more than this fraction of its esd.
constexpr double kSettled = 1e-6;

bool allFinite(const std::vector<double>& values) {
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

// Diagonal elements of R below this fraction of the largest: the columns are dependent.
constexpr double kSingularRatio = 1e-12;

// Weighted linear least squares by a QR decomposition of the weighted design matrix (a few columns
// of order 1): the coefficients c, (X^T W X)^-1 = R^-1 R^-T in cov and the weighted sum of squares;
// false when the columns are dependent.
bool weightedLeastSquares(const gsl_matrix* X, const std::vector<double>& weights, const gsl_vector* y, gsl_vector* c,
                          gsl_matrix* cov, double& chi2) {
    const std::size_t n = X->size1;
    const std::size_t p = X->size2;
    const Matrix A(gsl_matrix_alloc(n, p));
    const Vector b(gsl_vector_alloc(n));
    const Vector tau(gsl_vector_alloc(p));
    const Vector residual(gsl_vector_alloc(n));
    for (std::size_t i = 0; i < n; ++i) {
        const double root = std::sqrt(weights[i]);
        for (std::size_t k = 0; k < p; ++k) gsl_matrix_set(A.get(), i, k, root * gsl_matrix_get(X, i, k));
        gsl_vector_set(b.get(), i, root * gsl_vector_get(y, i));
    }
    if (gsl_linalg_QR_decomp(A.get(), tau.get()) != GSL_SUCCESS) return false;
    double largest = 0.0;
    for (std::size_t k = 0; k < p; ++k) largest = std::max(largest, std::fabs(gsl_matrix_get(A.get(), k, k)));
    for (std::size_t k = 0; k < p; ++k)
        if (!(std::fabs(gsl_matrix_get(A.get(), k, k)) > kSingularRatio * largest)) return false;
    if (gsl_linalg_QR_lssolve(A.get(), tau.get(), b.get(), c, residual.get()) != GSL_SUCCESS) return false;
    chi2 = 0.0;
    for (std::size_t i = 0; i < n; ++i) chi2 += gsl_vector_get(residual.get(), i) * gsl_vector_get(residual.get(), i);
    // R^-1 by back substitution, column by column (upper triangular).
    std::vector<double> inverse(p * p, 0.0);
    for (std::size_t col = 0; col < p; ++col) {
        for (std::size_t row = col + 1; row-- > 0;) {
            double sum = row == col ? 1.0 : 0.0;
            for (std::size_t k = row + 1; k <= col; ++k) sum -= gsl_matrix_get(A.get(), row, k) * inverse[k * p + col];
            inverse[row * p + col] = sum / gsl_matrix_get(A.get(), row, row);
        }
    }
    for (std::size_t a = 0; a < p; ++a)
        for (std::size_t e = 0; e < p; ++e) {
            double sum = 0.0;
            for (std::size_t k = std::max(a, e); k < p; ++k) sum += inverse[a * p + k] * inverse[e * p + k];
            gsl_matrix_set(cov, a, e, sum);
        }
    return true;
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
    const Vector c(gsl_vector_alloc(p));
    const Matrix cov(gsl_matrix_alloc(p, p));
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
            sigmas[i] = effectiveEsd(points[i].sigY, slope, points[i].sigX);
        }
        const std::vector<double> weights = weightsOf(sigmas, mode);
        if (!weightedLeastSquares(X.get(), weights, y.get(), c.get(), cov.get(), chi2)) {
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
