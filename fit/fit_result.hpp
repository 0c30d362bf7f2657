#pragma once
// What the fits over a whole series found, as plain data for every output: a linear coefficient
// of each principal axis, edge and the volume; the strain tensor as a polynomial in T or P and
// its derivative at any x; equations of state; an empirical law for each principal axis; and the
// normalised pressure against the Eulerian finite strain. Each fit carries its status: a failed
// fit has the reason and no numbers.
//
// What a fit gives at each data point (residuals, K, F-f) is made when an output visits it, from a
// view of the series (or its axes) that the fits share, so that a long series is not held again
// by each fit.
//
// Every fitted function can be evaluated, with its esd, anywhere (value(x), tensorAt(x),
// pressureAt(V), volumeAt(P), compressibilityAt(P), ...), so that plots draw curves from them.
// Numbers are double precision and raw: per unit of T or P as given, moduli in the unit of P.
#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "LIBRARIES/math/mat3.hpp"
#include "calc/options.hpp"
#include "calc/series_axes.hpp"
#include "fit/covariance.hpp"
#include "fit/fit_points.hpp"
#include "fit/made_on_visit.hpp"

// Whether a fit gave numbers, and if not, why.
struct FitStatus {
    bool ok = false;
    std::string text;  // "ok", or the reason: "fewer than 3 points", "all x equal", "no convergence", ...

    static FitStatus success() { return {true, "ok"}; }
    static FitStatus failure(std::string reason) { return {false, std::move(reason)}; }
};

// A parameter of a fit: a fixed one (K' of BM2, say) has its value and no esd.
struct FittedValue {
    double value = 0.0;
    std::optional<double> esd;
};

// A value at x with its esd.
struct ValueAt {
    double x = 0.0;
    double value = 0.0;
    double esd = 0.0;
};

// A point of a nonlinear fit: what was observed, what the fit gives there, and the difference in
// units of the point's esd (of the fit's scatter where the points carry none); beyond 3 it is
// flagged as a possible outlier.
struct Residual {
    int point = 0;   // data point, from 1
    float x = 0.0f;  // where the fitted function is taken, as the series holds it: P for the empirical law, V (or the edge) for an equation of state
    double observed = 0.0;
    double calculated = 0.0;
    double weighted = 0.0;
    bool outlier = false;
};

// The residual at each point of a fit, made when it is visited from the fit's points and
// parameters and the weights of its last pass: the fifteen fits of a pressure series would
// otherwise hold 40 bytes a point each. It holds what it makes them from, so may outlive its fit.
class ResidualList;
Residual residualAt(const ResidualList& list, std::size_t i);

class ResidualList {
public:
    using Iterator = MadeOnVisitIterator<ResidualList, Residual, residualAt>;

    ResidualList() = default;
    // Point i's residual is at(i), for i below size.
    ResidualList(std::size_t size, std::function<Residual(std::size_t)> at) : size_(size), at_(std::move(at)) {}
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    Residual operator[](std::size_t i) const { return at_(i); }
    Iterator begin() const { return {this, 0}; }
    Iterator end() const { return {this, size_}; }

private:
    std::size_t size_ = 0;
    std::function<Residual(std::size_t)> at_;
};

inline Residual residualAt(const ResidualList& list, std::size_t i) { return list[i]; }

// A value with its esd at the x of a data point, x as the series holds it (single precision, as
// outputs write it).
struct ValueAtPoint {
    float x = 0.0f;
    double value = 0.0;
    double esd = 0.0;
};

// A weighted least-squares polynomial q(x) = sum of c[k] (x - origin)^k, k = 0..order, with the
// covariance of the c[k] (scaled by chi2 / dof).
struct PolynomialFit {
    FitStatus status;
    double origin = 0.0;
    std::vector<double> coefficients;  // c[0] .. c[order]
    Covariance covariance;             // of the c[k]
    double chi2 = 0.0;  // weighted sum of squared residuals
    int dof = 0;        // points less parameters
    int points = 0;

    int order() const { return static_cast<int>(coefficients.size()) - 1; }
    double value(double x) const;
    double valueEsd(double x) const;
    double slope(double x) const;  // dq/dx
    double slopeEsd(double x) const;
    // The mean slope between two x, (q(to) - q(from)) / (to - from), and its esd (to != from).
    double meanSlope(double from, double to) const;
    double meanSlopeEsd(double from, double to) const;
};

// A straight line q = intercept + slope x, and the coefficient it gives: the slope for
// temperature, minus the slope for pressure (the sign convention of the property tensor).
struct LinearFit {
    PolynomialFit line;  // order 1, origin at the reference point's x
    double coefficient = 0.0;
    double esd = 0.0;
    double intercept = 0.0;  // at x = 0
    double interceptEsd = 0.0;
};

