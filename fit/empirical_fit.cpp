#include "fit/empirical_fit.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>

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

ValueAtPoint EmpiricalFit::kAt(std::size_t i) const {
    const double p = points.point(i).x;
    return {static_cast<float>(p), compressibilityAt(p), compressibilityEsdAt(p)};
}

double EmpiricalFit::compressibilityEsdAt(double p) const {
    if (!status.ok || !(p > pc.value)) return std::numeric_limits<double>::quiet_NaN();
    return covariance.esdOf(compressibilityGradient(parametersOf(*this), p));
}

namespace {

// The law fitted to one axis by reweighted passes: the points, the weights of the current pass,
// and the four problems a pass may solve. Pc = pMin - range exp(s) keeps Pc below the lowest
// pressure. For given s and nu the law is linear in eps0 and lambda, so the solver searches s and
// nu only, eps0 and lambda solved for at each step (variable projection); the covariance is then
// taken in all four parameters. The problems refer to this object: it is neither copied nor moved.
class EmpiricalLawPasses {
public:
    EmpiricalLawPasses(const std::vector<FitPoint>& points, double pMin, double range)
        : points_(points), n_(points.size()), pMin_(pMin), range_(range), rootW_(n_, 1.0) {
        buildProjected();
        buildNatural();
        buildOnBound();
    }
    EmpiricalLawPasses(const EmpiricalLawPasses&) = delete;
    EmpiricalLawPasses& operator=(const EmpiricalLawPasses&) = delete;

    ReweightingProblem reweighting(FitWeights mode);

private:
    bool solveLinearPart(const std::vector<double>& q);
    void buildProjected();
    void buildNatural();
    void buildOnBound();
    std::vector<double> startOf(const std::vector<double>* previous);
    WeightedSolution pass(const std::vector<double>& weights, const std::vector<double>* previous);

