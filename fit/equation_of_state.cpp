#include "fit/equation_of_state.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "fit/cell_volume.hpp"
#include "fit/eos_models.hpp"
#include "fit/nonlinear_fit.hpp"
#include "fit/reweighting.hpp"

namespace {

double cube(double x) { return x * x * x; }

// The free parameters of a fit, in order.
std::vector<double> freeValues(const EosFit& fit) {
    std::vector<double> v = {fit.v0.value, fit.k0.value, fit.kp.value, fit.kpp.value};
    v.resize(static_cast<std::size_t>(freeParameterCount(fit.model)));
    return v;
}

// The volume parameters from free parameters, for the volume or an edge.
EosParameters volumeParameters(EosModel model, bool edge, const std::vector<double>& free) {
    if (!edge) return eosParameters(model, free);
    // An edge's parameters are x0, M0, M', M''; the fixed M' of a second-order model is 3 K'.
    EosParameters x;
    x.v0 = free.at(0);
    x.k0 = free.at(1);
    x.kp = free.size() > 2 ? free[2] : 3.0 * fixedKp(model);
    x.kpp = free.size() > 3 ? free[3] : 0.0;
    return volumeParametersOfEdge(x);
}

double pressureOf(EosModel model, bool edge, const std::vector<double>& free, double v) {
    return eosPressure(model, edge ? cube(v) : v, volumeParameters(model, edge, free));
}

// -v dP/dv: K for a volume, M = 3 K for an edge.
double modulusOf(EosModel model, bool edge, const std::vector<double>& free, double v) {
    const EosState s = eosState(model, edge ? cube(v) : v, volumeParameters(model, edge, free));
    return edge ? 3.0 * s.k : s.k;
}

bool inDomain(const std::vector<double>& free) { return free[0] > 0.0 && free[1] > 0.0; }

// Whether the model has P and its gradient in closed form.
bool closedFormOf(EosModel model, bool edge, const std::vector<double>& free) {
    return eosPressureGradient(model, 1.0, volumeParameters(model, edge, free)).has_value();
}

// -dP/dv at v for some parameters, as the weights take it. In closed form P depends on v through
// v0 / v only, so -dP/dv = (dP/dv0) v0 / v (the models with a closed-form gradient take (V0/V)^(1/3)
// as cbrt(V0) / cbrt(V), for an edge x0 / x); otherwise a central difference: the weights need no
// more.
class EosSlope {
public:
    EosSlope(EosModel model, bool edge, bool closedForm, const std::vector<double>& free)
        : model_(model), edge_(edge), closedForm_(closedForm), free_(free), e_(volumeParameters(model, edge, free)),
          c0_(edge ? free[0] : std::cbrt(free[0])) {}
    double at(double v) const {
        if (closedForm_) {
            const double root = edge_ ? v : std::cbrt(v);
            const double dv0 = eosPressureGradient(model_, c0_ / root, e_)->dv0 * (edge_ ? 3.0 * free_[0] * free_[0] : 1.0);
            return dv0 * free_[0] / v;
        }
        const double h = 1e-6 * v;
        return (pressureOf(model_, edge_, free_, v - h) - pressureOf(model_, edge_, free_, v + h)) / (2.0 * h);
    }

private:
    EosModel model_;
    bool edge_;
    bool closedForm_;
    std::vector<double> free_;
    EosParameters e_;
    double c0_;
};

// Starting values: K from the slope of P against ln V, brought back to P = 0 with K' = 4, and V0
// from the lowest-pressure point. Nothing when the volume does not fall as P rises.
std::optional<std::vector<double>> startOf(EosModel model, const EosData& d) {
    const bool edge = d.quantity != EosQuantity::volume;
    const std::size_t n = d.v.size();
    const std::size_t low = static_cast<std::size_t>(std::min_element(d.p.begin(), d.p.end()) - d.p.begin());
    const double vLow = edge ? cube(d.v[low]) : d.v[low];
    double su = 0.0, sp = 0.0, suu = 0.0, sup = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double u = std::log(vLow / (edge ? cube(d.v[i]) : d.v[i]));
        su += u;
        sp += d.p[i];
        suu += u * u;
        sup += u * d.p[i];
    }
    const double nn = static_cast<double>(n);
    const double slope = (nn * sup - su * sp) / (nn * suu - su * su);
    if (!(slope > 0.0) || !std::isfinite(slope)) return std::nullopt;
    const double k0 = std::max(slope - 4.0 * (sp / nn), 0.3 * slope);
    const double v0 = vLow * std::exp(d.p[low] / k0);
    const double kp = freeParameterCount(model) > 2 ? 4.0 : fixedKp(model);
    std::vector<double> start = {v0, k0, kp, -(35.0 / 9.0) / k0};  // K'' of BM3 at K' = 4
    if (edge) start = {std::cbrt(v0), 3.0 * k0, 3.0 * kp, 3.0 * start[3]};
    start.resize(static_cast<std::size_t>(freeParameterCount(model)));
    return start;
}

