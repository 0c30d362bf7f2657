#include "calc/cell_geometry.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {


// Rows of S reproduce the cell: lengths are the edges, scalar products the metric tensor.
void expectReproducesCell(const Mat3& s, const CellParameters& c) {
    const auto dot = [&](int i, int j) {
        return double(s(i, 1)) * s(j, 1) + double(s(i, 2)) * s(j, 2) + double(s(i, 3)) * s(j, 3);
    };
    const auto cosd = [](float deg) { return std::cos(deg * std::numbers::pi / 180.0); };
    for (int i = 1; i <= 3; ++i) EXPECT_NEAR(std::sqrt(dot(i, i)), c[i - 1], 2e-5 * c[i - 1]);
    EXPECT_NEAR(dot(1, 2), c[0] * c[1] * cosd(c[5]), 1e-4);
    EXPECT_NEAR(dot(1, 3), c[0] * c[2] * cosd(c[4]), 1e-4);
    EXPECT_NEAR(dot(2, 3), c[1] * c[2] * cosd(c[3]), 1e-4);
}

class AllConventions : public ::testing::TestWithParam<int> {};

TEST_P(AllConventions, OrthogonalCellGivesEdgesOnTheDiagonal) {
    const CellParameters c{4.1f, 5.2f, 6.3f, 90, 90, 90};
    const Mat3 s = crystalAxesMatrix(c, AxialSet{GetParam()});
    for (int i = 1; i <= 3; ++i) {
        for (int j = 1; j <= 3; ++j) {
            if (i == j) EXPECT_FLOAT_EQ(s(i, j), c[i - 1]);
            else EXPECT_LT(std::fabs(s(i, j)), 1e-6f) << i << "," << j;
        }
    }
    const CellParametersRadians r = reciprocalCellOf(c);
    for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(r[k], 1.0f / c[k]);
    for (int k = 3; k < 6; ++k) EXPECT_NEAR(r[k], std::numbers::pi / 2, 1e-6);
}

TEST_P(AllConventions, TriclinicRowsReproduceTheCell) {
    const CellParameters c{6.1819f, 10.82869f, 17.41192f, 76.86754f, 84.46139f, 81.5794f};
    expectReproducesCell(crystalAxesMatrix(c, AxialSet{GetParam()}), c);
}

TEST_P(AllConventions, MonoclinicCell) {
    const CellParameters c{6.6985f, 11.5782f, 6.5554f, 90, 78.522f, 90};
    const Mat3 s = crystalAxesMatrix(c, AxialSet{GetParam()});
    expectReproducesCell(s, c);
    const CellParametersRadians r = reciprocalCellOf(c);
    EXPECT_NEAR(r[5], std::numbers::pi / 2, 1e-6);                        // gamma* = 90
    EXPECT_NEAR(r[4], (180.0 - 78.522) * std::numbers::pi / 180.0, 1e-5);  // beta* = 180 - beta
    if (GetParam() != 2) {
        // a lies in the XZ plane, b along Y, c along Z
        EXPECT_NEAR(s(1, 1), c[0] * std::sin(78.522 * std::numbers::pi / 180.0), 1e-5);
        EXPECT_NEAR(s(1, 3), c[0] * std::cos(78.522 * std::numbers::pi / 180.0), 1e-5);
        EXPECT_NEAR(s(2, 2), c[1], 1e-5);
        EXPECT_FLOAT_EQ(s(3, 3), c[2]);
    }
}

// Each case named by its axial set: X//a*, Z//c; Y//b, Z//c*; X//a*, Y//b.
std::string axialSetName(const ::testing::TestParamInfo<int>& convention) {
    static const char* const kNames[] = {"XaStarZc", "YbZcStar", "XaStarYb"};
    return kNames[convention.param - 1];
}

INSTANTIATE_TEST_SUITE_P(CellGeometry, AllConventions, ::testing::Values(1, 2, 3), axialSetName);

TEST(CellGeometry, FixedElementsOfEachConvention) {
    const CellParameters c{6.1819f, 10.82869f, 17.41192f, 76.86754f, 84.46139f, 81.5794f};
    const Mat3 s1 = crystalAxesMatrix(c, AxialSet{1});
    EXPECT_EQ(s1(2, 1), 0.0f);
    EXPECT_EQ(s1(3, 1), 0.0f);
    EXPECT_EQ(s1(3, 2), 0.0f);
    EXPECT_EQ(s1(3, 3), c[2]);  // c is copied, not computed
    for (int code : {2, 3}) {
        const Mat3 s = crystalAxesMatrix(c, AxialSet{code});
        EXPECT_EQ(s(2, 1), 0.0f);
        EXPECT_EQ(s(2, 2), c[1]);
        EXPECT_EQ(s(2, 3), 0.0f);
    }
    EXPECT_EQ(crystalAxesMatrix(c, AxialSet{2})(1, 3), 0.0f);
    EXPECT_EQ(crystalAxesMatrix(c, AxialSet{3})(3, 1), 0.0f);
}