    const std::vector<FitPoint>& points_;
    const std::size_t n_;
    const double pMin_;
    const double range_;
    // The weights of the current pass, the reweighting loop's own (a long series' copy would be
    // 8 bytes a point more).
    const std::vector<double>* weights_ = nullptr;
    const std::vector<double>& currentWeights() const { return *weights_; }
    std::vector<double> rootW_;
    std::vector<double> sigY_, sigX_;  // the points' esds, as the weighting takes them
    double eps0_ = 0.0, lambda_ = 0.0;
    std::vector<double> powers_;  // ((P - Pc) / range)^nu at each point, from linearPart
    double scaledLambda_ = 0.0;   // lambda range^nu, from linearPart
    // The q that powers_ and scaledLambda_ belong to (with the weights of this pass): the solver
    // asks for the Jacobian where it has just had the residuals, and the powers are most of the work.
    std::optional<std::array<double, 2>> linearAt_;
    std::vector<double> boundPowers_;
    NonlinearProblem projected_;       // s and nu
    NonlinearProblem natural_;         // eps0, lambda, Pc, nu: for the covariance
    NonlinearProblem onBound_;         // nu alone, Pc on its bound
    NonlinearProblem naturalOnBound_;  // eps0, lambda, nu with Pc on its bound: for the covariance
    static constexpr std::size_t kFreeOnBound[] = {0, 1, 3};  // eps0, lambda, nu
};

bool EmpiricalLawPasses::solveLinearPart(const std::vector<double>& q) {
    if (linearAt_ && (*linearAt_)[0] == q[0] && (*linearAt_)[1] == q[1]) return true;
    linearAt_.reset();
    const double pc = pMin_ - range_ * std::exp(q[0]);
    if (!std::isfinite(linearPart(points_, currentWeights(), pc, q[1], range_, eps0_, lambda_, powers_, scaledLambda_))) return false;
    linearAt_ = std::array<double, 2>{q[0], q[1]};
    return true;
}

void EmpiricalLawPasses::buildProjected() {
    projected_.points = n_;
    projected_.parameters = 2;
    projected_.typical = {1.0, 1.0};
    projected_.maxIterations = 100;
    projected_.residuals = [this](const std::vector<double>& q, std::span<double> r) {
        if (!(q[1] >= kSmallestNu && q[1] <= kLargestNu) || !solveLinearPart(q)) return false;
        for (std::size_t i = 0; i < n_; ++i) r[i] = (points_[i].y - eps0_ - scaledLambda_ * powers_[i]) * rootW_[i];
        return true;
    };
    // The Jacobian of the projected residuals in Kaufman's form: each column is the derivative of
    // the nonlinear basis function times its linear coefficient, with its part that eps0 and lambda
    // would absorb projected out. It gives the exact gradient, so the same minimum.
    projected_.jacobian = [this](const std::vector<double>& q, std::span<double> jacobian) {
        if (!solveLinearPart(q)) return;
        const double pc = pMin_ - range_ * std::exp(q[0]);
        // d(x^nu)/dq0 = nu x^(nu - 1) exp(q0) and d(x^nu)/dnu = x^nu ln x, with x = (P - Pc) / range.
        double sw = 0.0, sx = 0.0, sxx = 0.0, sg0 = 0.0, sxg0 = 0.0, sg1 = 0.0, sxg1 = 0.0;
        // The columns are made in the Jacobian's own place, then projected there.
        const std::span<double> g = jacobian;
        for (std::size_t i = 0; i < n_; ++i) {
            const double x = (points_[i].x - pc) / range_;
            const double power = powers_[i];
            g[2 * i] = scaledLambda_ * q[1] * power / x * std::exp(q[0]);
            g[2 * i + 1] = scaledLambda_ * power * std::log(x);
            sw += currentWeights()[i];
            sx += currentWeights()[i] * power;
            sxx += currentWeights()[i] * power * power;
            sg0 += currentWeights()[i] * g[2 * i];
            sxg0 += currentWeights()[i] * power * g[2 * i];
            sg1 += currentWeights()[i] * g[2 * i + 1];
            sxg1 += currentWeights()[i] * power * g[2 * i + 1];
        }
        // The weighted least-squares fit of each column by 1 and x^nu, subtracted.
        const double det = sw * sxx - sx * sx;
        const double b0 = (sw * sxg0 - sx * sg0) / det, a0 = (sg0 - b0 * sx) / sw;
        const double b1 = (sw * sxg1 - sx * sg1) / det, a1 = (sg1 - b1 * sx) / sw;
        for (std::size_t i = 0; i < n_; ++i) {
            // The residuals are (y - model) sqrt(w).
            g[2 * i] = -(g[2 * i] - a0 - b0 * powers_[i]) * rootW_[i];
            g[2 * i + 1] = -(g[2 * i + 1] - a1 - b1 * powers_[i]) * rootW_[i];
        }
    };
}

void EmpiricalLawPasses::buildNatural() {
    natural_.points = n_;
    natural_.parameters = kParameters;
    natural_.residuals = [this](const std::vector<double>& t, std::span<double> r) {
        if (!(t[2] <= pMin_)) return false;
        for (std::size_t i = 0; i < n_; ++i) r[i] = (points_[i].y - strainOf(t, points_[i].x)) * std::sqrt(currentWeights()[i]);
        return true;
    };
    natural_.jacobian = [this](const std::vector<double>& t, std::span<double> jacobian) {
        for (std::size_t i = 0; i < n_; ++i) {
            const std::array<double, 4> g = strainGradient(t, points_[i].x);
            for (std::size_t j = 0; j < kParameters; ++j) jacobian[i * kParameters + j] = -g[j] * std::sqrt(currentWeights()[i]);
        }
    };
    natural_.typical = {1.0, 1.0, range_, 1.0};
}

// On the bound: Pc at the lowest pressure, nu searched alone (eps0 and lambda solved for), and
// the covariance of eps0, lambda and nu.
void EmpiricalLawPasses::buildOnBound() {
    onBound_.points = n_;
    onBound_.parameters = 1;
    onBound_.typical = {1.0};
    onBound_.maxIterations = 100;
    onBound_.residuals = [this](const std::vector<double>& q, std::span<double> r) {
        double e0 = 0.0, l = 0.0, sl = 0.0;
        if (!(q[0] >= kSmallestNu && q[0] <= kLargestNu) ||
            !std::isfinite(linearPart(points_, currentWeights(), pMin_, q[0], range_, e0, l, boundPowers_, sl)))
            return false;
        for (std::size_t i = 0; i < n_; ++i) r[i] = (points_[i].y - e0 - sl * boundPowers_[i]) * rootW_[i];
        return true;
    };
    naturalOnBound_.points = n_;
    naturalOnBound_.parameters = 3;
    naturalOnBound_.typical = {1.0, 1.0, 1.0};
    naturalOnBound_.residuals = [this](const std::vector<double>& t, std::span<double> r) {
        return natural_.residuals({t[0], t[1], pMin_, t[2]}, r);
    };
    naturalOnBound_.jacobian = [this](const std::vector<double>& t, std::span<double> jacobian) {
        const std::vector<double> all = {t[0], t[1], pMin_, t[2]};
        for (std::size_t i = 0; i < n_; ++i) {
            const std::array<double, 4> g = strainGradient(all, points_[i].x);
            for (std::size_t j = 0; j < 3; ++j) jacobian[i * 3 + j] = -g[kFreeOnBound[j]] * std::sqrt(currentWeights()[i]);
        }
    };
}

ReweightingProblem EmpiricalLawPasses::reweighting(FitWeights mode) {
    ReweightingProblem weighting;
    weighting.parameters = kParameters;
    weighting.mode = mode;
    sigY_.reserve(n_);
    sigX_.reserve(n_);
    for (const FitPoint& point : points_) {
        sigY_.push_back(point.sigY);
        sigX_.push_back(point.sigX);
    }
    weighting.sigY = sigY_;
    weighting.sigX = sigX_;
    weighting.slopes = [this](const std::vector<double>& t, std::vector<double>& slopes) {
        for (std::size_t i = 0; i < n_; ++i) slopes[i] = slopeOverEsd(t, points_[i].x, points_[i].sigX);
    };
    weighting.solve = [this](const std::vector<double>& weights, const std::vector<double>* previous) {
        return pass(weights, previous);
    };
    return weighting;
}

// Where a pass starts its search in s and nu.
std::vector<double> EmpiricalLawPasses::startOf(const std::vector<double>* previous) {
    std::vector<double> start(2);
    if (!previous) {
        // The best of a few Pc and nu.
        double best = std::numeric_limits<double>::infinity();
        for (const double nu : {0.2, 0.4, 0.6, 0.8, 1.2})
            for (const double offset : {0.02, 0.1, 0.3, 1.0, 3.0}) {
                const double chi2 = linearPart(points_, currentWeights(), pMin_ - offset * range_, nu, range_, eps0_, lambda_);
                if (chi2 < best) {
                    best = chi2;
                    start = {std::log(offset), nu};
                }
            }
    } else {
        // From the pass before (from just off the bound, where it lay on it).
        start = {std::log(std::max((pMin_ - (*previous)[2]) / range_, 100.0 * kOnBound)), (*previous)[3]};
    }
    return start;
}

// The minimum for one set of weights, with the covariance in the four parameters.
WeightedSolution EmpiricalLawPasses::pass(const std::vector<double>& weights, const std::vector<double>* previous) {
    WeightedSolution pass;
    weights_ = &weights;
    linearAt_.reset();
    for (std::size_t i = 0; i < n_; ++i) rootW_[i] = std::sqrt(currentWeights()[i]);
    const std::vector<double> start = startOf(previous);
    linearAt_.reset();
    NonlinearSolution solution = solveLeastSquares(projected_, start);
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
        solution = solveLeastSquares(onBound_, {solution.parameters[1]});
        if (!solution.ok) {
            pass.reason = solution.reason;
            return pass;
        }
        solution.parameters = {std::log(0.0), solution.parameters[0]};
    }
    const std::vector<double>& q = solution.parameters;
    const double pc = bound ? pMin_ : pMin_ - range_ * std::exp(q[0]);
    linearPart(points_, currentWeights(), pc, q[1], range_, eps0_, lambda_);
    pass.parameters = {eps0_, lambda_, pc, q[1]};
    if (bound) {
        // Pc fixed on its bound: no variance, no covariance with the others.
        const Covariance free = covarianceAt(naturalOnBound_, {eps0_, lambda_, q[1]});
        if (!free.empty()) {
            std::vector<double> all(kParameters * kParameters, 0.0);
            for (std::size_t a = 0; a < 3; ++a)
                for (std::size_t b = 0; b < 3; ++b) all[kFreeOnBound[a] * kParameters + kFreeOnBound[b]] = free(a, b);
            pass.covariance = Covariance(std::move(all));
        }
        pass.fixed = 1;
    } else {
        pass.covariance = covarianceAt(natural_, pass.parameters);
    }
    if (pass.covariance.empty()) {
        pass.reason = "the data do not determine all four parameters (the strain is too close to a straight line or "
                      "a parabola in P); the linear and tensor fits describe this axis";
        return pass;
    }
    std::vector<double> r(n_);
    natural_.residuals(pass.parameters, r);
    for (const double v : r) pass.chi2 += v * v;
    pass.iterations = solution.iterations;
    pass.ok = true;
    return pass;
}

