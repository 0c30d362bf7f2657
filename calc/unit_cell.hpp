#pragma once
// A unit cell with its esds, and what follows from it: volume, reciprocal cell, S-matrix.
#include <array>
#include <numbers>

#include "LIBRARIES/math/mat3.hpp"
#include "calc/options.hpp"

constexpr float kDegToRad = std::numbers::pi_v<float> / 180.0f;  // 0.017453292f

// Six lattice parameters, or their esds: edges, then interaxial angles in degrees (or, for a
// reciprocal cell from CELL_TO_RECIP, in radians).
struct CellParameters {
    float a = 0.0f;
    float b = 0.0f;
    float c = 0.0f;
    float alpha = 0.0f;
    float beta = 0.0f;
    float gamma = 0.0f;

    // Parameter k in the order a, b, c, alpha, beta, gamma (k from 0).
    float& operator[](int k) { return this->*kMembers[k]; }
    float operator[](int k) const { return this->*kMembers[k]; }
    std::array<float, 6> values() const { return {a, b, c, alpha, beta, gamma}; }
    friend constexpr bool operator==(const CellParameters&, const CellParameters&) = default;

private:
    static constexpr float CellParameters::*kMembers[6] = {&CellParameters::a,     &CellParameters::b,
                                                           &CellParameters::c,     &CellParameters::alpha,
                                                           &CellParameters::beta,  &CellParameters::gamma};
};
static_assert(sizeof(CellParameters) == 6 * sizeof(float), "six floats, no padding: keyed by their bits");

struct UnitCell : CellParameters {
    CellParameters esd;

    // A cell carries esds when those of its six parameters add up to more than a rounding residue.
    bool hasEsds() const;

    // V = abc sqrt(1 - cos²α - cos²β - cos²γ + 2 cosα cosβ cosγ).
    float volume() const;
    // By first-order propagation of the parameter esds, σ(V)² = Σ (∂V/∂p · σ(p))², over the groups
    // of parameters that the crystal system moves together (a cubic cell's a, b and c as one), as
    // the strain esds are estimated; with no system every parameter is independent.
    float volumeEsd(CrystalSystem system = CrystalSystem::none) const;

    // a*, b*, c* and alpha*, beta*, gamma* in degrees.
    CellParameters reciprocal() const;

    // Row i is crystal axis i (a, b, c) as a vector on X, Y, Z.
    Mat3 sMatrix(AxialSet axisConvention) const;
};