TEST(CellGeometry, NinetyDegreeCutOff) {
    // A reciprocal angle whose cosine is just below 1e-4 counts as 90 degrees: the X component
    // of a under convention 1 is then exactly a sin(beta).
    const float nearly = 90.0f - 0.005f;
    const CellParameters c{5, 6, 7, 90, 90, nearly};
    const Mat3 s = crystalAxesMatrix(c, AxialSet{1});
    EXPECT_EQ(s(1, 2), 0.0f);
    const CellParameters far{5, 6, 7, 90, 90, 89.9f};
    EXPECT_NE(crystalAxesMatrix(far, AxialSet{1})(1, 2), 0.0f);
}

// The volume in double precision, as an independent reference for the propagated esd.
double volumeOf(const std::array<double, 6>& c) {
    const double k = std::numbers::pi / 180.0;
    const double ca = std::cos(c[3] * k), cb = std::cos(c[4] * k), cg = std::cos(c[5] * k);
    return c[0] * c[1] * c[2] * std::sqrt(1.0 - ca * ca - cb * cb - cg * cg + 2.0 * ca * cb * cg);
}

TEST(UnitCellVolume, EsdIsTheFirstOrderPropagationOfTheSixEsds) {
    const struct {
        std::array<float, 6> cell;
        std::array<float, 6> esd;
    } cases[] = {
        {{5.0f, 5.0f, 5.0f, 90.0f, 90.0f, 90.0f}, {0.01f, 0.01f, 0.01f, 0.0f, 0.0f, 0.0f}},
        {{4.1f, 7.3f, 9.9f, 90.0f, 104.5f, 90.0f}, {0.002f, 0.003f, 0.004f, 0.0f, 0.05f, 0.0f}},
        {{6.18190f, 10.82869f, 17.41192f, 76.86754f, 84.46139f, 81.57940f},
         {0.00381f, 0.00209f, 0.00267f, 0.00944f, 0.03513f, 0.04218f}},
        {{3.0f, 3.0f, 3.0f, 60.0f, 60.0f, 60.0f}, {0.0f, 0.0f, 0.0f, 0.1f, 0.1f, 0.1f}},
    };
    for (const auto& c : cases) {
        std::array<double, 6> cell{};
        for (int k = 0; k < 6; ++k) cell[k] = c.cell[k];
        double variance = 0.0;
        for (int k = 0; k < 6; ++k) {
            // Central difference of the double-precision volume.
            const double h = k < 3 ? 1e-6 * cell[k] : 1e-5;
            std::array<double, 6> up = cell, down = cell;
            up[k] += h;
            down[k] -= h;
            const double derivative = (volumeOf(up) - volumeOf(down)) / (2.0 * h);
            variance += derivative * c.esd[k] * derivative * c.esd[k];
        }
        UnitCell unitCell;
        for (int k = 0; k < 6; ++k) {
            unitCell[k] = c.cell[k];
            unitCell.esd[k] = c.esd[k];
        }
        EXPECT_NEAR(unitCell.volume(), volumeOf(cell), 1e-5 * volumeOf(cell));
        EXPECT_NEAR(unitCell.volumeEsd(), std::sqrt(variance), 1e-3 * std::sqrt(variance) + 1e-6);
    }
}

// Parameters that a crystal system ties together move as one: a cubic cell's V = a^3 has the
// esd 3a^2 σ(a), not the sqrt(3) a^2 σ(a) of three independent edges.
TEST(UnitCellVolume, EsdOfTiedParametersMovesThemTogether) {
    const UnitCell cubic{{4.2f, 4.2f, 4.2f, 90, 90, 90}, {0.001f, 0.001f, 0.001f, 0, 0, 0}};
    EXPECT_NEAR(cubic.volumeEsd(CrystalSystem::cubic), 3.0 * 4.2 * 4.2 * 0.001, 1e-6);
    EXPECT_NEAR(cubic.volumeEsd(), std::sqrt(3.0) * 4.2 * 4.2 * 0.001, 1e-6);
    // Hexagonal: V = (sqrt(3)/2) a^2 c, a and b as one.
    const UnitCell hexagonal{{3.0f, 3.0f, 5.0f, 90, 90, 120}, {0.002f, 0.002f, 0.003f, 0, 0, 0}};
    const double dVda = std::sqrt(3.0) * 3.0 * 5.0, dVdc = std::sqrt(3.0) / 2.0 * 9.0;
    EXPECT_NEAR(hexagonal.volumeEsd(CrystalSystem::hexagonal), std::hypot(dVda * 0.002, dVdc * 0.003), 1e-5);
}

}  // namespace
