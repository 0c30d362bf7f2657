#include "calc/pair_result.hpp"

#include <cmath>

namespace {

// Row j of the S-matrix is crystal axis j on X, Y, Z; its component k over its length is the
// cosine of the angle to Cartesian axis k.
Mat3 axisAnglesOf(const Mat3& s, const UnitCell& cell) {
    Mat3 angles;
    for (int j = 1; j <= 3; ++j)
        for (int k = 1; k <= 3; ++k) angles(j, k) = std::acos(s(j, k) / cell[j - 1]) / kDegToRad;
    return angles;
}

}  // namespace

PairResult computePair(const PairContext& context, const DataPoint& point1, const DataPoint& point2, int first,
                       int second) {
    const RunOptions& options = context.options;
    PairResult r;
    r.first = first;
    r.second = second;
    r.point1 = point1;
    r.point2 = point2;
    r.esdPresent = {point1.cell.hasEsds(), point2.cell.hasEsds()};

    r.sMatrix1 = point1.cell.sMatrix(options.axisConvention);
    r.sMatrix2 = point2.cell.sMatrix(options.axisConvention);
    r.reciprocal1 = point1.cell.reciprocal();
    r.reciprocal2 = point2.cell.reciprocal();
    r.axisAngles1 = axisAnglesOf(r.sMatrix1, point1.cell);
    r.axisAngles2 = axisAnglesOf(r.sMatrix2, point2.cell);

    const bool pressure = context.pressureRun;
    r.delta = Delta::between(variableOf(point1, pressure), variableEsdOf(point1, pressure), variableOf(point2, pressure),
                       variableEsdOf(point2, pressure));
    r.strain = strainTensorsBetween(point1.cell, point2.cell, options.strainType, context.crystalSystem, options.axisConvention);
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
            axis.direction = row(t.eigenVectors, m);
            axis.angles = principalAxisAngles(t.eigenVectors, t.eigenVectorEsds, t.referenceSMatrix, m);
        }
    }
    return r;
}
