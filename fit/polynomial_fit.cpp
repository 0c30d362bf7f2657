#include "fit/polynomial_fit.hpp"

#include <gsl/gsl_linalg.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "fit/gsl_support.hpp"
#include "fit/reweighting.hpp"

namespace {

struct GslFree {
    void operator()(gsl_matrix* m) const { gsl_matrix_free(m); }
    void operator()(gsl_vector* v) const { gsl_vector_free(v); }
};
using Matrix = std::unique_ptr<gsl_matrix, GslFree>;
using Vector = std::unique_ptr<gsl_vector, GslFree>;

bool allFinite(const std::vector<double>& values) {
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

// Diagonal elements of R below this fraction of the largest: the columns are dependent.
constexpr double kSingularRatio = 1e-12;

// The powers 1, u, u^2, ... of u = (x - origin) / scale, the columns of the design matrix: each of
// order 1.
struct Powers {
    double origin = 0.0;
    double scale = 1.0;
    std::size_t p = 0;

    double u(double x) const { return (x - origin) / scale; }
    template <class Put>
    void row(double x, Put put) const {
        const double v = u(x);
        double power = 1.0;
        for (std::size_t k = 0; k < p; ++k) {
            put(k, power);
            power *= v;
        }
    }
};

// Weighted linear least squares by a QR decomposition of the weighted design matrix, made afresh
// from the points (nothing of size n is kept between passes): the coefficients c,
// (X^T W X)^-1 = R^-1 R^-T in cov and the weighted sum of squares; false when the columns are
// dependent.
bool weightedLeastSquares(const FitPoints& points, const Powers& powers, const std::vector<double>& weights, gsl_vector* c,
                          gsl_matrix* cov, double& chi2) {
    const std::size_t n = points.count;
    const std::size_t p = powers.p;
    const Matrix A(gsl_matrix_alloc(n, p));
    const Vector b(gsl_vector_alloc(n));
    const Vector tau(gsl_vector_alloc(p));
    const Vector residual(gsl_vector_alloc(n));
    for (std::size_t i = 0; i < n; ++i) {
        const double root = std::sqrt(weights[i]);
        const FitPoint point = points.point(i);
        powers.row(point.x, [&](std::size_t k, double power) { gsl_matrix_set(A.get(), i, k, root * power); });
        gsl_vector_set(b.get(), i, root * point.y);
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

double PolynomialFit::valueEsd(double x) const {
    std::vector<double> g(coefficients.size());
    double power = 1.0;
    for (double& gk : g) {
        gk = power;
        power *= x - origin;
    }
    return covariance.esdOf(g);
}

double PolynomialFit::slopeEsd(double x) const {
    std::vector<double> g(coefficients.size(), 0.0);
    double power = 1.0;
    for (std::size_t k = 1; k < g.size(); ++k) {
        g[k] = static_cast<double>(k) * power;
        power *= x - origin;
    }
    return covariance.esdOf(g);
}

double PolynomialFit::meanSlope(double from, double to) const { return (value(to) - value(from)) / (to - from); }

double PolynomialFit::meanSlopeEsd(double from, double to) const {
    // d(mean)/dc_k = ((to - origin)^k - (from - origin)^k) / (to - from).
    std::vector<double> g(coefficients.size());
    double upper = 1.0, lower = 1.0;
    for (double& gk : g) {
        gk = (upper - lower) / (to - from);
        upper *= to - origin;
        lower *= from - origin;
    }
    return covariance.esdOf(g);
}

PolynomialFit fitPolynomial(const std::vector<FitPoint>& points, int order, double origin, FitWeights mode) {
    return fitPolynomial(FitPoints{points.size(), [&points](std::size_t i) { return points[i]; }}, order, origin, mode);
}

PolynomialFit fitPolynomial(const FitPoints& points, int order, double origin, FitWeights mode) {
    PolynomialFit fit;
    fit.origin = origin;
    fit.points = static_cast<int>(points.count);
    const std::size_t n = points.count;
    const std::size_t p = static_cast<std::size_t>(order) + 1;
    // The distinct x, as many as a decision needs (p of them).
    std::vector<double> distinct;
    for (std::size_t i = 0; i < n && distinct.size() < p; ++i) {
        const double x = points.point(i).x;
        if (std::find(distinct.begin(), distinct.end(), x) == distinct.end()) distinct.push_back(x);
    }
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
    Powers powers;
    powers.origin = origin;
    powers.p = p;
    powers.scale = 0.0;
    for (std::size_t i = 0; i < n; ++i) powers.scale = std::max(powers.scale, std::fabs(points.point(i).x - origin));
    const GslErrorsAsValues errors;
    const Vector c(gsl_vector_alloc(p));
    const Matrix cov(gsl_matrix_alloc(p, p));

    // The weighting passes work on the coefficients of the powers of u; their esds, and so the test
    // of settled weights, are the same in either.
    ReweightingProblem problem;
    problem.parameters = p;
    problem.mode = mode;
    std::vector<double> sigY, sigX;
    sigY.reserve(n);
    sigX.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const FitPoint point = points.point(i);
        sigY.push_back(point.sigY);
        sigX.push_back(point.sigX);
    }
    problem.sigY = sigY;
    problem.sigX = sigX;
    const double scale = powers.scale;
    problem.slopes = [&](const std::vector<double>& scaledCoefficients, std::vector<double>& slopes) {
        for (std::size_t i = 0; i < n; ++i) {
            const double u = powers.u(points.point(i).x);
            double dq = 0.0;
            for (std::size_t k = p; k-- > 1;) dq = dq * u + static_cast<double>(k) * scaledCoefficients[k];
            slopes[i] = dq / scale;
        }
    };
    problem.solve = [&](const std::vector<double>& weights, const std::vector<double>*) {
        WeightedSolution solution;
        double chi2 = 0.0;
        if (!weightedLeastSquares(points, powers, weights, c.get(), cov.get(), chi2)) {
            solution.reason = "singular least-squares matrix";
            return solution;
        }
        solution.ok = true;
        solution.parameters.assign(c->data, c->data + p);
        for (std::size_t k = 0; k < p; ++k) solution.parameters[k] = gsl_vector_get(c.get(), k);
        std::vector<double> values(p * p);
        for (std::size_t k = 0; k < p; ++k)
            for (std::size_t l = 0; l < p; ++l) values[k * p + l] = gsl_matrix_get(cov.get(), k, l);
        solution.covariance = Covariance(std::move(values));
        solution.chi2 = chi2;
        return solution;
    };
    const ReweightedSolution solution = solveReweighted(problem);
    if (!solution.ok) {
        fit.status = FitStatus::failure(solution.reason);
        return fit;
    }

    fit.dof = solution.dof;
    fit.chi2 = solution.chi2;
    // Back from the powers of u to those of x - origin.
    fit.coefficients.assign(p, 0.0);
    std::vector<double> covariance(p * p);
    for (std::size_t k = 0; k < p; ++k) {
        fit.coefficients[k] = solution.parameters[k] / std::pow(scale, static_cast<double>(k));
        for (std::size_t l = 0; l < p; ++l)
            covariance[k * p + l] = solution.covariance(k, l) / std::pow(scale, static_cast<double>(k + l));
    }
    fit.covariance = Covariance(std::move(covariance));
    if (!allFinite(fit.coefficients) || !fit.covariance.finite() || !std::isfinite(fit.chi2)) {
        fit.status = FitStatus::failure("no finite solution");
        fit.coefficients.clear();
        fit.covariance = {};
        return fit;
    }
    fit.status = FitStatus::success();
    return fit;
}
