#include "fit/empirical_fit.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>

#include "fit/empirical_law.hpp"
#include "fit/nonlinear_fit.hpp"
#include "fit/reweighting.hpp"

namespace {

constexpr std::size_t kParameters = 4;  // eps0, lambda, Pc, nu
// Below this nu the law is a logarithm of P - Pc, and eps0 and lambda grow without bound.
constexpr double kSmallestNu = 0.01;
// Above this nu, with Pc far below the data, the law is an exponential of P: nu and Pc run off
// together without bound.
constexpr double kLargestNu = 20.0;
// Pc closer to the lowest pressure than this fraction of the range: the minimum lies on the bound
// Pc = the lowest pressure, where the sum of squares only flattens out as Pc approaches it.
constexpr double kOnBound = 1e-6;

std::vector<double> parametersOf(const EmpiricalFit& fit) {
    return {fit.eps0.value, fit.lambda.value, fit.pc.value, fit.nu.value};
}

}  // namespace

double EmpiricalFit::strainAt(double p) const {
    if (!status.ok || !(p >= pc.value)) return std::numeric_limits<double>::quiet_NaN();
    return strainOf(parametersOf(*this), p);
}

double EmpiricalFit::strainEsdAt(double p) const {
    if (!status.ok || !(p >= pc.value)) return std::numeric_limits<double>::quiet_NaN();
    return covariance.esdOf(strainGradient(parametersOf(*this), p));
}

double EmpiricalFit::compressibilityAt(double p) const {
    if (!status.ok || !(p > pc.value)) return std::numeric_limits<double>::quiet_NaN();
    return compressibilityOf(parametersOf(*this), p);
}

double EmpiricalFit::compressibilityEsdAt(double p) const {
    if (!status.ok || !(p > pc.value)) return std::numeric_limits<double>::quiet_NaN();
    return covariance.esdOf(compressibilityGradient(parametersOf(*this), p));
}