struct LinearFits {
    std::array<LinearFit, 3> principal;  // principal[k]: axis k + 1 of the series' axes
    LinearFit a;  // relative change of a, b, c and V from the reference point
    LinearFit b;
    LinearFit c;
    LinearFit volume;
};

// One principal axis of the property tensor at some x.
struct PrincipalCoefficient {
    double value = 0.0;
    double esd = 0.0;
    bool hasDirection = false;  // false in a circular section (equal values)
    Vec3 vector{};              // unit, on X, Y, Z
    std::array<double, 3> uvw{};     // [uvw] of the reference cell, the largest in magnitude +1 or -1
    std::array<float, 3> toAbc{};    // degrees to +a, +b, +c of the reference cell
    std::array<float, 3> toAbcEsd{};
};

// The property tensor (dε/dx for temperature, -dε/dx for pressure) at x, with esds from the
// fit's covariance, and its principal axes.
struct TensorAt {
    float x = 0.0f;  // as the series holds T and P, and as --at is read
    bool measured = false;  // x of a data point, rather than one asked for
    bool extrapolated = false;  // asked for outside the range of the measured x
    Mat3d tensor;
    Mat3d esd;
    Mat3d strain;  // the fitted strain at x, and its esd
    Mat3d strainEsd;
    std::array<PrincipalCoefficient, 3> principal{};  // principal[k]: axis k + 1 of the series' axes, in its sense
};

struct TensorFit;
TensorAt tensorAtEntry(const TensorFit& fit, std::size_t i);

// The tensor fit at each distinct measured x, ascending, then at each x asked for; each made when
// it is visited, since a long series would otherwise hold some 500 bytes a point. A view of its
// fit, which must outlive it.
class TensorAtList {
public:
    using Iterator = MadeOnVisitIterator<TensorFit, TensorAt, tensorAtEntry>;

    explicit TensorAtList(const TensorFit& fit) : fit_(&fit) {}
    std::size_t size() const;
    bool empty() const { return size() == 0; }
    TensorAt operator[](std::size_t i) const;
    TensorAt back() const { return (*this)[size() - 1]; }
    Iterator begin() const { return {fit_, 0}; }
    Iterator end() const { return {fit_, size()}; }

private:
    const TensorFit* fit_;
};

// Each of the six strain-tensor components against x as a polynomial.
struct TensorFit {
    FitStatus status;
    int order = 0;
    std::array<PolynomialFit, 6> components;  // 11, 22, 33, 12, 13, 23
    bool pressure = false;
    bool principalAxes = true;  // false for orthorhombic and higher: the axes are X, Y, Z
    Mat3 referenceSMatrix;      // rows: a, b, c of the reference cell on X, Y, Z
    std::vector<float> measuredX;  // the distinct measured x, ascending, as the series holds them
    std::vector<double> askedX;    // the x asked for, in order
    // A straight line has one slope: the property tensor and its axes at the lowest x serve every x.
    std::optional<TensorAt> lineProperty;
    std::shared_ptr<const SeriesAxes> axes;  // which number each principal axis carries

    TensorAt tensorAt(double x) const;
    // The mean property between two x: the change of the fitted strain over the change of x (sign
    // changed under pressure), as a pair of cells from `from` to `to` measures it, with its
    // principal axes as the series numbers them at `to`. Without strain or strain esd.
    TensorAt meanBetween(double from, double to) const;
    // At each measured x, then at each asked for (none when the fit failed).
    TensorAtList at() const { return TensorAtList(*this); }
    // Entry i of at(): measured (or asked for, and whether outside the measured range) marked.
    TensorAt atEntry(std::size_t i) const;
};

inline std::size_t TensorAtList::size() const {
    return fit_->status.ok ? fit_->measuredX.size() + fit_->askedX.size() : 0;
}
inline TensorAt TensorAtList::operator[](std::size_t i) const { return fit_->atEntry(i); }
inline TensorAt tensorAtEntry(const TensorFit& fit, std::size_t i) { return fit.atEntry(i); }

// Equations of state P(V), in their standard published forms.
enum class EosModel { BM2, BM3, BM4, Vinet2, Vinet3, Murnaghan, NS2, NS3 };

std::string_view eosModelName(EosModel model);  // "BM2", "Vinet3", ...
std::optional<EosModel> eosModelNamed(std::string_view name);  // any case
// BM2, BM3 and Vinet3.
std::vector<EosModel> defaultEosModels();
// Every model, in the order of the enum.
std::vector<EosModel> knownEosModels();

// What an equation of state is fitted to: the volume, or an edge with its cube in place of V.
enum class EosQuantity { volume, a, b, c };

