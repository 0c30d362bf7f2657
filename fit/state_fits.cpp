#include "fit/state_fits.hpp"

#include "fit/equation_of_state.hpp"

#include <algorithm>

#include "calc/units.hpp"
#include "fit/cell_volume.hpp"

namespace {

constexpr double kDefaultTref = 298.15;  // kelvin

bool varies(const Series& s, float DataPoint::*member) {
    return std::any_of(s.points.begin(), s.points.end(),
                       [&](const DataPoint& d) { return d.*member != s.points.front().*member; });
}

// The quantities a crystal system leaves free: the volume, then each independent edge.
std::vector<EosQuantity> quantitiesOf(const Series& series) {
    // A series of volumes has no edges.
    if (series.volumeOnly) return {EosQuantity::volume};
    return eosQuantitiesOf(series.crystalSystem);
}

std::pair<double, double> quantityOf(const DataPoint& point, const Series& series, EosQuantity quantity) {
    switch (quantity) {
        case EosQuantity::a: return {point.cell.a, point.cell.esd.a};
        case EosQuantity::b: return {point.cell.b, point.cell.esd.b};
        case EosQuantity::c: return {point.cell.c, point.cell.esd.c};
        case EosQuantity::volume: break;
    }
    const VolumeWithEsd v = volumeOf(point, series);
    return {v.volume, v.esd};
}

// The order within a family: BM2 < BM3 < BM4, Vinet2 < Vinet3, NS2 < NS3; none outside one.
std::optional<std::pair<int, int>> familyOrder(EosModel m) {
    switch (m) {
        case EosModel::BM2: return std::pair{0, 2};
        case EosModel::BM3: return std::pair{0, 3};
        case EosModel::BM4: return std::pair{0, 4};
        case EosModel::Vinet2: return std::pair{1, 2};
        case EosModel::Vinet3: return std::pair{1, 3};
        case EosModel::NS2: return std::pair{2, 2};
        case EosModel::NS3: return std::pair{2, 3};
        case EosModel::Murnaghan: break;
    }
    return std::nullopt;
}

// One fit as the F-test sees it.
struct Ranked {
    std::string name;
    std::string quantity;
    int family;   // with the coupling and quantity, what must match
    int order;
    double chi2;
    int dof;
};

std::vector<FTest> fTestsOf(std::vector<Ranked> fits) {
    std::vector<FTest> tests;
    std::stable_sort(fits.begin(), fits.end(), [](const Ranked& a, const Ranked& b) { return a.order < b.order; });
    for (const Ranked& high : fits) {
        // The next lower order of the same family and quantity.
        const Ranked* low = nullptr;
        for (const Ranked& r : fits)
            if (r.family == high.family && r.quantity == high.quantity && r.order < high.order && (!low || r.order > low->order))
                low = &r;
        if (!low) continue;
        if (std::optional<FTest> t = fTest(low->chi2, low->dof, high.chi2, high.dof)) {
            t->lower = low->name;
            t->higher = high.name;
            t->quantity = high.quantity;
            tests.push_back(*t);
        }
    }
    return tests;
}

}  // namespace

bool isPvtSeries(const Series& series) {
    return series.pressureRun && varies(series, &DataPoint::p) && varies(series, &DataPoint::t);
}

bool wantsStateFits(const Series& series, const StateFitOptions& o) {
    return series.volumeOnly || isPvtSeries(series) || o.thermalModels || o.diagnostics || o.pc || !o.fixed.empty() ||
           !o.atPT.empty();
}

