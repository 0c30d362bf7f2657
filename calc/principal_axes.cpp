#include "calc/principal_axes.hpp"

#include <cmath>

#include "LIBRARIES/math/arccos.hpp"

namespace {

constexpr float kAngleStep = 0.1f;       // the direction moves by this fraction of its esds
constexpr float kEsdRoundLimit = 0.01f;  // larger angle esds are raised by kEsdRoundUp
constexpr float kEsdRoundUp = 0.05f;

float lengthOf(const Vec3& u) { return std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]); }
float dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec3 rowOf(const Mat3& m, int i) { return {m(i, 1), m(i, 2), m(i, 3)}; }

Vec3 unit(const Vec3& u) {
    const float n = lengthOf(u);
    return {u[0] / n, u[1] / n, u[2] / n};
}

float angleEsd(float angle, float movedAngle) {
    float esd = std::fabs(movedAngle - angle) / kAngleStep;
    if (esd > kEsdRoundLimit) esd += kEsdRoundUp;
    return esd;
}

}  // namespace

bool isCircularSection(const Mat3& eigenVectors, int eigenFlag, int m) {
    if (eigenFlag != 0 && m != eigenFlag) return true;
    // A zero eigenvector (every trial cross product vanished) has no direction either.
    const Vec3 v = rowOf(eigenVectors, m);
    return v[0] == 0.0f && v[1] == 0.0f && v[2] == 0.0f;
}

AxisAngles principalAxisAngles(const Mat3& eigenVectors, const Mat3& eigenVectorEsds, const Mat3& sMatrix, int m) {
    const Vec3 v = rowOf(eigenVectors, m);
    const Vec3 e = unit(v);
    const Vec3 w = unit({v[0] + kAngleStep * eigenVectorEsds(m, 1), v[1] + kAngleStep * eigenVectorEsds(m, 2),
                         v[2] + kAngleStep * eigenVectorEsds(m, 3)});
    AxisAngles r;
    int rangeFlag = 0;  // out-of-range cosines are clamped; nothing reads the flag
    for (int i = 0; i < 3; ++i) {
        r.toXyz[i] = ARCCOS(v[i], rangeFlag);  // the component as delivered
        r.toXyzEsd[i] = angleEsd(r.toXyz[i], ARCCOS(w[i], rangeFlag));
        const Vec3 u = rowOf(sMatrix, i + 1);
        const float n = lengthOf(u);
        r.toAbc[i] = ARCCOS(dot(e, u) / n, rangeFlag);
        r.toAbcEsd[i] = angleEsd(r.toAbc[i], ARCCOS(dot(w, u) / n, rangeFlag));
    }
    return r;
}