// K' beyond twice the usual 4 (M' beyond 3 times that for an edge), with K0 fallen below a tenth
// of its start, is a solver following K' and V0 off without bound, not a minimum it has yet to
// reach.
constexpr double kRunawayKp = 8.0;

// Why a fit that did not converge did not, where the parameters it stopped at tell: the data lie
// so far above P = 0 that V0 and K0 there are not determined, and the curvature asks for K' without
// bound.
std::string nonConvergence(EosModel model, bool edge, const std::string& reason, const std::vector<double>& stopped,
                           const std::vector<double>& start) {
    if (stopped.size() < 3 || freeParameterCount(model) < 3) return reason;
    const EosParameters at = volumeParameters(model, edge, stopped);
    if (!(at.kp > kRunawayKp && stopped[1] < 0.1 * start[1])) return reason;
    const std::string k = edge ? "M" : "K";
    return "no convergence: " + k + "' grows without bound as " + k + "0 falls towards 0 (the data lie too far above P = 0 "
           "to fix " + (edge ? "x0" : "V0") + " and " + k + "0 there); a second-order model, with " + k + "' fixed, can be fitted";
}

}  // namespace

double EosFit::pressureAt(double v) const {
    if (!status.ok) return std::numeric_limits<double>::quiet_NaN();
    return pressureOf(model, isEdge(), freeValues(*this), v);
}

double EosFit::modulusAt(double v) const {
    if (!status.ok) return std::numeric_limits<double>::quiet_NaN();
    return modulusOf(model, isEdge(), freeValues(*this), v);
}

double EosFit::pressureEsdAt(double v) const {
    if (!status.ok) return std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> free = freeValues(*this);
    const std::size_t p = free.size();
    // The gradient in the parameters the covariance is of: a held one (--fix) is not among them.
    const std::vector<std::string> names = eosParameterNames(model, isEdge());
    std::vector<double> g;
    for (std::size_t j = 0; j < p; ++j) {
        if (std::find(parameters.begin(), parameters.end(), names[j]) == parameters.end()) continue;
        const double h = 1e-7 * std::max(std::fabs(free[j]), 1e-6);
        std::vector<double> up = free, down = free;
        up[j] += h;
        down[j] -= h;
        g.push_back((pressureOf(model, isEdge(), up, v) - pressureOf(model, isEdge(), down, v)) / (2.0 * h));
    }
    return covariance.esdOf(g);
}

