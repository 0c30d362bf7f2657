#include "calc/strain_tensors.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "LIBRARIES/math/eigen.hpp"
#include "calc/crystal_system.hpp"
#include "calc/strain.hpp"

namespace {

const CellParameters kTriclinic1{6.1819f, 10.82869f, 17.41192f, 76.86754f, 84.46139f, 81.5794f};
const CellParameters kTriclinic2{6.2519f, 10.84988f, 17.48693f, 76.91784f, 83.97686f, 81.14077f};
const CellParameters kSigmas{0.00381f, 0.00209f, 0.00267f, 0.00944f, 0.03513f, 0.04218f};

UnitCell cellOf(const CellParameters& parameters, const CellParameters& esd = {}) { return {parameters, esd}; }

TEST(FixTensor, ConstraintsOfEachSystem) {
    Mat3 t;
    for (std::size_t k = 0; k < 9; ++k) t.v[k] = static_cast<float>(k + 1);  // (i,j) = 3(j-1) + i
    Mat3 none = t;
    constrainTensor(none, CrystalSystem::none);
    EXPECT_EQ(none, t);  // not even made symmetric

    Mat3 mono = t;
    constrainTensor(mono, CrystalSystem::monoclinic);
    EXPECT_EQ(mono(1, 2), 0.0f);
    EXPECT_EQ(mono(2, 3), 0.0f);
    EXPECT_EQ(mono(3, 2), 0.0f);
    EXPECT_EQ(mono(2, 1), 0.0f);
    EXPECT_EQ(mono(1, 3), t(1, 3));
    EXPECT_EQ(mono(3, 1), t(1, 3));  // the upper triangle wins

    Mat3 tetra = t;
    constrainTensor(tetra, CrystalSystem::tetragonal);
    EXPECT_EQ(tetra(1, 1), (t(1, 1) + t(2, 2)) / 2);
    EXPECT_EQ(tetra(2, 2), tetra(1, 1));
    EXPECT_EQ(tetra(3, 3), t(3, 3));
    EXPECT_EQ(tetra(1, 3), 0.0f);

    Mat3 cubic = t;
    constrainTensor(cubic, CrystalSystem::cubic);
    const float mean = (t(1, 1) + t(2, 2) + t(3, 3)) / 3;
    EXPECT_EQ(cubic, (Mat3{{mean, 0, 0, 0, mean, 0, 0, 0, mean}}));
}

TEST(StrainTensors, EsdOfOneParameterIsTheChangeOverTheStep) {
    UnitCell first = cellOf(kTriclinic1);
    first.esd.a = 0.004f;
    const StrainTensors r = strainTensorsBetween(first, cellOf(kTriclinic2), StrainType::finiteEulerian, CrystalSystem::none, AxialSet::xAStarZC);
    CellParameters moved = kTriclinic1;
    moved[0] = kTriclinic1[0] + 0.1f * 0.004f;
    const Mat3 changed = strainBetween(StrainType::finiteEulerian, cellOf(moved).sMatrix(AxialSet::xAStarZC),
                                     cellOf(kTriclinic2).sMatrix(AxialSet::xAStarZC));
    for (std::size_t k = 0; k < 9; ++k) {
        EXPECT_FLOAT_EQ(r.esdTensor.v[k], std::fabs(changed.v[k] - r.strainTensor.v[k]) / 0.1f);
    }
    EXPECT_EQ(r.esdCount, 1);
}

TEST(StrainTensors, NoEsdsGiveZeros) {
    const StrainTensors r = strainTensorsBetween(cellOf(kTriclinic1), cellOf(kTriclinic2), StrainType::finiteEulerian, CrystalSystem::none, AxialSet::xAStarZC);
    EXPECT_EQ(r.esdCount, 0);
    EXPECT_EQ(r.esdTensor, Mat3{});
    EXPECT_EQ(r.eigenVectorEsds, Mat3{});
    EXPECT_EQ(r.eigenValueEsds, (std::array<float, 3>{}));
}

TEST(StrainTensors, TetragonalIgnoresSigmaBAndAveragesTheEsds) {
    const CellParameters a{4.17755f, 4.17755f, 2.66518f, 90, 90, 90};
    const CellParameters b{4.17119f, 4.17119f, 2.66356f, 90, 90, 90};
    const CellParameters sig{0.00016f, 0.00016f, 0.00034f, 0, 0, 0};
    CellParameters otherSigB = sig;
    otherSigB[1] = 0.5f;
    const StrainTensors r = strainTensorsBetween(cellOf(a, sig), cellOf(b, sig), StrainType::finiteLagrangian, CrystalSystem::tetragonal, AxialSet::xAStarYB);
    const StrainTensors r2 = strainTensorsBetween(cellOf(a, otherSigB), cellOf(b, otherSigB), StrainType::finiteLagrangian, CrystalSystem::tetragonal, AxialSet::xAStarYB);
    EXPECT_EQ(r.esdTensor, r2.esdTensor);
    EXPECT_EQ(r.esdTensor(1, 1), r.esdTensor(2, 2));
    EXPECT_GT(r.esdTensor(1, 1), 0.0f);
    EXPECT_FALSE(r.principalAxes);
}

TEST(StrainTensors, CubicEsdsAreEqualOnTheDiagonal) {
    const CellParameters a{4.2f, 4.2f, 4.2f, 90, 90, 90};
    const CellParameters b{4.21f, 4.21f, 4.21f, 90, 90, 90};
    const CellParameters sig{0.001f, 0.001f, 0.001f, 0, 0, 0};
    const StrainTensors r = strainTensorsBetween(cellOf(a, sig), cellOf(b, sig), StrainType::finiteEulerian, CrystalSystem::cubic, AxialSet::xAStarZC);
    EXPECT_GT(r.esdTensor(1, 1), 0.0f);
    EXPECT_EQ(r.esdTensor(1, 1), r.esdTensor(2, 2));
    EXPECT_EQ(r.esdTensor(1, 1), r.esdTensor(3, 3));
    for (int i = 1; i <= 3; ++i) {
        for (int j = 1; j <= 3; ++j) {
            if (i != j) {
                EXPECT_EQ(r.esdTensor(i, j), 0.0f);
            }
        }
    }
    EXPECT_EQ(r.strainTensor(1, 1), r.strainTensor(3, 3));
}

TEST(StrainTensors, MonoclinicPattern) {
    const CellParameters a{6.6985f, 11.5782f, 6.5554f, 90, 78.522f, 90};
    const CellParameters b{6.6934f, 11.5391f, 6.5661f, 90, 78.521f, 90};
    const CellParameters sig{0.001f, 0.002f, 0.0015f, 0, 0.01f, 0};
    const StrainTensors r = strainTensorsBetween(cellOf(a, sig), cellOf(b, sig), StrainType::infinitesimalEulerian, CrystalSystem::monoclinic, AxialSet::xAStarZC);
    ASSERT_TRUE(r.principalAxes);
    const Mat3& s = r.strainTensor;
    EXPECT_EQ(s(1, 2), 0.0f);
    EXPECT_EQ(s(2, 1), 0.0f);
    EXPECT_EQ(s(2, 3), 0.0f);
    EXPECT_EQ(s(3, 2), 0.0f);
    EXPECT_EQ(s(3, 1), s(1, 3));
    const Mat3& e = r.eigenVectorEsds;
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(e(2, k), 0.0f);
        EXPECT_EQ(e(k, 2), 0.0f);
    }
    EXPECT_EQ(e(3, 3), -e(1, 1));
    EXPECT_EQ(e(3, 1), e(1, 3));
    EXPECT_GT(e(1, 1), 0.0f);
}

