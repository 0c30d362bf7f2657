#pragma once
// The equations of state as functions P(V; V0, K0, K', K''), in their standard published forms:
//   Birch-Murnaghan (Eulerian strain f = [(V0/V)^(2/3) - 1]/2):
//     P = 3 K0 f (1 + 2f)^(5/2) [1 + 3/2 (K' - 4) f + 3/2 (K0 K'' + (K' - 4)(K' - 3) + 35/9) f^2];
//   Vinet (eta = (V/V0)^(1/3)): P = 3 K0 (1 - eta) / eta^2 exp[3/2 (K' - 1)(1 - eta)];
//   Murnaghan: P = K0 / K' [(V0/V)^K' - 1];
//   natural strain (f_N = ln(V0/V) / 3): P = 3 K0 (V0/V) f_N [1 + 3/2 (K' - 2) f_N].
// A lower order fixes K' (BM2 4, Vinet2 1, NS2 2) and K'' at the value the model implies.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "fit/fit_result.hpp"

struct EosParameters {
    double v0 = 0.0;
    double k0 = 0.0;
    double kp = 0.0;
    double kpp = 0.0;  // used by BM4 only; the others imply theirs
};

// P and, from its derivatives in V, the bulk modulus K = -V dP/dV, K' = dK/dP and K'' at V.
struct EosState {
    double p = 0.0;
    double k = 0.0;
    double kp = 0.0;
    double kpp = 0.0;
};

double eosPressure(EosModel model, double v, const EosParameters& e);

// P with its derivatives in V0, K0 and K', in closed form for BM2, BM3, Vinet2 and Vinet3 (a
// fitted model's Jacobian); none for the other models. V enters as root = (V0/V)^(1/3), which a fit
// over fixed volumes gets as cbrt(V0) / cbrt(V) with the volumes' cube roots taken once.
struct EosPressureGradient {
    double p = 0.0;
    double dv0 = 0.0;
    double dk0 = 0.0;
    double dkp = 0.0;
};
std::optional<EosPressureGradient> eosPressureGradient(EosModel model, double root, const EosParameters& e);
EosState eosState(EosModel model, double v, const EosParameters& e);

// The parameters a model fits: 2 (V0, K0), 3 (and K') or 4 (and K'').
int freeParameterCount(EosModel model);
// K' of a second-order model: BM2 4, Vinet2 1, NS2 2.
double fixedKp(EosModel model);

// The full parameter set of a model from its free parameters (the fixed K' filled in).
EosParameters eosParameters(EosModel model, const std::vector<double>& free);
// The names of the free parameters, volume ("V0", "K0", "Kp", "Kpp") or edge ("x0", "M0", "Mp", "Mpp").
std::vector<std::string> eosParameterNames(EosModel model, bool edge);

// The volume parameters that an edge's parameters (x0, M0, M', M'') stand for: V0 = x0^3 and
// K = M / 3, since V = x^3 gives -x dP/dx = 3 (-V dP/dV).
EosParameters volumeParametersOfEdge(const EosParameters& edge);