std::optional<ValueAt> EosFit::volumeAt(double p) const {
    if (!status.ok) return std::nullopt;
    // P falls as V rises: bracket the root from V0 outwards, then bisect.
    double lo = v0.value, hi = v0.value;
    for (int k = 0; k < 60 && !(pressureAt(lo) >= p); ++k) lo *= 0.9;
    for (int k = 0; k < 60 && !(pressureAt(hi) <= p); ++k) hi *= 1.1;
    if (!(pressureAt(lo) >= p) || !(pressureAt(hi) <= p)) return std::nullopt;
    for (int k = 0; k < 200 && hi - lo > 1e-15 * hi; ++k) {
        const double mid = 0.5 * (lo + hi);
        (pressureAt(mid) >= p ? lo : hi) = mid;
    }
    const double v = 0.5 * (lo + hi);
    // sigma(V) = sigma(P at V) / |dP/dV|, with dP/dV = -modulus / V.
    const double slope = modulusAt(v) / v;
    return ValueAt{p, v, pressureEsdAt(v) / std::fabs(slope)};
}

namespace {

// One model fitted to one quantity by reweighted passes: the data as the model takes them, the
// weights of the current pass and the problem each pass solves, in P. The problem refers to this
// object: it is neither copied nor moved.
class EosPasses {
public:
    EosPasses(EosModel model, const EosData& d, const std::vector<double>& start);
    EosPasses(const EosPasses&) = delete;
    EosPasses& operator=(const EosPasses&) = delete;

    // A seeded first pass starts from another model's minimum of the same data.
    ReweightingProblem reweighting(FitWeights mode, const std::vector<double>& start, bool seeded);
    const NonlinearProblem& problem() const { return problem_; }

private:
    double rootOfV0(const std::vector<double>& x) const { return edge_ ? x[0] : std::cbrt(x[0]); }
    bool residuals(const std::vector<double>& x, std::span<double> r) const;
    void jacobian(const std::vector<double>& x, std::span<double> jacobian) const;
    void slopes(const std::vector<double>& x, std::vector<double>& slopes) const;