StateFits fitStates(const Series& series, const StateFitOptions& options, FitWeights mode, const std::vector<double>& at,
                    const std::vector<EosFit>& eos, std::vector<std::string>& notes) {
    StateFits s;
    s.volumeOnly = series.volumeOnly;
    s.pvtSeries = isPvtSeries(series);
    s.pc = options.pc;
    const std::string& tUnit = series.temperatureUnit;
    s.tref = options.tref ? kelvinOf(*options.tref, tUnit) : kDefaultTref;
    const std::vector<EosQuantity> quantities = quantitiesOf(series);

    if (!series.pressureRun && (series.volumeOnly || options.thermalModels)) {
        const std::vector<ThermalModel> models = options.thermalModels.value_or(defaultThermalModels());
        for (const EosQuantity quantity : quantities) {
            ThermalData d;
            d.quantity = quantity;
            for (const DataPoint& point : series.points) {
                const auto [value, esd] = quantityOf(point, series, quantity);
                d.t.push_back(kelvinOf(point.t, tUnit));
                d.sigT.push_back(point.sigT);
                d.tAsRead.push_back(point.t);
                d.v.push_back(value);
                d.sigV.push_back(esd);
            }
            for (const ThermalModel model : models)
                s.thermal.push_back(fitThermal(model, d, s.tref, mode, options.fixed, at, tUnit));
        }
    } else if (options.thermalModels) {
        notes.push_back("no V(T) fits: --thermal applies to a temperature series");
    }

    if (s.pvtSeries) {
        PvtData d;
        for (const DataPoint& point : series.points) {
            const VolumeWithEsd v = volumeOf(point, series);
            d.v.push_back(v.volume);
            d.sigV.push_back(v.esd);
            d.vAsRead.push_back(static_cast<float>(v.volume));
            d.p.push_back(point.p);
            d.sigP.push_back(point.sigP);
            d.t.push_back(kelvinOf(point.t, tUnit));
            d.sigT.push_back(point.sigT);
        }
        PvtConstants constants;
        constants.atoms = options.atoms;
        const std::optional<double> gpa = gigapascalsPerUnit(series.pressureUnit);
        constants.gigapascalsPerUnit = gpa.value_or(1.0);
        const bool debye = std::any_of(options.pvtModels.begin(), options.pvtModels.end(),
                                       [](const PvtModel& m) { return m.coupling == ThermalCoupling::mgd; });
        if (debye && !gpa) notes.push_back("the Debye term takes P in GPa: the series names no known unit of P");
        for (const PvtModel& model : options.pvtModels)
            s.pvt.push_back(fitPvt(model, d, s.tref, mode, options.fixed, constants, options.pc, options.atPT, tUnit));
        std::vector<Ranked> ranked;
        for (const PvtFit& f : s.pvt) {
            const auto order = familyOrder(f.model.isothermal);
            if (f.fit.status.ok && order)
                ranked.push_back({pvtModelName(f.model), "volume", order->first * 10 + static_cast<int>(f.model.coupling),
                                  order->second, f.fit.chi2, f.fit.dof});
        }
        s.fTests = fTestsOf(ranked);
    } else if (!options.atPT.empty()) {
        notes.push_back("no P-V-T fits: --at-pt applies to a series in which both P and T vary");
    }

    // The equations of state P(V): AICc and ellipses where asked for, F-tests within each family.
    std::vector<Ranked> ranked;
    for (const EosFit& fit : eos) {
        EosDiagnostics diagnostics;
        if (fit.status.ok) {
            const int p = static_cast<int>(fit.parameters.size());
            diagnostics.aicc = aicc(fit.chi2, fit.dof + p, p);
            std::vector<double> values = {fit.v0.value, fit.k0.value, fit.kp.value, fit.kpp.value};
            values.resize(fit.parameters.size());
            diagnostics.ellipses = allConfidenceEllipses(fit.covariance, fit.parameters, values);
            if (const auto order = familyOrder(fit.model))
                ranked.push_back({std::string(eosModelName(fit.model)), std::string(eosQuantityName(fit.quantity)), order->first,
                                  order->second, fit.chi2, fit.dof});
        }
        s.eos.push_back(std::move(diagnostics));
    }
    const std::vector<FTest> eosTests = fTestsOf(ranked);
    s.fTests.insert(s.fTests.begin(), eosTests.begin(), eosTests.end());
    return s;
}