// The fitted law of one axis from its reweighted solution: parameters, and the points its residuals
// and K are remade at; a failure where any of them is not finite.
EmpiricalFit empiricalFitOf(const ReweightedSolution& solution, const FitPoints& source, int axis, double pMin,
                            FitWeights mode) {
    EmpiricalFit fit;
    fit.axis = axis;
    const std::size_t n = source.count;
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
    fit.points = source;
    fit.remakeResiduals = [source, current, weightedAt = solution.weightedAt, mode, chi2 = solution.chi2, dof = solution.dof] {
        ResidualModel r;
        r.points = source;
        r.calculated = [current](double p) { return strainOf(current, p); };
        if (!weightedAt.empty())
            r.lastSlope = [weightedAt](const FitPoint& point) { return slopeOverEsd(weightedAt, point.x, point.sigX); };
        r.mode = mode;
        r.chi2 = chi2;
        r.dof = dof;
        return remadeResiduals(r);
    };
    // K at Pc itself (the lowest point, where Pc lies on its bound) is that of the law there: none
    // for nu < 1, and left out of the test.
    bool finite = fit.covariance.finite();
    for (std::size_t i = 0; finite && i < n; ++i) {
        const ValueAtPoint k = fit.kAt(i);
        finite = !(k.x > current[2]) || (std::isfinite(k.value) && std::isfinite(k.esd));
    }
    if (!finite) {
        fit = EmpiricalFit{};
        fit.axis = axis;
        fit.status = FitStatus::failure("no finite solution");
    }
    return fit;
}