    const EosModel model_;
    const EosData& d_;
    const bool edge_;
    const std::size_t n_;
    const std::size_t p_;
    std::vector<double> rootWeights_;  // of the current weighting pass
    std::vector<double> volumes_;      // V, or x^3 for an edge, where there is no closed form
    // The models with a closed-form gradient take (V0/V)^(1/3) as cbrt(V0) / cbrt(V): for an edge
    // x0 / x.
    std::vector<double> roots_;  // cube roots of the volumes
    bool closedForm_ = false;
    NonlinearProblem problem_;
};

EosPasses::EosPasses(EosModel model, const EosData& d, const std::vector<double>& start)
    : model_(model), d_(d), edge_(d.quantity != EosQuantity::volume), n_(d.v.size()), p_(start.size()),
      rootWeights_(n_, 1.0) {
    closedForm_ = closedFormOf(model, edge_, start);
    // Only what the residuals take: a long series would otherwise hold both.
    if (closedForm_) {
        roots_.resize(n_);
        for (std::size_t i = 0; i < n_; ++i) roots_[i] = edge_ ? d.v[i] : std::cbrt(d.v[i]);
    } else {
        volumes_.resize(n_);
        for (std::size_t i = 0; i < n_; ++i) volumes_[i] = edge_ ? cube(d.v[i]) : d.v[i];
    }
    problem_.points = n_;
    problem_.parameters = p_;
    problem_.typical = start;
    problem_.residuals = [this](const std::vector<double>& x, std::span<double> r) { return residuals(x, r); };
    // In closed form the solver needs no finite differences.
    if (closedForm_)
        problem_.jacobian = [this](const std::vector<double>& x, std::span<double> j) { jacobian(x, j); };
}

bool EosPasses::residuals(const std::vector<double>& x, std::span<double> r) const {
    if (!inDomain(x)) return false;
    const EosParameters e = volumeParameters(model_, edge_, x);
    if (closedForm_) {
        const double c0 = rootOfV0(x);
        for (std::size_t i = 0; i < n_; ++i)
            r[i] = (d_.p[i] - eosPressureGradient(model_, c0 / roots_[i], e)->p) * rootWeights_[i];
    } else {
        for (std::size_t i = 0; i < n_; ++i) r[i] = (d_.p[i] - eosPressure(model_, volumes_[i], e)) * rootWeights_[i];
    }
    return true;
}

// For an edge, V0 = x0^3, K0 = M0 / 3 and K' = M' / 3.
void EosPasses::jacobian(const std::vector<double>& x, std::span<double> jacobian) const {
    const EosParameters e = volumeParameters(model_, edge_, x);
    const double dv0 = edge_ ? 3.0 * x[0] * x[0] : 1.0;
    const double dk = edge_ ? 1.0 / 3.0 : 1.0;
    const double c0 = rootOfV0(x);
    for (std::size_t i = 0; i < n_; ++i) {
        const std::optional<EosPressureGradient> g = eosPressureGradient(model_, c0 / roots_[i], e);
        if (!g) return;
        // The residuals are (P_obs - P_calc) sqrt(w).
        double* row = &jacobian[i * p_];
        row[0] = -g->dv0 * dv0 * rootWeights_[i];
        row[1] = -g->dk0 * dk * rootWeights_[i];
        if (p_ > 2) row[2] = -g->dkp * dk * rootWeights_[i];
    }
}

void EosPasses::slopes(const std::vector<double>& x, std::vector<double>& slopes) const {
    const EosSlope slope(model_, edge_, closedForm_, x);
    for (std::size_t i = 0; i < n_; ++i) slopes[i] = slope.at(d_.v[i]);
}

// The residuals are in P: the esd of V (or the edge) enters through |dP/dV|.
ReweightingProblem EosPasses::reweighting(FitWeights mode, const std::vector<double>& start, bool seeded) {
    ReweightingProblem weighting;
    weighting.parameters = p_;
    weighting.mode = mode;
    weighting.sigY = d_.sigP;
    weighting.sigX = d_.sigV;
    weighting.slopes = [this](const std::vector<double>& x, std::vector<double>& s) { slopes(x, s); };
    weighting.solve = [this, start, seeded](const std::vector<double>& weights, const std::vector<double>* previous) {
        for (std::size_t i = 0; i < n_; ++i) rootWeights_[i] = std::sqrt(weights[i]);
        // Later passes start from the last, whose weights differ only a little, and a seeded first
        // pass from another model's minimum of the same data: both close to this one.
        const NonlinearSolution s = previous ? refineLeastSquares(problem_, *previous)
                                    : seeded ? refineLeastSquares(problem_, start)
                                             : solveLeastSquares(problem_, start);
        return WeightedSolution{s.ok, s.reason, s.parameters, s.covariance, s.chi2, s.iterations};
    };
    return weighting;
}

// Why a model cannot be fitted to these data before any pass, if it cannot.
std::optional<std::string> unfittable(const EosData& d, std::size_t parameters) {
    if (d.v.size() < parameters + 1) return "fewer than " + std::to_string(parameters + 1) + " points";
    if (std::all_of(d.p.begin(), d.p.end(), [&](double x) { return x == d.p.front(); })) return "all x equal";
    return std::nullopt;
}

// The residuals in P at the fit's points, remade when asked for: P calculated at each V (or edge)
// from the parameters, the weights of the last pass from the slopes it took.
std::function<ResidualList()> residualsMaker(const EosFit& fit, const ReweightedSolution& solution, const FitPoints& points,
                                             FitWeights mode) {
    const EosModel model = fit.model;
    const bool edge = fit.isEdge();
    const std::vector<double> current = solution.parameters;
    const std::vector<double> weightedAt = solution.weightedAt;
    const double chi2 = solution.chi2;
    const int dof = solution.dof;
    return [=] {
        ResidualModel r;
        r.points = points;
        r.calculated = [model, edge, current](double v) { return pressureOf(model, edge, current, v); };
        if (!weightedAt.empty()) {
            auto slope = std::make_shared<const EosSlope>(model, edge, closedFormOf(model, edge, weightedAt), weightedAt);
            r.lastSlope = [slope](const FitPoint& point) { return slope->at(point.x); };
        }
        r.mode = mode;
        r.chi2 = chi2;
        r.dof = dof;
        return remadeResiduals(r);
    };
}

// The fitted parameters, with the covariance at the minimum from the exact Jacobian and the
// weights of the last pass, and how to remake the residuals; a failure where any of them is not
// finite.
void takeSolution(EosFit& fit, const ReweightedSolution& solution, const NonlinearProblem& problem, const EosData& d,
                  const FitPoints& points, FitWeights mode) {
    const bool edge = fit.isEdge();
    const std::size_t n = d.v.size();
    const std::size_t p = fit.parameters.size();
    const std::vector<double>& current = solution.parameters;
    fit.dof = solution.dof;
    fit.chi2 = solution.chi2;
    const Covariance unscaled = covarianceAt(problem, current);
    if (unscaled.empty()) {
        fit.status = FitStatus::failure("singular covariance: the data do not determine every parameter");
        return;
    }
    fit.covariance = unscaled.scaledByFit(fit.chi2, fit.dof);
    fit.v0 = {current[0], fit.covariance.esd(0)};
    fit.k0 = {current[1], fit.covariance.esd(1)};
    const EosParameters volume = volumeParameters(fit.model, edge, current);
    const double scale = edge ? 3.0 : 1.0;  // moduli of an edge are 3 times those of the volume
    fit.kp = p > 2 ? FittedValue{current[2], fit.covariance.esd(2)} : FittedValue{scale * volume.kp, std::nullopt};
    if (p > 3) {
        fit.kpp = {current[3], fit.covariance.esd(3)};
    } else {
        // K'' as the model implies it, at V0.
        fit.kpp = {scale * eosState(fit.model, volume.v0, volume).kpp, std::nullopt};
    }
    for (std::size_t i = 0; i < n; ++i)
        fit.maxResidual = std::max(fit.maxResidual, std::fabs(d.p[i] - pressureOf(fit.model, edge, current, d.v[i])));

    const bool finite = fit.covariance.finite() && std::isfinite(fit.kpp.value) && std::isfinite(fit.maxResidual) &&
                        std::isfinite(fit.chi2);
    if (!finite) {
        fit.status = FitStatus::failure("no finite solution");
        fit.v0 = fit.k0 = fit.kp = fit.kpp = {};
        fit.covariance = {};
        return;
    }
    fit.remakeResiduals = residualsMaker(fit, solution, points, mode);
    fit.status = FitStatus::success();
}

}  // namespace