TEST(StrainTensors, TriclinicSignsMakeEachEsdRowNearlyPerpendicular) {
    const StrainTensors r = strainTensorsBetween(cellOf(kTriclinic1, kSigmas), cellOf(kTriclinic2, kSigmas), StrainType::finiteEulerian, CrystalSystem::none, AxialSet::xAStarZC);
    ASSERT_EQ(r.eigenFlag, EigenFlag::distinct);
    for (int m = 1; m <= 3; ++m) {
        EXPECT_GE(r.eigenVectorEsds(m, 1), 0.0f);
        const float chosen = std::fabs(r.eigenVectors(m, 1) * r.eigenVectorEsds(m, 1) +
                                       r.eigenVectors(m, 2) * r.eigenVectorEsds(m, 2) +
                                       r.eigenVectors(m, 3) * r.eigenVectorEsds(m, 3));
        for (float s2 : {1.0f, -1.0f}) {
            for (float s3 : {1.0f, -1.0f}) {
                const float other = std::fabs(r.eigenVectors(m, 1) * r.eigenVectorEsds(m, 1) +
                                              s2 * r.eigenVectors(m, 2) * r.eigenVectorEsds(m, 2) +
                                              s3 * r.eigenVectors(m, 3) * r.eigenVectorEsds(m, 3));
                EXPECT_LE(chosen, other * (1 + 1e-6f) + 1e-12f);
            }
        }
    }
}

TEST(StrainTensors, MonoclinicSignWithZeroM) {
    Mat3 v = Mat3::identity();
    Mat3 e;
    e(1, 1) = 0.2f;
    e(1, 3) = 0.3f;  // V(1,3) = 0, so M = 0: the sign is +1
    signMonoclinicEsds(v, e);
    EXPECT_EQ(e(1, 3), 0.3f);
    EXPECT_EQ(e(3, 1), 0.3f);
    EXPECT_EQ(e(3, 3), -0.2f);
}

TEST(StrainTensors, ReferenceCellFollowsTheStrainType) {
    const UnitCell first = cellOf(kTriclinic1), second = cellOf(kTriclinic2);
    EXPECT_EQ(strainTensorsBetween(first, second, StrainType::finiteEulerian, CrystalSystem::none, AxialSet::yBZCStar).referenceSMatrix, second.sMatrix(AxialSet::yBZCStar));
    EXPECT_EQ(strainTensorsBetween(first, second, StrainType::infinitesimalEulerian, CrystalSystem::none, AxialSet::yBZCStar).referenceSMatrix, second.sMatrix(AxialSet::yBZCStar));
    EXPECT_EQ(strainTensorsBetween(first, second, StrainType::finiteLagrangian, CrystalSystem::none, AxialSet::yBZCStar).referenceSMatrix, first.sMatrix(AxialSet::yBZCStar));
    EXPECT_EQ(strainTensorsBetween(first, second, StrainType::infinitesimalLagrangian, CrystalSystem::none, AxialSet::yBZCStar).referenceSMatrix, first.sMatrix(AxialSet::yBZCStar));
}

TEST(StrainTensors, IdenticalCellsAreIsotropic) {
    const StrainTensors r = strainTensorsBetween(cellOf(kTriclinic1), cellOf(kTriclinic1), StrainType::finiteEulerian, CrystalSystem::none, AxialSet::xAStarZC);
    EXPECT_EQ(r.eigenFlag, EigenFlag::tripleRoot);
}

}  // namespace