EmpiricalFit failedAxis(int axis, const std::string& reason) {
    EmpiricalFit fit;
    fit.axis = axis;
    fit.status = FitStatus::failure(reason);
    return fit;
}

// The law of one axis fitted to the points, which source gives one at a time for the fit to keep.
EmpiricalFit fitAxis(const std::vector<FitPoint>& points, const FitPoints& source, int axis, FitWeights mode) {
    if (points.size() < kParameters + 1) return failedAxis(axis, "fewer than 5 points");
    const auto [lowest, highest] =
        std::minmax_element(points.begin(), points.end(), [](const FitPoint& a, const FitPoint& b) { return a.x < b.x; });
    const double pMin = lowest->x;
    const double range = highest->x - pMin;
    if (!(range > 0.0)) return failedAxis(axis, "all x equal");
    EmpiricalLawPasses passes(points, pMin, range);
    const ReweightedSolution solution = solveReweighted(passes.reweighting(mode));
    if (!solution.ok) return failedAxis(axis, solution.reason);
    return empiricalFitOf(solution, source, axis, pMin, mode);
}

}  // namespace

EmpiricalFit fitEmpiricalAxis(const std::vector<FitPoint>& points, int axis, FitWeights mode) {
    auto copy = std::make_shared<const std::vector<FitPoint>>(points);
    return fitAxis(points, FitPoints{copy->size(), [copy](std::size_t i) { return (*copy)[i]; }}, axis, mode);
}

std::vector<EmpiricalFit> fitEmpirical(const std::shared_ptr<const SeriesAxes>& axes, FitWeights mode) {
    std::vector<EmpiricalFit> fits;
    for (std::size_t t = 0; t < 3; ++t) {
        const FitPoints source{axes->points.size(), [axes, t](std::size_t i) {
                                   const StrainOnAxes& s = axes->points[i];
                                   return FitPoint{s.x, s.sigX, s.value[t], s.esd[t]};
                               }};
        std::vector<FitPoint> points;
        points.reserve(source.count);
        for (std::size_t i = 0; i < source.count; ++i) points.push_back(source.point(i));
        fits.push_back(fitAxis(points, source, static_cast<int>(t) + 1, mode));
    }
    return fits;
}
