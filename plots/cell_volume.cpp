#include "plots/cell_volume.hpp"

#include <cmath>

#include "calc/cell_geometry.hpp"

VolumeWithEsd cellVolume(const std::array<float, 6>& cell, const std::array<float, 6>& sigCell) {
    const float a = cell[0], b = cell[1], c = cell[2];
    std::array<float, 3> cosines{};
    std::array<float, 3> sines{};
    for (int k = 0; k < 3; ++k) {
        cosines[k] = std::cos(cell[3 + k] * kDegToRad);
        sines[k] = std::sin(cell[3 + k] * kDegToRad);
    }
    const float ca = cosines[0], cb = cosines[1], cg = cosines[2];
    const float d = 1.0f - ca * ca - cb * cb - cg * cg + 2.0f * ca * cb * cg;
    // A cell that passed validation has d > 0; the guard keeps a degenerate one from giving NaN.
    const float root = d > 0.0f ? std::sqrt(d) : 0.0f;
    const float abc = a * b * c;
    VolumeWithEsd v;
    v.volume = abc * root;
    if (root == 0.0f) return v;

    float variance = 0.0f;
    const std::array<float, 3> edgeTerms{v.volume / a * sigCell[0], v.volume / b * sigCell[1],
                                         v.volume / c * sigCell[2]};
    for (const float term : edgeTerms) variance += term * term;
    // ∂V/∂α = abc sinα (cosα - cosβ cosγ) / sqrt(d), and cyclically for β and γ.
    for (int k = 0; k < 3; ++k) {
        const float own = cosines[k];
        const float others = cosines[(k + 1) % 3] * cosines[(k + 2) % 3];
        const float term = abc * sines[k] * (own - others) / root * (sigCell[3 + k] * kDegToRad);
        variance += term * term;
    }
    v.esd = std::sqrt(variance);
    return v;
}
