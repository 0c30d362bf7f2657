#include "fit/cell_volume.hpp"

#include <array>
#include <cmath>
#include <numbers>

#include "calc/crystal_system.hpp"

VolumeWithEsd volumeOf(const UnitCell& cell, CrystalSystem system) {
    const double a = cell.a, b = cell.b, c = cell.c;
    constexpr double kRadian = std::numbers::pi / 180.0;
    std::array<double, 3> cosines{}, sines{};
    for (int k = 0; k < 3; ++k) {
        cosines[static_cast<std::size_t>(k)] = std::cos(cell[3 + k] * kRadian);
        sines[static_cast<std::size_t>(k)] = std::sin(cell[3 + k] * kRadian);
    }
    // V = abc sqrt(D), D = 1 - cos²α - cos²β - cos²γ + 2 cosα cosβ cosγ.
    const double d = 1.0 - cosines[0] * cosines[0] - cosines[1] * cosines[1] - cosines[2] * cosines[2] +
                     2.0 * cosines[0] * cosines[1] * cosines[2];
    VolumeWithEsd r;
    if (!(d > 0.0)) return r;
    const double root = std::sqrt(d);
    r.volume = a * b * c * root;
    // dV/dp for a, b, c and (per degree) alpha, beta, gamma: dV/dalpha = abc sin(alpha)
    // (cos(alpha) - cos(beta) cos(gamma)) / sqrt(D), and cyclically.
    std::array<double, 6> partial{r.volume / a, r.volume / b, r.volume / c, 0.0, 0.0, 0.0};
    for (std::size_t k = 0; k < 3; ++k)
        partial[3 + k] = a * b * c * sines[k] * (cosines[k] - cosines[(k + 1) % 3] * cosines[(k + 2) % 3]) / root * kRadian;
    double variance = 0.0;
    for (const Move move : perturbationMoves(system)) {
        double term = 0.0;
        switch (move) {
            case Move::aWithB: term = (partial[0] + partial[1]) * cell.esd.a; break;
            case Move::abcTogether: term = (partial[0] + partial[1] + partial[2]) * cell.esd.a; break;
            default: {
                const int k = static_cast<int>(move);
                term = partial[static_cast<std::size_t>(k)] * cell.esd[k];
                break;
            }
        }
        variance += term * term;
    }
    r.esd = std::sqrt(variance);
    return r;
}
