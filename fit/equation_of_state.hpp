#pragma once
// Equations of state P(V) fitted to the volumes of a pressure series, and to each independent edge
// with x^3 in place of V. Residuals are in P, weighted by 1/sigma^2 with the effective variance
// sigma^2 = sigma_P^2 + (K/V)^2 sigma_V^2, K at each V from the parameters of the pass before.
#include <memory>
#include <string>
#include <vector>

#include "calc/series.hpp"
#include "fit/fit_points.hpp"
#include "fit/fit_result.hpp"

// What one equation of state is fitted to: V (or an edge x) against P, with esds.
struct EosData {
    EosQuantity quantity = EosQuantity::volume;  // an edge: x^3 stands for V
    std::vector<double> v;
    std::vector<double> sigV;
    std::vector<double> p;
    std::vector<double> sigP;
};

// seed: a fit of the same data whose V0 and K0 are a better start than the estimate from the data.
// points: where the data came from (V or the edge as x, P as y), which the fit keeps to remake its
// residuals; without them it keeps a copy of the data.
EosFit fitEquationOfState(EosModel model, const EosData& data, const FitPoints& points, FitWeights mode,
                          const EosFit* seed = nullptr);
EosFit fitEquationOfState(EosModel model, const EosData& data, FitWeights mode, const EosFit* seed = nullptr);

// Each model for the volume, then each model for each edge the crystal system leaves free
// (cubic a; tetragonal, trigonal and hexagonal a and c; otherwise a, b and c).
// With pc, P - pc is fitted (V0 is then the volume at pc).
// What a series' equations of state are fitted to: the volume, then each edge the crystal system
// leaves free (a for cubic; a and c for tetragonal, trigonal and hexagonal; else a, b and c).
std::vector<EosQuantity> eosQuantitiesOf(CrystalSystem system);

std::vector<EosFit> fitEquationsOfState(const std::shared_ptr<const Series>& series, const std::vector<EosModel>& models,
                                        FitWeights mode, double pc = 0.0);

// Point i of a series as an equation of state takes it: the volume (or one edge) as x and P - pc
// as y, with their esds.
FitPoint eosPointOf(const Series& series, EosQuantity quantity, std::size_t i, double pc);
// Every point so, each made when asked for; the view shares the series.
FitPoints eosPointsOf(std::shared_ptr<const Series> series, EosQuantity quantity, double pc);

// The volumes (or one edge) of a series with their esds, against P.
EosData eosDataOf(const Series& series, EosQuantity quantity);
EosData eosDataOf(const FitPoints& points, EosQuantity quantity);
// The points of some data, from a copy of them that the view shares.
FitPoints sharedPointsOf(const EosData& data);
