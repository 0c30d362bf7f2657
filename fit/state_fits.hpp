#pragma once
// The equations of state beyond P(V) at one temperature: V(T) of a temperature series, P(V, T) of
// a series in which both P and T vary, and what judges every equation of state of the run (AICc,
// F-tests within a family, confidence ellipses). Present in a FitResult only where the series or
// the options ask for any of it, so that the fits of a plain series read as before.
#include <optional>
#include <string>
#include <vector>

#include "calc/series.hpp"
#include "fit/model_choice.hpp"
#include "fit/pvt_eos.hpp"
#include "fit/thermal_eos.hpp"

struct StateFitOptions {
    std::optional<std::vector<ThermalModel>> thermalModels;  // none: the defaults, and only for a volume-only series
    std::vector<PvtModel> pvtModels = defaultPvtModels();
    std::optional<double> tref;  // in the series' unit of T; none: 298.15 K
    std::vector<PvtPoint> atPT;  // --at-pt
    FixedParameters fixed;       // --fix
    std::optional<double> pc;    // --pc: P - Pc fitted
    double atoms = 0.0;          // --atoms, for the Debye term
    bool diagnostics = false;    // AICc, F-tests and ellipses of every equation of state
};

// AICc and ellipses of one equation of state of FitResult::eos (same index).
struct EosDiagnostics {
    std::optional<double> aicc;
    std::vector<ConfidenceEllipse> ellipses;
};

struct StateFits {
    bool volumeOnly = false;
    bool pvtSeries = false;
    double tref = 298.15;  // kelvin
    std::optional<double> pc;
    std::vector<ThermalFit> thermal;
    std::vector<PvtFit> pvt;
    std::vector<EosDiagnostics> eos;  // beside FitResult::eos, when diagnostics were asked for
    std::vector<FTest> fTests;        // each order against the next lower one of its family
};

// Both P and T vary over the series: neither is the same at every point.
bool isPvtSeries(const Series& series);
// Whether the series or the options ask for anything of StateFits.
bool wantsStateFits(const Series& series, const StateFitOptions& options);

// V(T) and P(V, T) fits and the diagnostics of the equations of state `eos` already fitted.
StateFits fitStates(const Series& series, const StateFitOptions& options, FitWeights mode,
                    const std::vector<double>& at, const std::vector<EosFit>& eos, std::vector<std::string>& notes);