EosFit fitEquationOfState(EosModel model, const EosData& d, FitWeights mode, const EosFit* seed) {
    return fitEquationOfState(model, d, sharedPointsOf(d), mode, seed);
}

EosFit fitEquationOfState(EosModel model, const EosData& d, const FitPoints& points, FitWeights mode, const EosFit* seed) {
    EosFit fit;
    fit.model = model;
    fit.quantity = d.quantity;
    const bool edge = d.quantity != EosQuantity::volume;
    fit.parameters = eosParameterNames(model, edge);
    if (const std::optional<std::string> reason = unfittable(d, fit.parameters.size())) {
        fit.status = FitStatus::failure(*reason);
        return fit;
    }
    std::optional<std::vector<double>> start = startOf(model, d);
    const bool seeded = start && seed && seed->status.ok && seed->quantity == d.quantity;
    if (seeded) {
        (*start)[0] = seed->v0.value;
        (*start)[1] = seed->k0.value;
    }
    if (!start) {
        fit.status = FitStatus::failure(edge ? "the edge does not shorten as the pressure rises"
                                             : "the volume does not fall as the pressure rises");
        return fit;
    }
    EosPasses passes(model, d, *start);
    const ReweightedSolution solution = solveReweighted(passes.reweighting(mode, *start, seeded));
    fit.iterations = solution.iterations;
    if (!solution.ok) {
        fit.status = FitStatus::failure(nonConvergence(model, edge, solution.reason, solution.parameters, *start));
        return fit;
    }
    takeSolution(fit, solution, passes.problem(), d, points, mode);
    return fit;
}

