#include "run/series_checks.hpp"

#include <cmath>
#include <optional>

#include "calc/crystal_system.hpp"
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

}  // namespace

int firstUnusableCell(const Series& series, AxialSet axisConvention) {
    for (std::size_t n = 0; n < series.points.size(); ++n) {
        const UnitCell& cell = series.points[n].cell;
        if (!hasRepresentableMetric(cell)) return static_cast<int>(n + 1);
        const Mat3 s = cell.sMatrix(axisConvention);
        if (!isFiniteMatrix(s)) return static_cast<int>(n + 1);
        const std::optional<Mat3> inverse = MINV(s);
        if (!inverse || !isFiniteMatrix(*inverse)) return static_cast<int>(n + 1);
    }
    return 0;
}

std::pair<int, int> firstNonFiniteStrain(const Series& series, const RunOptions& options) {
    const int nData = static_cast<int>(series.points.size());
    for (int i = 2; i <= nData; ++i) {
        const int first = options.incremental ? i - 1 : 1;
        // The strain tensor as the calculation forms it, without its esds.
        const Mat3 s1 = series.points[static_cast<std::size_t>(first - 1)].cell.sMatrix(options.axisConvention);
        const Mat3 s2 = series.points[static_cast<std::size_t>(i - 1)].cell.sMatrix(options.axisConvention);
        Mat3 strain = CALC_STRAIN(options.strainType, s1, s2);
        FIX_TENSOR(strain, series.crystalSystem);
        if (!isFiniteMatrix(strain)) return {first, i};
    }
    return {0, 0};
}
