#include "calc/validate_cells.hpp"

#include <cmath>
#include <limits>
#include <numbers>

#include "calc/crystal_system.hpp"
#include "calc/pair_ranges.hpp"
#include "calc/matrix_inverse.hpp"
#include "calc/strain.hpp"

namespace {

bool isFiniteMatrix(const Mat3& m) {
    for (const float v : m.v)
        if (!std::isfinite(v)) return false;
    return true;
}

// The metric tensor holds the squared edges. An edge whose square leaves the normal range of
// single precision (below about 1e-19, above about 1e19) gives a reciprocal cell and an S-matrix
// that only look computed: a square of 0 turns the reciprocal angles into 90 degrees.
bool hasRepresentableMetric(const CellParameters& cell) {
    for (int k = 0; k < 3; ++k)
        if (!std::isnormal(cell[k] * cell[k])) return false;
    return true;
}

bool isUsableCell(const UnitCell& cell, AxialSet axisConvention) {
    if (!hasRepresentableMetric(cell)) return false;
    const Mat3 s = cell.sMatrix(axisConvention);
    if (!isFiniteMatrix(s)) return false;
    const std::optional<Mat3> inverse = matrixInverse(s);
    return inverse && isFiniteMatrix(*inverse);
}

}  // namespace

bool isValidCell(const DataPoint& point) {
    const auto& c = point.cell;
    for (int k = 0; k < 3; ++k) {
        if (!(c[k] > 0.0f) || !std::isfinite(c[k])) return false;
    }
    for (int k = 3; k < 6; ++k) {
        if (!(c[k] > 0.0f && c[k] < 180.0f)) return false;
    }
    // The metric tensor of a cell with unit edges is positive definite exactly when its
    // determinant is; its leading minors are then positive as well.
    constexpr double kDegToRadDouble = std::numbers::pi / 180.0;
    const double ca = std::cos(c[3] * kDegToRadDouble), cb = std::cos(c[4] * kDegToRadDouble), cg = std::cos(c[5] * kDegToRadDouble);
    return UnitCell::unitMetricDeterminant(ca, cb, cg) > 1e-12;
}

PointRangeFault pointRangeFault(const DataPoint& point) {
    constexpr float kLargestVariable = std::numeric_limits<float>::max() / 2.0f;
    const float kLargestVariableEsd = std::sqrt(kLargestVariable);
    const struct {
        const char* name;
        float value;
        RangeFault fault;
        float largest;
    } numbers[] = {{"T", point.t, RangeFault::variable, kLargestVariable},
                   {"P", point.p, RangeFault::variable, kLargestVariable},
                   {"SIGT", point.sigT, RangeFault::esd, kLargestVariableEsd},
                   {"SIGP", point.sigP, RangeFault::esd, kLargestVariableEsd}};
    for (const auto& n : numbers) {
        if (!(std::fabs(n.value) <= n.largest)) return {n.fault, n.name, n.value};  // NaN too
    }
    constexpr const char* kCellEsds[] = {"SIGA", "SIGB", "SIGC", "SIGALPHA", "SIGBETA", "SIGGAMMA"};
    for (int k = 0; k < 6; ++k) {
        if (!std::isfinite(point.cell.esd[k])) return {RangeFault::esd, kCellEsds[k], point.cell.esd[k]};
    }
    if (!std::isfinite(point.volumeAsReadEsd)) return {RangeFault::esd, "SIGV", point.volumeAsReadEsd};
    return {};
}

std::optional<SeriesProblem> checkSeries(const Series& series, const RunOptions& options) {
    const int nData = static_cast<int>(series.points.size());
    for (int n = 1; n <= nData; ++n) {
        if (!isUsableCell(series.points[static_cast<std::size_t>(n - 1)].cell, options.axisConvention))
            return SeriesProblem{SeriesProblem::Kind::unusableCell, n, 0, n, {}};
    }
    for (int n = 1; n <= nData; ++n) {
        if (!hasFiniteGeometry(series.points[static_cast<std::size_t>(n - 1)], options.axisConvention))
            return SeriesProblem{SeriesProblem::Kind::farFromCubic, n, 0, n, {}};
    }
    for (int n = 1; n <= nData; ++n) {
        const PointRangeFault range = pointRangeFault(series.points[static_cast<std::size_t>(n - 1)]);
        if (range.fault != RangeFault::none) return SeriesProblem{SeriesProblem::Kind::pointOutOfRange, n, 0, n, range};
    }
    if (nData < 2) return SeriesProblem{SeriesProblem::Kind::tooFewPoints, 0, 0, 0, {}};
    for (int i = 2; i <= nData; ++i) {
        const int first = options.incremental ? i - 1 : 1;
        // The strain tensor as the calculation forms it, without its esds.
        const Mat3 s1 = series.points[static_cast<std::size_t>(first - 1)].cell.sMatrix(options.axisConvention);
        const Mat3 s2 = series.points[static_cast<std::size_t>(i - 1)].cell.sMatrix(options.axisConvention);
        Mat3 strain = strainBetween(options.strainType, s1, s2);
        constrainTensor(strain, series.crystalSystem);
        if (!isFiniteMatrix(strain)) return SeriesProblem{SeriesProblem::Kind::strainNotFinite, first, i, 0, {}};
    }
    if (const PairRangeFault fault = firstPairRangeFault(series, options); fault.fault != RangeFault::none)
        return SeriesProblem{SeriesProblem::Kind::pairOutOfRange, fault.first, fault.second, fault.point, {fault.fault, "", 0.0f}};
    return std::nullopt;
}