FitPoint eosPointOf(const Series& series, EosQuantity quantity, std::size_t i, double pc) {
    const DataPoint& point = series.points[i];
    const double p = point.p;
    const int edge = quantity == EosQuantity::a ? 0 : quantity == EosQuantity::b ? 1 : quantity == EosQuantity::c ? 2 : -1;
    if (edge >= 0) return {point.cell[edge], point.cell.esd[edge], p - pc, point.sigP};
    const VolumeWithEsd volume = volumeOf(point, series);
    return {volume.volume, volume.esd, p - pc, point.sigP};
}

FitPoints eosPointsOf(std::shared_ptr<const Series> series, EosQuantity quantity, double pc) {
    const std::size_t n = series->points.size();
    return {n, [series = std::move(series), quantity, pc](std::size_t i) { return eosPointOf(*series, quantity, i, pc); }};
}

EosData eosDataOf(const FitPoints& points, EosQuantity quantity) {
    EosData d;
    d.quantity = quantity;
    for (std::vector<double>* column : {&d.v, &d.sigV, &d.p, &d.sigP}) column->reserve(points.count);
    for (std::size_t i = 0; i < points.count; ++i) {
        const FitPoint point = points.point(i);
        d.v.push_back(point.x);
        d.sigV.push_back(point.sigX);
        d.p.push_back(point.y);
        d.sigP.push_back(point.sigY);
    }
    return d;
}

EosData eosDataOf(const Series& series, EosQuantity quantity) {
    EosData d;
    d.quantity = quantity;
    for (std::size_t i = 0; i < series.points.size(); ++i) {
        const FitPoint point = eosPointOf(series, quantity, i, 0.0);
        d.v.push_back(point.x);
        d.sigV.push_back(point.sigX);
        d.p.push_back(point.y);
        d.sigP.push_back(point.sigY);
    }
    return d;
}

FitPoints sharedPointsOf(const EosData& data) {
    auto copy = std::make_shared<const EosData>(data);
    return {copy->v.size(), [copy](std::size_t i) { return FitPoint{copy->v[i], copy->sigV[i], copy->p[i], copy->sigP[i]}; }};
}

std::vector<EosQuantity> eosQuantitiesOf(CrystalSystem system) {
    std::vector<EosQuantity> quantities = {EosQuantity::volume};
    switch (system) {
        case CrystalSystem::cubic: quantities.push_back(EosQuantity::a); break;
        case CrystalSystem::tetragonal:
        case CrystalSystem::trigonal:
        case CrystalSystem::hexagonal: quantities.insert(quantities.end(), {EosQuantity::a, EosQuantity::c}); break;
        default: quantities.insert(quantities.end(), {EosQuantity::a, EosQuantity::b, EosQuantity::c}); break;
    }
    return quantities;
}

std::vector<EosFit> fitEquationsOfState(const std::shared_ptr<const Series>& series, const std::vector<EosModel>& models,
                                        FitWeights mode, double pc) {
    const std::vector<EosQuantity> quantities = eosQuantitiesOf(series->crystalSystem);
    std::vector<EosFit> fits;
    for (const EosQuantity quantity : quantities) {
        const FitPoints points = eosPointsOf(series, quantity, pc);
        const EosData data = eosDataOf(points, quantity);
        // Each model starts from V0 and K0 of the first that converged.
        std::optional<EosFit> seed;
        for (const EosModel model : models) {
            fits.push_back(fitEquationOfState(model, data, points, mode, seed ? &*seed : nullptr));
            if (!seed && fits.back().status.ok) seed = fits.back();
        }
    }
    return fits;
}