std::string_view eosQuantityName(EosQuantity quantity);  // "volume", "a", "b", "c"

// One equation of state fitted to the volume, or to an edge x with x^3 in place of V. For an
// edge, v0 holds x0 and k0, kp, kpp the linear moduli M0 = 3 K0, M' = 3 K', M'' = 3 K''.
struct EosFit {
    EosModel model = EosModel::BM3;
    EosQuantity quantity = EosQuantity::volume;
    FitStatus status;
    FittedValue v0;
    FittedValue k0;
    FittedValue kp;
    FittedValue kpp;  // K'' in 1/(unit of P); fixed at the model's implied value below 4th order
    std::vector<std::string> parameters;  // the free parameters, in the order of the covariance
    Covariance covariance;                // of the free parameters
    double chi2 = 0.0;
    int dof = 0;
    double maxResidual = 0.0;  // largest |P_obs - P_calc|
    int iterations = 0;
    // Remakes the residuals from the points the fit was made from (a view of the series; a fit
    // with held parameters keeps its own); empty for a failed fit.
    std::function<ResidualList()> remakeResiduals;

    // The residual in P at each point's V (or edge).
    ResidualList residuals() const { return remakeResiduals ? remakeResiduals() : ResidualList(); }

    bool isEdge() const { return quantity != EosQuantity::volume; }
    // P at a volume (or edge length) and its esd from the covariance.
    double pressureAt(double v) const;
    double pressureEsdAt(double v) const;
    // The volume (or edge) at pressure p and its esd; none where P(V) = p has no root.
    std::optional<ValueAt> volumeAt(double p) const;
    // The bulk modulus K = -V dP/dV (for an edge the linear modulus -x dP/dx) at a volume.
    double modulusAt(double v) const;
};

// epsilon(P) = eps0 + lambda (P - Pc)^nu for one principal axis, Pc below the lowest pressure.
struct EmpiricalFit {
    FitStatus status;
    int axis = 1;  // the number of the series' axis, 1 to 3
    FittedValue eps0;
    FittedValue lambda;
    FittedValue pc;
    FittedValue nu;
    Covariance covariance;  // of eps0, lambda, pc, nu
    double chi2 = 0.0;
    int dof = 0;
    FitPoints points;  // P as x, the strain as y, as fitted: a view of the series' axes
    std::function<ResidualList()> remakeResiduals;  // from the points; empty for a failed fit

    // The residual in the strain at each measured P.
    ResidualList residuals() const { return remakeResiduals ? remakeResiduals() : ResidualList(); }
    // The compressibility K = -d(epsilon)/dP at measured point i (from 0), x as the series holds it.
    ValueAtPoint kAt(std::size_t i) const;

    double strainAt(double p) const;
    double strainEsdAt(double p) const;
    double compressibilityAt(double p) const;
    double compressibilityEsdAt(double p) const;
};

// One point of the normalised pressure F against the Eulerian finite strain f.
struct NormalisedPressurePoint {
    int point = 0;  // data point, from 1
    float x = 0.0f;  // P
    double f = 0.0;
    double fEsd = 0.0;
    double F = 0.0;
    double FEsd = 0.0;
};

struct NormalisedPressure {
    FitStatus status;
    FittedValue v0;  // from the BM3 fit of the volume
    FitPoints volumes;  // V as x, P as y, as the BM3 fit took them: a view of the series

    // Each point's f and F in series order, made as it is visited; points with f = 0 (or P = 0)
    // have no F and are left out.
    void forEachPoint(const std::function<void(const NormalisedPressurePoint&)>& visit) const;
};

enum class FitWeights { esd, none };

// V(T), P(V, T) and the diagnostics of the equations of state (fit/state_fits.hpp).
struct StateFits;

struct FitResult {
    FitStatus status;  // not ok: no fits at all (fewer than 3 points), and why
    bool pressure = false;
    int reference = 1;  // the reference point, from 1
    StrainType strain = StrainType::finiteEulerian;
    FitWeights weights = FitWeights::esd;
    std::vector<std::string> notes;  // what the fits changed from the options, for the reader
    // The principal axes of the series, which every fit through principal strains follows and
    // numbers as they are numbered here; there whenever the series has points, even without fits.
    std::shared_ptr<const SeriesAxes> axes;

    std::optional<LinearFits> linear;
    std::optional<TensorFit> tensor;
    std::vector<EosFit> eos;                 // pressure: each model for the volume, then each edge
    std::vector<EmpiricalFit> empirical;     // pressure: the three principal axes
    std::optional<NormalisedPressure> ff;    // pressure
    std::shared_ptr<const StateFits> states;  // only where the series or the options ask for them
};
