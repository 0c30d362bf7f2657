#include "calc/strain_tensors.hpp"

#include <algorithm>
#include <cmath>
#include <span>

#include "LIBRARIES/math/eigen.hpp"
#include "calc/cell_geometry.hpp"
#include "calc/crystal_system.hpp"
#include "calc/strain.hpp"

namespace {

// Sums of the squared changes that the perturbed cells make.
struct EsdSums {
    Mat3 tensor;
    std::array<float, 3> values{};
    Mat3 vectors;
};

void addSquares(Mat3& sum, const Mat3& changed, const Mat3& reference) {
    for (std::size_t k = 0; k < 9; ++k) {
        const float d = changed.v[k] - reference.v[k];
        sum.v[k] += d * d;
    }
}

Mat3 rootsOverStep(const Mat3& sum) {
    Mat3 r;
    for (std::size_t k = 0; k < 9; ++k) r.v[k] = std::sqrt(sum.v[k]) / kStepFactor;
    return r;
}

// The six components as they change together: the off-diagonal ones as the mean of both halves.
std::array<double, 6> componentChanges(const Mat3& changed, const Mat3& reference) {
    const auto d = [&](int i, int j) {
        return static_cast<double>(changed(i, j)) - static_cast<double>(reference(i, j));
    };
    return {d(1, 1), d(2, 2), d(3, 3), 0.5 * (d(1, 2) + d(2, 1)), 0.5 * (d(1, 3) + d(3, 1)), 0.5 * (d(2, 3) + d(3, 2))};
}

}  // namespace

void StrainChangeMoments::add(const Mat3& changed, const Mat3& reference) {
    const std::array<double, 6> c = componentChanges(changed, reference);
    for (std::size_t k = 0; k < 6; ++k)
        for (std::size_t l = 0; l < 6; ++l) sums[k][l] += c[k] * c[l];
}

double StrainChangeMoments::esdAlong(const Vec3& n) const {
    // nT de n = sum of u_k de_k, u = (n1^2, n2^2, n3^2, 2 n1 n2, 2 n1 n3, 2 n2 n3).
    const double x = n[0], y = n[1], z = n[2];
    const std::array<double, 6> u = {x * x, y * y, z * z, 2.0 * x * y, 2.0 * x * z, 2.0 * y * z};
    double variance = 0.0;
    for (std::size_t k = 0; k < 6; ++k)
        for (std::size_t l = 0; l < 6; ++l) variance += u[k] * sums[k][l] * u[l];
    return std::sqrt(std::max(variance, 0.0)) / static_cast<double>(kStepFactor);
}

CellParameters perturbed(const UnitCell& cell, Move move) {
    CellParameters p = cell;
    auto step = [&](int k) { p[k] = cell[k] + kStepFactor * cell.esd[k]; };
    switch (move) {
        case Move::aWithB:
            step(0);
            p.b = p.a;  // b follows a; its own esd is not used
            break;
        case Move::abcTogether:
            step(0);
            step(1);
            step(2);
            break;
        default: step(static_cast<int>(move)); break;
    }
    return p;
}

void signMonoclinicEsds(const Mat3& v, Mat3& e) {
    const float n = v(1, 1) * e(1, 1);
    const float m = v(1, 3) * e(1, 3);
    // With M = 0 the quotient has no sign; take +1.
    const float s = (m != 0.0f && -n / m < 0.0f) ? -1.0f : 1.0f;
    const float e11 = e(1, 1), e13 = e(1, 3);
    e = Mat3{};
    e(1, 1) = e11;
    e(1, 3) = s * e13;
    e(3, 1) = s * e13;
    e(3, 3) = -e11;
}

void signTriclinicEsds(const Mat3& v, Mat3& e) {
    static constexpr float kSigns[4][2] = {{1, 1}, {-1, 1}, {-1, -1}, {1, -1}};
    for (int m = 1; m <= 3; ++m) {
        float best = 0.0f;
        int kept = 0;
        for (int k = 0; k < 4; ++k) {
            const float d = std::fabs(v(m, 1) * e(m, 1) + kSigns[k][0] * v(m, 2) * e(m, 2) +
                                      kSigns[k][1] * v(m, 3) * e(m, 3));
            if (k == 0 || d < best) {
                best = d;
                kept = k;
            }
        }
        e(m, 2) *= kSigns[kept][0];
        e(m, 3) *= kSigns[kept][1];
    }
}

StrainTensors strainTensorsBetween(const UnitCell& cell1, const UnitCell& cell2, StrainType strainType, CrystalSystem crystalSystem,
                                  AxialSet axisConvention, StrainChangeMoments* moments, EsdScope scope) {
    StrainTensors r;
    const Mat3 s1 = cell1.sMatrix(axisConvention);
    const Mat3 s2 = cell2.sMatrix(axisConvention);
    r.strainTensor = strainBetween(strainType, s1, s2);
    constrainTensor(r.strainTensor, crystalSystem);

    r.principalAxes = hasPrincipalAxes(crystalSystem);
    if (r.principalAxes) {
        const EigenResult eigen = eigenSystemOf(r.strainTensor);
        r.eigenValues = eigen.eigenValues;
        r.eigenVectors = eigen.eigenVectors;
        r.eigenFlag = eigen.eigenFlag;
    }

    // Each cell that carries esds, first then second: move its parameters one group at a time
    // and add up the squared changes of the strain and of its eigen decomposition.
    EsdSums sums;
    const UnitCell* cells[2] = {&cell1, &cell2};
    const bool decomposeMoved = r.principalAxes && scope == EsdScope::full;
    for (int which = 0; which < 2 && scope != EsdScope::none; ++which) {
        if (!cells[which]->hasEsds()) continue;
        ++r.esdCount;
        for (Move move : perturbationMoves(crystalSystem)) {
            const Mat3 moved = crystalAxesMatrix(perturbed(*cells[which], move), axisConvention);
            const Mat3 tensor = which == 0 ? strainBetween(strainType, moved, s2) : strainBetween(strainType, s1, moved);
            addSquares(sums.tensor, tensor, r.strainTensor);
            if (moments) moments->add(tensor, r.strainTensor);
            if (decomposeMoved) {
                const EigenResult eigen = eigenSystemOf(tensor);
                for (int m = 0; m < 3; ++m) {
                    const float d = eigen.eigenValues[m] - r.eigenValues[m];
                    sums.values[m] += d * d;
                }
                addSquares(sums.vectors, eigen.eigenVectors, r.eigenVectors);
            }
        }
    }
    r.esdTensor = rootsOverStep(sums.tensor);
    constrainTensor(r.esdTensor, crystalSystem);

    if (r.principalAxes) {
        for (int m = 0; m < 3; ++m) r.eigenValueEsds[m] = std::sqrt(sums.values[m]) / kStepFactor;
        r.eigenVectorEsds = rootsOverStep(sums.vectors);
        if (crystalSystem == CrystalSystem::monoclinic) signMonoclinicEsds(r.eigenVectors, r.eigenVectorEsds);
        else signTriclinicEsds(r.eigenVectors, r.eigenVectorEsds);
        r.referenceSMatrix = isEulerian(strainType) ? s2 : s1;
    }
    return r;
}
