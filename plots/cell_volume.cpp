#include "plots/cell_volume.hpp"

#include <cmath>

#include "calc/cell_geometry.hpp"

VolumeWithEsd cellVolume(const std::array<float, 6>& cell, const std::array<float, 6>& sigCell) {
    // In double: the terms of the esd square products of edges, which single precision cannot
    // hold for the largest cells a run accepts. The result is rounded once to float.
    const double a = cell[0], b = cell[1], c = cell[2];
    std::array<double, 3> cosines{};
    std::array<double, 3> sines{};
    for (int k = 0; k < 3; ++k) {
        cosines[k] = std::cos(cell[3 + k] * kDegToRad);
        sines[k] = std::sin(cell[3 + k] * kDegToRad);
    }
    const double ca = cosines[0], cb = cosines[1], cg = cosines[2];
    const double d = 1.0 - ca * ca - cb * cb - cg * cg + 2.0 * ca * cb * cg;
    // A cell that passed validation has d > 0; the guard keeps a degenerate one from giving NaN.
    const double root = d > 0.0 ? std::sqrt(d) : 0.0;
    const double abc = a * b * c;
    const double volume = abc * root;
    VolumeWithEsd v;
    v.volume = static_cast<float>(volume);
    if (root == 0.0) return v;

    double variance = 0.0;
    const std::array<double, 3> edgeTerms{volume / a * sigCell[0], volume / b * sigCell[1], volume / c * sigCell[2]};
    for (const double term : edgeTerms) variance += term * term;
    // ∂V/∂α = abc sinα (cosα - cosβ cosγ) / sqrt(d), and cyclically for β and γ.
    for (int k = 0; k < 3; ++k) {
        const double own = cosines[k];
        const double others = cosines[(k + 1) % 3] * cosines[(k + 2) % 3];
        const double term = abc * sines[k] * (own - others) / root * static_cast<double>(sigCell[3 + k] * kDegToRad);
        variance += term * term;
    }
    v.esd = static_cast<float>(std::sqrt(variance));
    return v;
}
