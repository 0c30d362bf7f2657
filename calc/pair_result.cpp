#include "calc/pair_result.hpp"

#include <cmath>

namespace {

Cell sixOf(const std::array<float, 7>& seven) { return {seven[0], seven[1], seven[2], seven[3], seven[4], seven[5]}; }

// The change of the intensive variable, its esd and its midpoint.
Delta deltaFor(float x1, float s1, float x2, float s2) {
    const float v = s1 * s1 + s2 * s2;
    return {x2 - x1, v > 0.0f ? std::sqrt(v) : 0.0f, (x1 + x2) / 2.0f};
}

Cell reciprocalInDegrees(const Cell& direct) {
    Cell r = CELL_TO_RECIP(direct);
    for (int k = 3; k < 6; ++k) r[k] = r[k] / kDegToRad;
    return r;
}

// Row j of the S-matrix is crystal axis j on X, Y, Z; its component k over its length is the
// cosine of the angle to Cartesian axis k.
Mat3 axisAnglesOf(const Mat3& s, const Cell& cell) {
    Mat3 angles;
    for (int j = 1; j <= 3; ++j)
        for (int k = 1; k <= 3; ++k) angles(j, k) = std::acos(s(j, k) / cell[j - 1]) / kDegToRad;
    return angles;
}

}  // namespace

bool hasCellEsds(const DataPoint& point) {
    constexpr float kEsdPresentLimit = 1e-6f;  // esds summing to no more than this count as absent
    float sum = 0.0f;
    for (int k = 0; k < 6; ++k) sum += std::fabs(point.sigCell[k]);
    return sum > kEsdPresentLimit;
}

PairResult computePair(const PairContext& context, const DataPoint& point1, const DataPoint& point2, int first,
                       int second) {
    const RunOptions& options = context.options;
    PairResult r;
    r.first = first;
    r.second = second;
    r.point1 = point1;
    r.point2 = point2;
    r.esdPresent = {hasCellEsds(point1), hasCellEsds(point2)};
    const CellPair pair{sixOf(point1.cell), sixOf(point2.cell), sixOf(point1.sigCell), sixOf(point2.sigCell),
                        {r.esdPresent[0] ? 1 : 0, r.esdPresent[1] ? 1 : 0}};

    r.sMatrix1 = CALC_SMATRIX(pair.cell1, options.axisConvention);
    r.sMatrix2 = CALC_SMATRIX(pair.cell2, options.axisConvention);
    r.reciprocal1 = reciprocalInDegrees(pair.cell1);
    r.reciprocal2 = reciprocalInDegrees(pair.cell2);
    r.axisAngles1 = axisAnglesOf(r.sMatrix1, pair.cell1);
    r.axisAngles2 = axisAnglesOf(r.sMatrix2, pair.cell2);

    const bool pressure = context.pressureRun;
    r.delta = deltaFor(variableOf(point1, pressure), variableEsdOf(point1, pressure), variableOf(point2, pressure),
                       variableEsdOf(point2, pressure));
    r.strain = CALC_STRAIN_TENSORS(pair, options.strainType, context.crystalSystem, options.axisConvention);
    r.property = propertyTensorOf(r.strain.strainTensor, r.strain.esdTensor, r.delta, pressure, context.crystalSystem);

    r.principalAxes = r.strain.principalAxes;
    if (!r.principalAxes) return r;
    const StrainTensors& t = r.strain;
    const PrincipalProperty property = principalPropertyOf(t.eigenValues, t.eigenValueEsds, r.delta, pressure);
    for (int m = 1; m <= 3; ++m) {
        PrincipalAxis& axis = r.principal[static_cast<std::size_t>(m - 1)];
        axis.strain = t.eigenValues[m - 1];
        axis.strainEsd = t.eigenValueEsds[m - 1];
        axis.property = property.principalProperty[m - 1];
        axis.propertyEsd = property.principalPropertyEsd[m - 1];
        axis.hasDirection = !isCircularSection(t.eigenVectors, t.eigenFlag, m);
        if (axis.hasDirection) {
            axis.direction = {t.eigenVectors(m, 1), t.eigenVectors(m, 2), t.eigenVectors(m, 3)};
            axis.angles = principalAxisAngles(t.eigenVectors, t.eigenVectorEsds, t.referenceSMatrix, m);
        }
    }
    return r;
}
