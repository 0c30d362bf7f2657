#include "calc/principal_axes.hpp"

#include <cmath>

#include "LIBRARIES/math/arccos.hpp"
#include "calc/matrix_inverse.hpp"

namespace {

constexpr float kAngleStep = 0.1f;       // the direction moves by this fraction of its esds
constexpr float kEsdRoundLimit = 0.01f;  // larger angle esds are raised by kEsdRoundUp
constexpr float kEsdRoundUp = 0.05f;

float angleEsd(float angle, float movedAngle) {
    float esd = std::fabs(movedAngle - angle) / kAngleStep;
    if (esd > kEsdRoundLimit) esd += kEsdRoundUp;
    return esd;
}

}  // namespace

bool isCircularSection(const Mat3& eigenVectors, EigenFlag eigenFlag, int m) {
    if (!hasOwnDirection(eigenFlag, m)) return true;
    // A zero eigenvector (every trial cross product vanished) has no direction either.
    const Vec3 v = row(eigenVectors, m);
    return v[0] == 0.0f && v[1] == 0.0f && v[2] == 0.0f;
}

std::array<float, 3> anglesToCrystalAxes(const Vec3& direction, const Mat3& sMatrix) {
    std::array<float, 3> angles{};
    for (int i = 0; i < 3; ++i) {
        const Vec3 axis = row(sMatrix, i + 1);
        angles[i] = arccosDegrees(dot(direction, axis) / length(axis));
    }
    return angles;
}

AxisAngles principalAxisAngles(const Mat3& eigenVectors, const Mat3& eigenVectorEsds, const Mat3& sMatrix, int m) {
    const Vec3 v = row(eigenVectors, m);
    const Vec3 e = unit(v);
    const Vec3 w = unit({v[0] + kAngleStep * eigenVectorEsds(m, 1), v[1] + kAngleStep * eigenVectorEsds(m, 2),
                         v[2] + kAngleStep * eigenVectorEsds(m, 3)});
    AxisAngles r;
    r.toAbc = anglesToCrystalAxes(e, sMatrix);
    const std::array<float, 3> movedToAbc = anglesToCrystalAxes(w, sMatrix);
    for (int i = 0; i < 3; ++i) {
        r.toXyz[i] = arccosDegrees(v[i]);  // the component as delivered
        r.toXyzEsd[i] = angleEsd(r.toXyz[i], arccosDegrees(w[i]));
        r.toAbcEsd[i] = angleEsd(r.toAbc[i], movedToAbc[i]);
    }
    return r;
}

std::array<double, 3> uvwOf(const Vec3& direction, const Mat3& sMatrix) { return uvwOf(direction, matrixInverse(sMatrix)); }

std::array<double, 3> uvwOf(const Vec3& direction, const std::optional<Mat3>& inverse) {
    std::array<double, 3> uvw{};
    if (!inverse) return uvw;
    double largest = 0.0;
    for (int j = 1; j <= 3; ++j) {
        double u = 0.0;
        for (int i = 1; i <= 3; ++i) u += static_cast<double>(direction[static_cast<std::size_t>(i - 1)]) * (*inverse)(i, j);
        uvw[static_cast<std::size_t>(j - 1)] = u;
        if (std::fabs(u) > std::fabs(largest)) largest = u;
    }
    if (largest != 0.0)
        for (double& u : uvw) {
            u /= std::fabs(largest);
            if (std::fabs(u) < 1e-6) u = 0.0;  // single-precision residue of a zero component
        }
    return uvw;
}
