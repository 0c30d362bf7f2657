#include "calc/strain.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "calc/cell_geometry.hpp"
#include "../test_names.hpp"

namespace {

// Diagonal element of each strain type for a cell whose edges all scale by lambda.
double scaledStrain(int type, double lambda) {
    switch (type) {
        case 1: return 1.0 / (2 * lambda * lambda) - 2.0 / lambda + 1.5;
        case 2: return 1.0 - 1.0 / lambda;
        case 3: return (lambda * lambda - 1.0) / 2.0;
        default: return lambda - 1.0;
    }
}

struct ScaleCase {
    int type;
    int convention;
    float lambda;
};

void PrintTo(const ScaleCase& c, std::ostream* os) {
    static const char* const kTypes[] = {"finite Eulerian", "infinitesimal Eulerian", "finite Lagrangian",
                                         "infinitesimal Lagrangian"};
    *os << kTypes[c.type - 1] << " axes" << c.convention << (c.lambda > 1.0f ? " grown" : " shrunk");
}

class ScaledCell : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(ScaledCell, IsotropicOfKnownSize) {
    const auto [type, convention, lambda] = GetParam();
    const CellParameters before{6.1819f, 10.82869f, 17.41192f, 76.86754f, 84.46139f, 81.5794f};
    CellParameters after = before;
    for (int k = 0; k < 3; ++k) after[k] = before[k] * lambda;
    const Mat3 e = strainBetween(StrainType{type}, crystalAxesMatrix(before, AxialSet{convention}), crystalAxesMatrix(after, AxialSet{convention}));
    for (int i = 1; i <= 3; ++i) {
        for (int j = 1; j <= 3; ++j) {
            const double expected = i == j ? scaledStrain(type, lambda) : 0.0;
            EXPECT_NEAR(e(i, j), expected, 2e-6) << "type " << type << " element " << i << j;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Strain, ScaledCell,
                         ::testing::Values(ScaleCase{1, 1, 1.01f}, ScaleCase{2, 2, 1.01f}, ScaleCase{3, 3, 1.01f},
                                           ScaleCase{4, 1, 1.01f}, ScaleCase{1, 3, 0.9f}, ScaleCase{2, 1, 0.9f},
                                           ScaleCase{3, 2, 0.9f}, ScaleCase{4, 3, 0.9f}),
                         testing_support::PrintedName());

TEST(Strain, StatedValuesForOnePerCentAndMinusTenPerCent) {
    // The four measures for lambda = 1.01 and 0.9, as printed to six or seven decimals.
    const double at101[] = {0.0099500, 0.0099010, 0.0100500, 0.0100000};
    const double at09[] = {-0.104938, -0.111111, -0.095000, -0.100000};
    for (int type = 1; type <= 4; ++type) {
        EXPECT_NEAR(scaledStrain(type, 1.01), at101[type - 1], 5e-8);
        EXPECT_NEAR(scaledStrain(type, 0.9), at09[type - 1], 5e-7);
    }
}

TEST(Strain, OnlyAChangesInAnOrthogonalCell) {
    const CellParameters before{4, 5, 6, 90, 90, 90};
    const CellParameters after{4.04f, 5, 6, 90, 90, 90};
    for (int convention = 1; convention <= 3; ++convention) {
        for (int type = 1; type <= 4; ++type) {
            const Mat3 e = strainBetween(StrainType{type}, crystalAxesMatrix(before, AxialSet{convention}), crystalAxesMatrix(after, AxialSet{convention}));
            EXPECT_NEAR(e(1, 1), scaledStrain(type, 4.04 / 4.0), 1e-6);
            for (std::size_t k = 1; k < 9; ++k) EXPECT_NEAR(e.v[k], 0.0, 1e-6);  // all but (1,1)
        }
    }
}

TEST(Strain, IdenticalCellsAndSymmetry) {
    const CellParameters c{6.1819f, 10.82869f, 17.41192f, 76.86754f, 84.46139f, 81.5794f};
    const CellParameters d{6.2519f, 10.84988f, 17.48693f, 76.91784f, 83.97686f, 81.14077f};
    for (int type = 1; type <= 4; ++type) {
        const Mat3 zero = strainBetween(StrainType{type}, crystalAxesMatrix(c, AxialSet{1}), crystalAxesMatrix(c, AxialSet{1}));
        for (float x : zero.v) EXPECT_NEAR(x, 0.0f, 1e-6f);
        const Mat3 e = strainBetween(StrainType{type}, crystalAxesMatrix(c, AxialSet{1}), crystalAxesMatrix(d, AxialSet{1}));
        for (int i = 1; i <= 3; ++i) {
            for (int j = 1; j <= 3; ++j) {
                if (type == 1) EXPECT_NEAR(e(i, j), e(j, i), 1e-7f);
                else EXPECT_EQ(e(i, j), e(j, i));
            }
        }
    }
}

TEST(Strain, FiniteEulerianIsTheStatedExpression) {
    // 0.5 D D^T - D - D^T + 1.5 I, not 0.5 (I - D D^T): the two differ at second order.
    const CellParameters before{5, 5, 5, 90, 90, 90};
    const CellParameters after{5.5f, 5, 5, 90, 90, 90};
    const Mat3 e = strainBetween(StrainType{1}, crystalAxesMatrix(before, AxialSet{1}), crystalAxesMatrix(after, AxialSet{1}));
    const double d = 5.0 / 5.5;
    EXPECT_NEAR(e(1, 1), 0.5 * d * d - 2 * d + 1.5, 1e-6);
    EXPECT_GT(std::fabs(e(1, 1) - 0.5 * (1 - d * d)), 1e-3);
}

}  // namespace
