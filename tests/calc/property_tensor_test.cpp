#include "calc/property_tensor.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "calc/principal_axes.hpp"
#include "LIBRARIES/records/record_writer.hpp"

namespace {

Mat3 diagonal(float a, float b, float c) {
    Mat3 m;
    m(1, 1) = a;
    m(2, 2) = b;
    m(3, 3) = c;
    return m;
}

TEST(ScaleTensor, SmallestPowerThatReachesOneThousandth) {
    EXPECT_EQ(tensorScalePower(diagonal(0.0013f, 0, 0)), 0);
    EXPECT_EQ(tensorScalePower(diagonal(2.0e-5f, -1e-6f, 0)), 2);
    EXPECT_EQ(tensorScalePower(diagonal(0, -0.0004f, 0)), 1);
    EXPECT_EQ(tensorScalePower(Mat3{}), 9);  // none does: the largest exponent
    EXPECT_EQ(formatF(9, 6, powerOfTen(2) * 2.0e-5f), " 0.002000");
    EXPECT_EQ(powerOfTen(9), 1.0e9f);
}

TEST(PropertyTensor, TemperatureAndPressureSigns) {
    const Mat3 strain = diagonal(0.002f, -0.001f, 0.0005f);
    const PropertyTensor heat = propertyTensorOf(strain, Mat3{}, {10, 0, 25}, false, CrystalSystem::none);
    const PropertyTensor squeeze = propertyTensorOf(strain, Mat3{}, {2, 0, 1}, true, CrystalSystem::none);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(heat.propertyTensor(i, i), strain(i, i) / 10.0f);
        EXPECT_EQ(squeeze.propertyTensor(i, i), -strain(i, i) / 2.0f);
    }
}

TEST(PropertyTensor, EsdsWithAndWithoutTheVariableEsd) {
    const Mat3 strain = diagonal(0.002f, 1e-12f, 0.0f);
    const Mat3 esd = diagonal(0.0001f, 0.0001f, 0.0001f);
    // Below the limit of 0.0001 the esd of T is left out, even where the heading names it.
    const PropertyTensor small = propertyTensorOf(strain, esd, {-10, 0.00005f, 5}, false, CrystalSystem::none);
    EXPECT_EQ(small.propertyEsd(1, 1), 0.0001f / 10.0f);  // positive although T falls
    // Above it the relative esds combine.
    const PropertyTensor large = propertyTensorOf(strain, esd, {10, 0.5f, 5}, false, CrystalSystem::none);
    const double p = 0.0002, rel = (0.00001 / p);
    EXPECT_NEAR(large.propertyEsd(1, 1), p * std::sqrt(rel * rel + 0.05 * 0.05), 1e-9);
}

// |p| sqrt((e / p)^2 + (dT esd / dT)^2) equals sqrt(e^2 + (p dT esd / dT)^2), which is defined at
// p = 0 and tends to e there: components on both sides of the 1e-10 limit, zero included, must
// follow it, in the tensor and in the principal values alike.
TEST(PropertyTensor, EsdOfAZeroComponentIsTheLimitOfTheCombinedEsd) {
    const float strainEsd = 0.0001f;
    for (const Delta delta : {Delta{10, 0.5f, 5}, Delta{-4, 2, 5}}) {
        for (const float strain : {0.0f, 1e-12f, -5e-10f, 1e-9f, -1.0000001e-9f, 3e-9f, 1e-6f, -2e-3f}) {
            SCOPED_TRACE(::testing::Message() << "strain " << strain << " change " << delta.change);
            const double p = double(strain) / delta.change, e = double(strainEsd) / std::fabs(delta.change);
            const double r = double(delta.changeEsd) / delta.change;
            const double expected = std::sqrt(e * e + p * p * r * r);
            const PropertyTensor t = propertyTensorOf(diagonal(strain, 0, 0), diagonal(strainEsd, 0, 0), delta, false, CrystalSystem::none);
            EXPECT_NEAR(t.propertyEsd(1, 1), expected, 1e-6 * expected);
            const PrincipalProperty q = principalPropertyOf({strain, 0, 0}, {strainEsd, 0, 0}, delta, true);
            EXPECT_NEAR(q.principalPropertyEsd[0], expected, 1e-6 * expected);
        }
    }
}