EmpiricalFit fitEmpiricalAxis(const std::vector<FitPoint>& points, int axis, FitWeights mode) {
    EmpiricalFit fit;
    fit.axis = axis;
    const std::size_t n = points.size();
    if (n < kParameters + 1) {
        fit.status = FitStatus::failure("fewer than 5 points");
        return fit;
    }
    const auto [lowest, highest] =
        std::minmax_element(points.begin(), points.end(), [](const FitPoint& a, const FitPoint& b) { return a.x < b.x; });
    const double pMin = lowest->x;
    const double range = highest->x - pMin;
    if (!(range > 0.0)) {
        fit.status = FitStatus::failure("all x equal");
        return fit;
    }

    // Pc = pMin - range exp(s) keeps Pc below the lowest pressure. For given s and nu the model is
    // linear in eps0 and lambda, so the solver searches s and nu only, eps0 and lambda solved for
    // at each step (variable projection); the covariance is then taken in all four parameters.
    std::vector<double> w(n, 1.0);
    double eps0 = 0.0, lambda = 0.0;
    NonlinearProblem projected;
    projected.points = n;
    projected.parameters = 2;
    projected.typical = {1.0, 1.0};
    projected.maxIterations = 100;
    std::vector<double> rootW(n, 1.0);
    std::vector<double> powers;  // ((P - Pc) / range)^nu at each point, from linearPart
    double scaledLambda = 0.0;   // lambda range^nu, from linearPart
    // The q that powers and scaledLambda belong to (with the weights of this pass): the solver
    // asks for the Jacobian where it has just had the residuals, and the powers are most of the work.
    std::optional<std::array<double, 2>> linearAt;
    const auto solveLinearPart = [&](const std::vector<double>& q) {
        if (linearAt && (*linearAt)[0] == q[0] && (*linearAt)[1] == q[1]) return true;
        linearAt.reset();
        const double pc = pMin - range * std::exp(q[0]);
        if (!std::isfinite(linearPart(points, w, pc, q[1], range, eps0, lambda, powers, scaledLambda))) return false;
        linearAt = std::array<double, 2>{q[0], q[1]};
        return true;
    };
    std::vector<double> jacobianColumns;
    projected.residuals = [&](const std::vector<double>& q, std::vector<double>& r) {
        if (!(q[1] >= kSmallestNu && q[1] <= kLargestNu) || !solveLinearPart(q)) return false;
        for (std::size_t i = 0; i < n; ++i) r[i] = (points[i].y - eps0 - scaledLambda * powers[i]) * rootW[i];
        return true;
    };
    // The Jacobian of the projected residuals in Kaufman's form: each column is the derivative of
    // the nonlinear basis function times its linear coefficient, with its part that eps0 and lambda
    // would absorb projected out. It gives the exact gradient, so the same minimum.
    projected.jacobian = [&](const std::vector<double>& q, std::vector<double>& jacobian) {
        if (!solveLinearPart(q)) return;
        const double pc = pMin - range * std::exp(q[0]);
        // d(x^nu)/dq0 = nu x^(nu - 1) exp(q0) and d(x^nu)/dnu = x^nu ln x, with x = (P - Pc) / range.
        double sw = 0.0, sx = 0.0, sxx = 0.0, sg0 = 0.0, sxg0 = 0.0, sg1 = 0.0, sxg1 = 0.0;
        std::vector<double>& g = jacobianColumns;
        g.resize(2 * n);
        for (std::size_t i = 0; i < n; ++i) {
            const double x = (points[i].x - pc) / range;
            const double power = powers[i];
            g[2 * i] = scaledLambda * q[1] * power / x * std::exp(q[0]);
            g[2 * i + 1] = scaledLambda * power * std::log(x);
            sw += w[i];
            sx += w[i] * power;
            sxx += w[i] * power * power;
            sg0 += w[i] * g[2 * i];
            sxg0 += w[i] * power * g[2 * i];
            sg1 += w[i] * g[2 * i + 1];
            sxg1 += w[i] * power * g[2 * i + 1];
        }
        // The weighted least-squares fit of each column by 1 and x^nu, subtracted.
        const double det = sw * sxx - sx * sx;
        const double b0 = (sw * sxg0 - sx * sg0) / det, a0 = (sg0 - b0 * sx) / sw;
        const double b1 = (sw * sxg1 - sx * sg1) / det, a1 = (sg1 - b1 * sx) / sw;
        for (std::size_t i = 0; i < n; ++i) {
            // The residuals are (y - model) sqrt(w).
            jacobian[2 * i] = -(g[2 * i] - a0 - b0 * powers[i]) * rootW[i];
            jacobian[2 * i + 1] = -(g[2 * i + 1] - a1 - b1 * powers[i]) * rootW[i];
        }
    };
    NonlinearProblem natural;
    natural.points = n;
    natural.parameters = kParameters;
    natural.residuals = [&](const std::vector<double>& t, std::vector<double>& r) {
        if (!(t[2] <= pMin)) return false;
        for (std::size_t i = 0; i < n; ++i) r[i] = (points[i].y - strainOf(t, points[i].x)) * std::sqrt(w[i]);
        return true;
    };
    natural.jacobian = [&](const std::vector<double>& t, std::vector<double>& jacobian) {
        for (std::size_t i = 0; i < n; ++i) {
            const std::array<double, 4> g = strainGradient(t, points[i].x);
            for (std::size_t j = 0; j < kParameters; ++j) jacobian[i * kParameters + j] = -g[j] * std::sqrt(w[i]);
        }
    };

    natural.typical = {1.0, 1.0, range, 1.0};
    // On the bound: Pc at the lowest pressure, nu searched alone (eps0 and lambda solved for), and
    // the covariance of eps0, lambda and nu.
    NonlinearProblem onBound;
    onBound.points = n;
    onBound.parameters = 1;
    onBound.typical = {1.0};
    onBound.maxIterations = 100;
    std::vector<double> boundPowers;
    onBound.residuals = [&](const std::vector<double>& q, std::vector<double>& r) {
        double e0 = 0.0, l = 0.0, sl = 0.0;
        if (!(q[0] >= kSmallestNu && q[0] <= kLargestNu) ||
            !std::isfinite(linearPart(points, w, pMin, q[0], range, e0, l, boundPowers, sl)))
            return false;
        for (std::size_t i = 0; i < n; ++i) r[i] = (points[i].y - e0 - sl * boundPowers[i]) * rootW[i];
        return true;
    };
    NonlinearProblem naturalOnBound;
    naturalOnBound.points = n;
    naturalOnBound.parameters = 3;
    naturalOnBound.typical = {1.0, 1.0, 1.0};
    constexpr std::size_t kFree[] = {0, 1, 3};  // eps0, lambda, nu
    naturalOnBound.residuals = [&](const std::vector<double>& t, std::vector<double>& r) {
        return natural.residuals({t[0], t[1], pMin, t[2]}, r);
    };
    naturalOnBound.jacobian = [&](const std::vector<double>& t, std::vector<double>& jacobian) {
        const std::vector<double> all = {t[0], t[1], pMin, t[2]};
        for (std::size_t i = 0; i < n; ++i) {
            const std::array<double, 4> g = strainGradient(all, points[i].x);
            for (std::size_t j = 0; j < 3; ++j) jacobian[i * 3 + j] = -g[kFree[j]] * std::sqrt(w[i]);
        }
    };

    ReweightingProblem weighting;
    weighting.parameters = kParameters;
    weighting.mode = mode;
    for (const FitPoint& point : points) {
        weighting.sigY.push_back(point.sigY);
        weighting.sigX.push_back(point.sigX);
    }
    weighting.slopes = [&](const std::vector<double>& t, std::vector<double>& slopes) {
        for (std::size_t i = 0; i < n; ++i) slopes[i] = slopeOverEsd(t, points[i].x, points[i].sigX);
    };
    weighting.solve = [&](const std::vector<double>& weights, const std::vector<double>* previous) {
        WeightedSolution pass;
        w = weights;
        linearAt.reset();
        for (std::size_t i = 0; i < n; ++i) rootW[i] = std::sqrt(w[i]);
        std::vector<double> start(2);
        if (!previous) {
            // The best of a few Pc and nu.
            double best = std::numeric_limits<double>::infinity();
            for (const double nu : {0.2, 0.4, 0.6, 0.8, 1.2})
                for (const double offset : {0.02, 0.1, 0.3, 1.0, 3.0}) {
                    const double chi2 = linearPart(points, w, pMin - offset * range, nu, range, eps0, lambda);
                    if (chi2 < best) {
                        best = chi2;
                        start = {std::log(offset), nu};
                    }
                }
        } else {
            // From the pass before (from just off the bound, where it lay on it).
            start = {std::log(std::max((pMin - (*previous)[2]) / range, 100.0 * kOnBound)), (*previous)[3]};
        }
        linearAt.reset();
        NonlinearSolution solution = solveLeastSquares(projected, start);
        // A solution against a bound of nu is no minimum of the law, only the closest it comes.
        const bool logarithmic = !solution.parameters.empty() && solution.parameters[1] < 1.05 * kSmallestNu;
        const bool exponential = !solution.parameters.empty() && solution.parameters[1] > kLargestNu / 1.05;
        if (!solution.ok || logarithmic || exponential) {
            pass.reason = logarithmic   ? "no convergence: nu tends to 0 (the strain follows a logarithm of P)"
                          : exponential ? "no convergence: nu grows without bound as Pc runs far below the data (the strain "
                                          "follows an exponential of P, not a power of P - Pc)"
                                        : solution.reason;
            return pass;
        }
        const bool bound = solution.parameters[0] < std::log(kOnBound);
        if (bound) {
            solution = solveLeastSquares(onBound, {solution.parameters[1]});
            if (!solution.ok) {
                pass.reason = solution.reason;
                return pass;
            }
            solution.parameters = {std::log(0.0), solution.parameters[0]};
        }
        const std::vector<double>& q = solution.parameters;
        const double pc = bound ? pMin : pMin - range * std::exp(q[0]);
        linearPart(points, w, pc, q[1], range, eps0, lambda);
        pass.parameters = {eps0, lambda, pc, q[1]};
        if (bound) {
            // Pc fixed on its bound: no variance, no covariance with the others.
            const Covariance free = covarianceAt(naturalOnBound, {eps0, lambda, q[1]});
            if (!free.empty()) {
                std::vector<double> all(kParameters * kParameters, 0.0);
                for (std::size_t a = 0; a < 3; ++a)
                    for (std::size_t b = 0; b < 3; ++b) all[kFree[a] * kParameters + kFree[b]] = free(a, b);
                pass.covariance = Covariance(std::move(all));
            }
            pass.fixed = 1;
        } else {
            pass.covariance = covarianceAt(natural, pass.parameters);
        }
        if (pass.covariance.empty()) {
            pass.reason = "the data do not determine all four parameters (the strain is too close to a straight line or "
                          "a parabola in P); the linear and tensor fits describe this axis";
            return pass;
        }
        std::vector<double> r(n);
        natural.residuals(pass.parameters, r);
        for (const double v : r) pass.chi2 += v * v;
        pass.iterations = solution.iterations;
        pass.ok = true;
        return pass;
    };
    const ReweightedSolution solution = solveReweighted(weighting);
    if (!solution.ok) {
        fit.status = FitStatus::failure(solution.reason);
        return fit;
    }
    const std::vector<double>& current = solution.parameters;
    fit.chi2 = solution.chi2;
    fit.dof = solution.dof;
    fit.covariance = solution.covariance;
    fit.eps0 = {current[0], fit.covariance.esd(0)};
    fit.lambda = {current[1], fit.covariance.esd(1)};
    // Pc on its bound is fixed there, without an esd.
    fit.pc = current[2] < pMin ? FittedValue{current[2], fit.covariance.esd(2)} : FittedValue{current[2], std::nullopt};
    fit.nu = {current[3], fit.covariance.esd(3)};
    fit.status = FitStatus::success();
    std::vector<double> x(n), observed(n), calculated(n);
    for (std::size_t i = 0; i < n; ++i) {
        x[i] = points[i].x;
        observed[i] = points[i].y;
        calculated[i] = strainOf(current, points[i].x);
    }
    fit.residuals = residualsOf(solution, x, observed, calculated);
    for (const FitPoint& point : points)
        fit.k.push_back({static_cast<float>(point.x), fit.compressibilityAt(point.x), fit.compressibilityEsdAt(point.x)});
    // K at Pc itself (the lowest point, where Pc lies on its bound) is that of the law there: none
    // for nu < 1, and left out of the test.
    const bool finite = fit.covariance.finite() && std::all_of(fit.k.begin(), fit.k.end(), [&](const ValueAtPoint& k) {
                            return !(k.x > current[2]) || (std::isfinite(k.value) && std::isfinite(k.esd));
                        });
    if (!finite) {
        fit = EmpiricalFit{};
        fit.axis = axis;
        fit.status = FitStatus::failure("no finite solution");
    }
    return fit;
}

std::vector<EmpiricalFit> fitEmpirical(const SeriesAxes& axes, FitWeights mode) {
    std::vector<EmpiricalFit> fits;
    for (std::size_t t = 0; t < 3; ++t) {
        std::vector<FitPoint> points;
        for (const StrainOnAxes& s : axes.points) points.push_back({s.x, s.sigX, s.value[t], s.esd[t]});
        fits.push_back(fitEmpiricalAxis(points, static_cast<int>(t) + 1, mode));
    }
    return fits;
}
