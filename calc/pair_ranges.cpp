#include "calc/pair_ranges.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <utility>

#include "calc/cell_geometry.hpp"
#include "calc/crystal_system.hpp"
#include "calc/property_tensor.hpp"
#include "calc/strain.hpp"
#include "calc/strain_tensors.hpp"

namespace {

constexpr double kLargestFloat = std::numeric_limits<float>::max();
constexpr double kVariableEsdLimit = 0.0001;  // below it the esd of T or P is left out
constexpr double kSmallestRelated = 1.0e-10;  // no relative esd for a property this small
// The largest strain component whose eigenvectors single precision can form: they are cross
// products of rows of the tensor less an eigenvalue (up to 4 times the component), whose squared
// length must stay finite (3 (2 (4e)^2)^2 < 3.4e38).
constexpr double kLargestPrincipalStrain = 1.0e8;
// Cells far from cubic are left to the computation: their single-precision inverse may be far
// from the formula's.
constexpr double kLargestCondition = 1.0e3;

bool isFinite(const Mat3& m) {
    for (const float v : m.v)
        if (!std::isfinite(v)) return false;
    return true;
}

// The Frobenius norm, in double so that it does not overflow.
double normOf(const Mat3& m) {
    double sum = 0.0;
    for (const float v : m.v) sum += static_cast<double>(v) * v;
    return std::sqrt(sum);
}

// The change of T or P, its esd and its midpoint, as a calculation forms them.
Delta deltaOf(const DataPoint& p1, const DataPoint& p2, bool pressure) {
    return Delta::between(variableOf(p1, pressure), variableEsdOf(p1, pressure), variableOf(p2, pressure),
                          variableEsdOf(p2, pressure));
}

// Whether the property values and their esds stay finite, given bounds on the strain components
// and their esds (the tensor's or the principal values'): the esd of the change folds in as the
// calculation folds it, relative esds in single precision, so each step is bounded.
bool propertyWithinRange(double value, double esd, const Delta& delta) {
    const double change = std::fabs(static_cast<double>(delta.change));
    const double property = value / change;
    const double propertyEsd = esd / change;
    if (!(property <= kLargestFloat && propertyEsd <= kLargestFloat)) return false;
    if (!(delta.changeEsd > kVariableEsdLimit)) return true;
    const double relative = propertyEsd / kSmallestRelated;
    const double relativeDelta = static_cast<double>(delta.changeEsd) / change;
    const double squares = relative * relative + relativeDelta * relativeDelta;
    return squares <= kLargestFloat && property * std::sqrt(squares) <= kLargestFloat;
}

// Bounds on the S-matrix of a cell and of every cell the esd estimate moves it to: the largest
// Frobenius norms of S (whose rows are the axes: sqrt(a^2 + b^2 + c^2)) and of its inverse (whose
// columns are the reciprocal axes: a* = sin(alpha) / (a sqrt(G)), G the squared volume of the
// cell with unit edges). Known only for cells of moderate size and shape, for which the single
// precision S-matrix and inverse follow these formulas closely.
struct CellBounds {
    bool known = false;
    double s = 0.0;
    double inverse = 0.0;
};

CellBounds boundsOf(const DataPoint& point, CrystalSystem system) {
    constexpr double kSmallestEdge = 1e-3;
    constexpr double kLargestEdge = 1e5;
    constexpr double kSmallestShape = 1e-8;  // G
    constexpr double kDegToRadDouble = std::numbers::pi / 180.0;
    const UnitCell& cell = point.cell;
    const bool moved = cell.hasEsds();
    const std::span<const Move> moves = perturbationMoves(system);
    // The angles' sines and cosines, of the cell as given and again only for a moved angle.
    double baseCosines[3];
    double baseSines[3];
    for (int k = 0; k < 3; ++k) {
        baseCosines[k] = std::cos(cell[k + 3] * kDegToRadDouble);
        baseSines[k] = std::sin(cell[k + 3] * kDegToRadDouble);
    }
    CellBounds bounds;
    for (std::size_t m = 0; m <= (moved ? moves.size() : 0); ++m) {
        const CellParameters c = m == 0 ? static_cast<const CellParameters&>(cell) : perturbed(cell, moves[m - 1]);
        double s2 = 0.0;
        for (int k = 0; k < 3; ++k) {
            if (!(c[k] >= kSmallestEdge && c[k] <= kLargestEdge)) return {};
            s2 += static_cast<double>(c[k]) * c[k];
        }
        double cosines[3];
        double sines[3];
        for (int k = 0; k < 3; ++k) {
            if (!(c[k + 3] > 0.0f && c[k + 3] < 180.0f)) return {};
            const bool same = c[k + 3] == cell[k + 3];
            cosines[k] = same ? baseCosines[k] : std::cos(c[k + 3] * kDegToRadDouble);
            sines[k] = same ? baseSines[k] : std::sin(c[k + 3] * kDegToRadDouble);
        }
        const double shape = UnitCell::unitMetricDeterminant(cosines[0], cosines[1], cosines[2]);
        if (!(shape >= kSmallestShape)) return {};
        double inverse2 = 0.0;
        for (int k = 0; k < 3; ++k) inverse2 += sines[k] * sines[k] / (static_cast<double>(c[k]) * c[k] * shape);
        if (!(std::sqrt(s2) * std::sqrt(inverse2) <= kLargestCondition)) return {};
        bounds.s = std::max(bounds.s, std::sqrt(s2));
        bounds.inverse = std::max(bounds.inverse, std::sqrt(inverse2));
    }
    bounds.known = true;
    return bounds;
}

// A pair whose numbers are certainly finite, by the bounds of its cells alone. The strain of
// D = S^-1 S' (either way round) has components of at most n^2 / 2 + 2 n + 3 / 2 for
// |D| <= n, in every strain measure; so have those of every moved cell's strain.
bool surelyWithinRange(const CellBounds& b1, const CellBounds& b2, const Delta& delta, CrystalSystem system) {
    if (!b1.known || !b2.known) return false;
    constexpr double kRounding = 1.01;  // single precision against these exact bounds, and more
    const double n = kRounding * std::max(b1.inverse * b2.s, b2.inverse * b1.s);
    const double strain = n * n / 2.0 + 2.0 * n + 1.5;  // a component, moved or not
    const int moves = 2 * static_cast<int>(perturbationMoves(system).size());
    // Each squared change of a component is at most (2 strain)^2; of a principal value at most
    // the square of the sum of two Frobenius norms, (2 * 3 strain)^2.
    const double esd = std::sqrt(moves * 4.0) * strain / kStepFactor;
    const double principalEsd = std::sqrt(moves * 36.0) * strain / kStepFactor;
    if (!(moves * 36.0 * strain * strain <= kLargestFloat / 4.0)) return false;
    if (hasPrincipalAxes(system) && !(strain <= kLargestPrincipalStrain)) return false;
    if (delta.change == 0.0f) return true;
    return propertyWithinRange(strain * kRounding, esd * kRounding, delta) &&
           (!hasPrincipalAxes(system) || propertyWithinRange(3.0 * strain * kRounding, principalEsd * kRounding, delta));
}

// The pair computed as the calculation computes it, without the eigen decompositions: the strain
// esds exactly, the principal values and their esds by bounds (a symmetric tensor's eigenvalues
// lie within its Frobenius norm, so each one changes by at most the sum of the two norms).
PairRangeFault computedFault(const Series& series, const RunOptions& options, int first, int second,
                             const Delta& delta) {
    const CrystalSystem system = series.crystalSystem;
    const DataPoint* points[2] = {&series.points[static_cast<std::size_t>(first - 1)],
                                  &series.points[static_cast<std::size_t>(second - 1)]};
    const int numbers[2] = {first, second};
    const UnitCell* cells[2] = {&points[0]->cell, &points[1]->cell};
    const Mat3 s1 = crystalAxesMatrix(*cells[0], options.axisConvention);
    const Mat3 s2 = crystalAxesMatrix(*cells[1], options.axisConvention);
    Mat3 strain = strainBetween(options.strainType, s1, s2);
    constrainTensor(strain, system);
    const bool principal = hasPrincipalAxes(system);
    const auto decomposable = [&](const Mat3& t) {
        for (const float v : t.v)
            if (!(std::fabs(v) <= kLargestPrincipalStrain)) return false;
        return true;
    };
    if (principal && !decomposable(strain)) return {RangeFault::strain, second, first, second};

    Mat3 sums;
    double principalSum = 0.0;
    double contribution[2] = {0.0, 0.0};
    for (int which = 0; which < 2; ++which) {
        if (!cells[which]->hasEsds()) continue;
        for (const Move move : perturbationMoves(system)) {
            const Mat3 moved = crystalAxesMatrix(perturbed(*cells[which], move), options.axisConvention);
            const Mat3 tensor =
                which == 0 ? strainBetween(options.strainType, moved, s2) : strainBetween(options.strainType, s1, moved);
            for (std::size_t k = 0; k < 9; ++k) {
                const float d = tensor.v[k] - strain.v[k];
                sums.v[k] += d * d;
            }
            if (principal && !decomposable(tensor)) return {RangeFault::esd, numbers[which], first, second};
            const double change = normOf(tensor) + normOf(strain);
            principalSum += change * change;
            contribution[which] += change * change;
        }
        if (!isFinite(sums) || !(principalSum <= kLargestFloat))
            return {RangeFault::esd, numbers[which], first, second};
    }
    const int esdPoint = contribution[0] > contribution[1] ? first : second;
    if (delta.change == 0.0f) return {};  // the property is undefined, as the reports say
    Mat3 esd;
    for (std::size_t k = 0; k < 9; ++k) esd.v[k] = std::sqrt(sums.v[k]) / kStepFactor;
    constrainTensor(esd, system);
    const PropertyTensor property = propertyTensorOf(strain, esd, delta, series.pressureRun, system);
    // A change too small to divide by gives no finite property.
    if (!isFinite(property.propertyTensor)) return {RangeFault::variable, second, first, second};
    if (!isFinite(property.propertyEsd)) return {RangeFault::esd, esdPoint, first, second};
    if (!principal) return {};
    const double principalEsd = std::sqrt(principalSum) / kStepFactor;
    if (!(normOf(strain) / std::fabs(static_cast<double>(delta.change)) <= kLargestFloat))
        return {RangeFault::variable, second, first, second};
    if (!propertyWithinRange(normOf(strain), principalEsd, delta)) return {RangeFault::esd, esdPoint, first, second};
    return {};
}

}  // namespace

