#pragma once
// The property tensor of a pair: the strain per unit change of temperature (thermal expansion)
// or of pressure, with the sign changed (compressibility), and its esds.
#include <array>

#include "LIBRARIES/math/mat3.hpp"
#include "calc/options.hpp"

// The change of T or P from the first cell of a pair to the second.
struct Delta {
    float change = 0.0f;
    float changeEsd = 0.0f;
    float midpoint = 0.0f;

    // From the values x1, x2 and their esds s1, s2 at the two cells.
    static Delta between(float x1, float s1, float x2, float s2);
};

struct PropertyTensor {
    Mat3 propertyTensor;
    Mat3 propertyEsd;
    bool defined = true;  // false when T or P did not change: every value is then NaN
};

PropertyTensor propertyTensorOf(const Mat3& strainTensor, const Mat3& esdTensor, const Delta& delta, bool pressureRun,
                                CrystalSystem crystalSystem);

struct PrincipalProperty {
    std::array<float, 3> principalProperty{};
    std::array<float, 3> principalPropertyEsd{};
};

PrincipalProperty principalPropertyOf(const std::array<float, 3>& eigenValues,
                                      const std::array<float, 3>& eigenValueEsds, const Delta& delta, bool pressureRun);

// The power of ten (0 to 9) that brings the largest magnitude of a tensor to at least 0.001.
int tensorScalePower(const Mat3& tensor);

// 10 to the power of an exponent 0 to 9, exact in single precision.
float powerOfTen(int exponent);
