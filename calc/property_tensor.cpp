#include "calc/property_tensor.hpp"

#include <cmath>
#include <limits>

#include "calc/crystal_system.hpp"

namespace {

constexpr float kVariableEsdLimit = 0.0001f;  // below it the esd of T or P is left out
constexpr float kZeroLimit = 1.0e-10f;        // a component this small has no relative esd

// Combines the relative esd of a value with that of the change of T or P. A value of 1e-10 or less
// keeps its esd, the limit of the combination as the value goes to 0: a zero property is no more
// exact than the strain it comes from.
float withVariableEsd(float value, float esd, const Delta& delta) {
    if (!(std::fabs(value) > kZeroLimit)) return esd;
    const float relative = esd / value;
    const float relativeDelta = delta.changeEsd / delta.change;
    return std::fabs(value) * std::sqrt(relative * relative + relativeDelta * relativeDelta);
}

}  // namespace

Delta Delta::between(float x1, float s1, float x2, float s2) {
    const float v = s1 * s1 + s2 * s2;
    return {x2 - x1, v > 0.0f ? std::sqrt(v) : 0.0f, (x1 + x2) / 2.0f};
}

PropertyTensor propertyTensorOf(const Mat3& strainTensor, const Mat3& esdTensor, const Delta& delta, bool pressureRun,
                                CrystalSystem crystalSystem) {
    PropertyTensor r;
    if (delta.change == 0.0f) {
        // No change of T or P: the property tensor does not exist for this pair.
        r.defined = false;
        r.propertyTensor.v.fill(std::numeric_limits<float>::quiet_NaN());
        r.propertyEsd.v.fill(std::numeric_limits<float>::quiet_NaN());
        return r;
    }
    const float sign = pressureRun ? -1.0f : 1.0f;
    for (std::size_t k = 0; k < 9; ++k) r.propertyTensor.v[k] = sign * strainTensor.v[k] / delta.change;
    constrainTensor(r.propertyTensor, crystalSystem);
    for (std::size_t k = 0; k < 9; ++k) r.propertyEsd.v[k] = esdTensor.v[k] / std::fabs(delta.change);
    if (delta.changeEsd > kVariableEsdLimit) {
        for (std::size_t k = 0; k < 9; ++k)
            r.propertyEsd.v[k] = withVariableEsd(r.propertyTensor.v[k], r.propertyEsd.v[k], delta);
    }
    constrainTensor(r.propertyEsd, crystalSystem);
    return r;
}

PrincipalProperty principalPropertyOf(const std::array<float, 3>& eigenValues,
                                      const std::array<float, 3>& eigenValueEsds, const Delta& delta,
                                      bool pressureRun) {
    PrincipalProperty r;
    if (delta.change == 0.0f) {
        r.principalProperty.fill(std::numeric_limits<float>::quiet_NaN());
        r.principalPropertyEsd.fill(std::numeric_limits<float>::quiet_NaN());
        return r;
    }
    const float sign = pressureRun ? -1.0f : 1.0f;
    for (int m = 0; m < 3; ++m) {
        r.principalProperty[m] = sign * eigenValues[m] / delta.change;
        r.principalPropertyEsd[m] = eigenValueEsds[m] / std::fabs(delta.change);
    }
    if (delta.changeEsd > kVariableEsdLimit) {
        for (int m = 0; m < 3; ++m)
            r.principalPropertyEsd[m] = withVariableEsd(r.principalProperty[m], r.principalPropertyEsd[m], delta);
    }
    return r;
}

int tensorScalePower(const Mat3& tensor) {
    float largest = 0.0f;
    for (float x : tensor.v) {
        if (std::fabs(x) > largest) largest = std::fabs(x);
    }
    int exponent = 0;
    while (largest < 0.001f && exponent < 9) {
        largest = largest * 10.0f;
        ++exponent;
    }
    return exponent;
}

float powerOfTen(int exponent) {
    float f = 1.0f;
    for (int k = 0; k < exponent; ++k) f *= 10.0f;
    return f;
}
