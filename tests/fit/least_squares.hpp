#pragma once
// Weighted least squares of y = model(t, x), worked out in the tests from the model alone, at
// parameters t with weights w, moving the parameters listed in `free` (the others held): the
// weighted sum of squares S; the cosine between each column of the Jacobian and the residuals,
// 0 at a minimum (a parameter k esds off it leaves a cosine of about k / sqrt(n - p)); the
// Gauss-Newton step (J^T W J)^-1 J^T W r; and the esds sqrt(diag((J^T W J)^-1) S / (n - p)).
// Derivatives by central differences, the inverse by Gauss-Jordan elimination.
#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>
#include <vector>

namespace testing_support {

using Model = std::function<double(const std::vector<double>& t, double x)>;

struct LeastSquaresAt {
    double sumOfSquares = 0.0;
    std::vector<double> cosines, step, esds;  // for each free parameter
};

inline LeastSquaresAt leastSquaresAt(const Model& model, const std::vector<double>& x, const std::vector<double>& y,
                                     const std::vector<double>& w, const std::vector<double>& t,
                                     std::vector<std::size_t> free = {}) {
    if (free.empty()) {
        free.resize(t.size());
        std::iota(free.begin(), free.end(), std::size_t{0});
    }
    const std::size_t n = x.size(), p = free.size();
    LeastSquaresAt o;
    std::vector<double> r(n);
    for (std::size_t i = 0; i < n; ++i) {
        r[i] = y[i] - model(t, x[i]);
        o.sumOfSquares += w[i] * r[i] * r[i];
    }
    std::vector<std::vector<double>> J(p, std::vector<double>(n));
    for (std::size_t k = 0; k < p; ++k) {
        const std::size_t j = free[k];
        const double h = 1e-6 * std::max(std::fabs(t[j]), 1e-3);
        std::vector<double> up = t, down = t;
        up[j] += h;
        down[j] -= h;
        for (std::size_t i = 0; i < n; ++i) J[k][i] = (model(up, x[i]) - model(down, x[i])) / (2.0 * h);
    }
    // [J^T W J | I | J^T W r], reduced to [I | (J^T W J)^-1 | step].
    std::vector<std::vector<double>> a(p, std::vector<double>(2 * p + 1, 0.0));
    for (std::size_t k = 0; k < p; ++k) {
        double norm = 0.0;
        for (std::size_t l = 0; l < p; ++l)
            for (std::size_t i = 0; i < n; ++i) a[k][l] += w[i] * J[k][i] * J[l][i];
        a[k][p + k] = 1.0;
        for (std::size_t i = 0; i < n; ++i) {
            a[k][2 * p] += w[i] * J[k][i] * r[i];
            norm += w[i] * J[k][i] * J[k][i];
        }
        o.cosines.push_back(a[k][2 * p] / std::sqrt(norm * o.sumOfSquares));
    }
    for (std::size_t c = 0; c < p; ++c) {
        std::size_t pivot = c;
        for (std::size_t row = c + 1; row < p; ++row)
            if (std::fabs(a[row][c]) > std::fabs(a[pivot][c])) pivot = row;
        std::swap(a[c], a[pivot]);
        const double d = a[c][c];
        for (double& v : a[c]) v /= d;
        for (std::size_t row = 0; row < p; ++row) {
            if (row == c) continue;
            const double f = a[row][c];
            for (std::size_t k = 0; k < 2 * p + 1; ++k) a[row][k] -= f * a[c][k];
        }
    }
    for (std::size_t k = 0; k < p; ++k) {
        o.step.push_back(a[k][2 * p]);
        o.esds.push_back(std::sqrt(a[k][p + k] * o.sumOfSquares / static_cast<double>(n - p)));
    }
    return o;
}

}  // namespace testing_support