bool hasFiniteGeometry(const DataPoint& point, AxialSet axisConvention) {
    const UnitCell& cell = point.cell;
    for (const float v : reciprocalCellOf(cell).values())
        if (!std::isfinite(v)) return false;
    // As the orientation report forms them: row j of the S-matrix is axis j, of length edge j.
    const Mat3 s = cell.sMatrix(axisConvention);
    for (int j = 1; j <= 3; ++j)
        for (int k = 1; k <= 3; ++k)
            if (!std::isfinite(std::acos(s(j, k) / cell[j - 1]) / kDegToRad)) return false;
    return true;
}

PairRangeFault firstPairRangeFault(const Series& series, const RunOptions& options) {
    const int nData = static_cast<int>(series.points.size());
    // The bounds of the last two points, as the pairs of a run share their points.
    std::optional<std::pair<int, CellBounds>> remembered[2];
    const auto boundsAt = [&](int number) {
        if (remembered[1] && remembered[1]->first == number) std::swap(remembered[0], remembered[1]);
        if (remembered[0] && remembered[0]->first == number) return remembered[0]->second;
        const CellBounds bounds = boundsOf(series.points[static_cast<std::size_t>(number - 1)], series.crystalSystem);
        remembered[1] = remembered[0];
        remembered[0] = std::pair{number, bounds};
        return bounds;
    };
    for (int i = 2; i <= nData; ++i) {
        const int first = options.incremental ? i - 1 : 1;
        const DataPoint& p1 = series.points[static_cast<std::size_t>(first - 1)];
        const DataPoint& p2 = series.points[static_cast<std::size_t>(i - 1)];
        const Delta delta = deltaOf(p1, p2, series.pressureRun);
        if (surelyWithinRange(boundsAt(first), boundsAt(i), delta, series.crystalSystem)) continue;
        if (const PairRangeFault fault = computedFault(series, options, first, i, delta); fault.fault != RangeFault::none)
            return fault;
    }
    return {};
}
