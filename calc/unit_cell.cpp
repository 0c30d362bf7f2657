#include "calc/unit_cell.hpp"

#include <cmath>

#include "calc/cell_geometry.hpp"
#include "calc/crystal_system.hpp"

namespace {

// The volume and its esd come from the same cosines and sines.
struct VolumeTerms {
    std::array<float, 3> cosines{};
    std::array<float, 3> sines{};
    float root = 0.0f;  // sqrt(1 - cos²α - cos²β - cos²γ + 2 cosα cosβ cosγ)
};

VolumeTerms volumeTerms(const CellParameters& cell) {
    VolumeTerms t;
    for (int k = 0; k < 3; ++k) {
        t.cosines[k] = std::cos(cell[3 + k] * kDegToRad);
        t.sines[k] = std::sin(cell[3 + k] * kDegToRad);
    }
    const float d = UnitCell::unitMetricDeterminant(t.cosines[0], t.cosines[1], t.cosines[2]);
    // A valid cell has d > 0; the guard keeps a degenerate one from giving NaN.
    t.root = d > 0.0f ? std::sqrt(d) : 0.0f;
    return t;
}

}  // namespace

bool UnitCell::hasEsds() const {
    constexpr float kEsdPresentLimit = 1e-6f;  // esds summing to no more than this count as absent
    float sum = 0.0f;
    for (int k = 0; k < 6; ++k) sum += std::fabs(esd[k]);
    return sum > kEsdPresentLimit;
}

float UnitCell::volume() const { return a * b * c * volumeTerms(*this).root; }

float UnitCell::volumeEsd(CrystalSystem system) const {
    const VolumeTerms t = volumeTerms(*this);
    if (t.root == 0.0f) return 0.0f;
    // In double: the squared terms of a cell with large esds overflow single precision long
    // before the esd itself does. The result is rounded once.
    const double abc = static_cast<double>(a) * b * c;
    const double v = abc * t.root;
    // ∂V/∂a = V/a, and so for b and c (per unit of length); ∂V/∂α = abc sinα (cosα - cosβ cosγ) /
    // sqrt(d), and cyclically for β and γ (per degree).
    std::array<double, 6> partial{v / a, v / b, v / c, 0.0, 0.0, 0.0};
    for (int k = 0; k < 3; ++k) {
        const double own = t.cosines[k];
        const double others = static_cast<double>(t.cosines[(k + 1) % 3]) * t.cosines[(k + 2) % 3];
        partial[static_cast<std::size_t>(3 + k)] = abc * t.sines[k] * (own - others) / t.root * kDegToRad;
    }
    double variance = 0.0;
    for (const Move move : perturbationMoves(system)) {
        double term = 0.0;
        switch (move) {
            case Move::aWithB: term = (partial[0] + partial[1]) * esd.a; break;
            case Move::abcTogether: term = (partial[0] + partial[1] + partial[2]) * esd.a; break;
            default: term = partial[static_cast<std::size_t>(move)] * esd[static_cast<int>(move)]; break;
        }
        variance += term * term;
    }
    return static_cast<float>(std::sqrt(variance));
}

CellParameters UnitCell::reciprocal() const {
    const CellParametersRadians inRadians = reciprocalCellOf(*this);
    CellParameters r;
    for (int k = 0; k < 6; ++k) r[k] = k < 3 ? inRadians[k] : inRadians[k] / kDegToRad;
    return r;
}

Mat3 UnitCell::sMatrix(AxialSet axisConvention) const { return crystalAxesMatrix(*this, axisConvention); }
