#pragma once
// Equations of state in P and T: an isothermal equation of state P_iso(V; V0, K0, K', K'') at Tref
// with one of four thermal couplings.
//   -berman, -fei: V0(T) = V0 times the thermal model's factor, K0(T) = K0 + dK/dT (T - Tref),
//                  P = P_iso(V; V0(T), K0(T), K', K'');
//   -hp (Holland and Powell 2011): P = P_iso(V) + alpha0 K0 (thetaE/xi0)
//                  [1/(e^(thetaE/T) - 1) - 1/(e^(thetaE/Tref) - 1)],
//                  xi0 = (thetaE/Tref)^2 e^(thetaE/Tref)/(e^(thetaE/Tref) - 1)^2, so that
//                  (dP/dT)_V = alpha0 K0 at Tref;
//   -mgd (Mie-Grueneisen-Debye): P = P_iso(V) + gamma/V [E(V, T) - E(V, Tref)], E the Debye
//                  energy of the cell's atoms with theta = thetaD0 exp[(gamma0 - gamma)/q] and
//                  gamma = gamma0 (V/V0)^q.
// T in kelvin, V in the series' unit (A^3 for -mgd), P in the series' unit.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fit/parametric_fit.hpp"

enum class ThermalCoupling { berman, fei, hp, mgd };

struct PvtModel {
    EosModel isothermal = EosModel::BM3;
    ThermalCoupling coupling = ThermalCoupling::berman;
    friend bool operator==(const PvtModel&, const PvtModel&) = default;
};

std::string pvtModelName(const PvtModel& model);  // "bm3-berman", "vinet3-hp", ...
// "BM3-Berman" and the like, any case; nothing for an unknown isothermal model or coupling.
std::optional<PvtModel> pvtModelNamed(std::string_view name);
std::vector<PvtModel> defaultPvtModels();  // bm3-berman
// "berman, fei, hp, mgd".
std::string knownCouplingList();

// What the -mgd coupling needs besides the parameters: the atoms in the volume V (the cell, for V
// in A^3) and the gigapascals in one unit of P.
struct PvtConstants {
    double atoms = 0.0;
    double gigapascalsPerUnit = 1.0;
};

// The parameters of a model: the isothermal model's free ones, then the coupling's
// (dKdT a0 a1 [a2]; alpha0 thetaE; thetaD0 gamma0 q).
std::vector<std::string> pvtParameterNames(const PvtModel& model);
// P at V and T (kelvin) for the parameters in that order; NaN outside the model's domain.
double pvtPressure(const PvtModel& model, const std::vector<double>& parameters, double v, double t, double tref,
                   const PvtConstants& constants);

// V, K = -V (dP/dV)_T, K' = (dK/dP)_T and alpha = (1/V)(dV/dT)_P at a P and T, with esds.
struct PvtAt {
    double p = 0.0;
    double t = 0.0;  // as the series holds T
    bool ok = false;  // false where P(V, T) = P has no root near V0
    double v = 0.0, vEsd = 0.0;
    double k = 0.0, kEsd = 0.0;
    double kp = 0.0;
    double alpha = 0.0, alphaEsd = 0.0;
};

struct PvtFit {
    PvtModel model;
    double tref = 298.15;  // kelvin
    std::optional<double> pc;  // P - Pc was fitted
    ParametricFit fit;
    std::vector<PvtAt> at;
};

// The points of a P-V-T series: V with its esd against P and T (kelvin).
struct PvtData {
    std::vector<double> v, sigV, p, sigP, t, sigT;
    std::vector<float> vAsRead;
};

struct PvtPoint {
    double p = 0.0;
    double t = 0.0;  // as the series holds T
};

PvtFit fitPvt(const PvtModel& model, const PvtData& data, double tref, FitWeights mode, const FixedParameters& fixed,
              const PvtConstants& constants, std::optional<double> pc, const std::vector<PvtPoint>& at,
              const std::string& temperatureUnit);

// The state at (P, T kelvin) of fitted parameters; ok false where there is no root.
PvtAt pvtStateAt(const PvtModel& model, const std::vector<double>& parameters, double p, double t, double tref,
                 const PvtConstants& constants);
