#pragma once
// A unit cell with its esds, and what follows from it: volume, reciprocal cell, S-matrix.
#include <array>
#include <numbers>

#include "LIBRARIES/math/mat3.hpp"
#include "calc/options.hpp"

constexpr float kDegToRad = std::numbers::pi_v<float> / 180.0f;  // 0.017453292f

// The unit of a cell's interaxial angles, held in its type.
enum class AngleUnit { degrees, radians };

// Six lattice parameters, or their esds: edges, then interaxial angles in the type's unit.
template <AngleUnit Unit>
struct CellParametersIn {
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
    friend constexpr bool operator==(const CellParametersIn&, const CellParametersIn&) = default;

private:
    static constexpr float CellParametersIn::*kMembers[6] = {&CellParametersIn::a,     &CellParametersIn::b,
                                                             &CellParametersIn::c,     &CellParametersIn::alpha,
                                                             &CellParametersIn::beta,  &CellParametersIn::gamma};
};

// A cell as read and reported: angles in degrees.
using CellParameters = CellParametersIn<AngleUnit::degrees>;
// A reciprocal cell as the geometry works it out: a*, b*, c*, then alpha*, beta*, gamma* in radians.
using CellParametersRadians = CellParametersIn<AngleUnit::radians>;
static_assert(sizeof(CellParameters) == 6 * sizeof(float), "six floats, no padding: keyed by their bits");

struct UnitCell : CellParameters {
    CellParameters esd;

    // The determinant of the metric tensor of a cell with unit edges,
    // 1 - cos²α - cos²β - cos²γ + 2 cosα cosβ cosγ: its squared volume, positive exactly when the
    // three angles can form a cell. In the precision of the cosines given.
    template <class Real>
    static Real unitMetricDeterminant(Real cosAlpha, Real cosBeta, Real cosGamma) {
        return Real(1) - cosAlpha * cosAlpha - cosBeta * cosBeta - cosGamma * cosGamma + Real(2) * cosAlpha * cosBeta * cosGamma;
    }

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