TEST(PropertyTensor, NoChangeOfTheVariableIsUndefined) {
    const PropertyTensor r = propertyTensorOf(diagonal(0.001f, 0, 0), Mat3{}, {0, 0, 20}, false, CrystalSystem::monoclinic);
    EXPECT_FALSE(r.defined);
    for (float x : r.propertyTensor.v) EXPECT_TRUE(std::isnan(x));
    const PrincipalProperty q = principalPropertyOf({0.001f, 0, 0}, {}, {0, 0, 20}, false);
    EXPECT_TRUE(std::isnan(q.principalProperty[0]));
}

TEST(PrincipalProperty, FollowsThePropertyTensorRules) {
    const PrincipalProperty q = principalPropertyOf({-0.003f, 0.001f, 1e-12f}, {0.0003f, 0.0001f, 0.0001f},
                                                    {-2, 0.2f, 1}, true);
    EXPECT_EQ(q.principalProperty[0], -(-0.003f) / -2.0f);
    EXPECT_GT(q.principalPropertyEsd[0], 0.0f);
    EXPECT_EQ(q.principalPropertyEsd[2], 0.0001f / 2.0f);  // a zero keeps its strain esd
}

TEST(PrincipalAxes, AnglesOfAnAxisAlongZ) {
    Mat3 vectors = Mat3::identity();
    const Mat3 s = diagonal(5, 6, 7);
    const AxisAngles a = principalAxisAngles(vectors, Mat3{}, s, 3);
    EXPECT_EQ(a.toXyz, (std::array<float, 3>{90, 90, 0}));
    EXPECT_EQ(a.toAbc, (std::array<float, 3>{90, 90, 0}));
    EXPECT_EQ(a.toXyzEsd, (std::array<float, 3>{}));  // unmoved direction: no esd
}

TEST(PrincipalAxes, EsdRoundingAndMovedDirection) {
    // Move the X axis towards Y by 0.1 of an esd of 0.01: about 0.0573 degrees, over 0.1.
    Mat3 vectors = Mat3::identity();
    Mat3 esds;
    esds(1, 2) = 0.01f;
    const AxisAngles a = principalAxisAngles(vectors, esds, Mat3::identity(), 1);
    const double moved = std::atan(0.001) * 180.0 / std::numbers::pi;
    EXPECT_NEAR(a.toXyzEsd[1], moved / 0.1 + 0.05, 2e-3);
    EXPECT_NEAR(a.toAbcEsd[1], moved / 0.1 + 0.05, 2e-3);
    EXPECT_EQ(a.toXyzEsd[2], 0.0f);  // 0.01 or less is not raised
}

TEST(PrincipalAxes, CircularSections) {
    const Mat3 v = Mat3::identity();
    EXPECT_FALSE(isCircularSection(v, EigenFlag::distinct, 2));
    EXPECT_TRUE(isCircularSection(v, EigenFlag::doubleRootAbove, 2));
    EXPECT_FALSE(isCircularSection(v, EigenFlag::doubleRootAbove, 1));
    EXPECT_TRUE(isCircularSection(v, EigenFlag::doubleRootBelow, 1));
    EXPECT_FALSE(isCircularSection(v, EigenFlag::doubleRootBelow, 3));
    EXPECT_TRUE(isCircularSection(v, EigenFlag::tripleRoot, 3));
    EXPECT_TRUE(isCircularSection(Mat3{}, EigenFlag::distinct, 1));  // a zero eigenvector has no direction
}

}  // namespace
