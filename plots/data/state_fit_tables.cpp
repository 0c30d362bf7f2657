#include "plots/data/state_fit_tables.hpp"

#include <charconv>
#include <cmath>

#include "LIBRARIES/text/text.hpp"
#include "fit/state_fits.hpp"
#include "format/esd_notation.hpp"
#include "plots/data/plot_labels.hpp"

namespace {

const std::string kNone = "—";

std::string parameterText(const ParametricFit& fit, const std::string& name, double factor = 1.0) {
    const std::optional<FittedValue> v = fit.parameter(name);
    if (!v || !std::isfinite(v->value)) return kNone;
    return withTrueMinus(valueWithEsd(v->value * factor, v->esd ? std::optional<double>(*v->esd * factor) : std::nullopt)) +
           (v->esd ? "" : " (fixed)");
}

std::string plain(double value, int digits = 4) {
    if (!std::isfinite(value)) return kNone;
    return withTrueMinus(numberText(value, std::chars_format::general, digits));
}

std::string optionalPlain(const std::optional<double>& v) { return v ? plain(*v, 5) : kNone; }

}  // namespace

std::vector<FitTable> stateFitTables(const FitResult& fits, const std::string& pressureUnit) {
    std::vector<FitTable> tables;
    if (!fits.states) return tables;
    const StateFits& s = *fits.states;
    if (!s.thermal.empty()) {
        FitTable t;
        t.title = "V(T) at the reference pressure";
        t.columns = {"model", "of", "V0 (Å³) or x0 (Å)", "a0 (10⁻⁶ K⁻¹)", "a1 (10⁻⁹ K⁻²)", "a2 (K)", "χ²", "n − p", "AICc", "fit"};
        for (const ThermalFit& f : s.thermal) {
            const std::string of(eosQuantityName(f.quantity));
            if (!f.fit.status.ok) {
                t.rows.push_back({std::string(thermalModelName(f.model)), of, kNone, kNone, kNone, kNone, kNone, kNone, kNone, f.fit.status.text});
                continue;
            }
            t.rows.push_back({std::string(thermalModelName(f.model)), of, parameterText(f.fit, f.isEdge() ? "x0" : "V0"),
                              parameterText(f.fit, "a0", 1e6), parameterText(f.fit, "a1", 1e9),
                              f.fit.has("a2") ? parameterText(f.fit, "a2") : kNone, plain(f.fit.chi2), std::to_string(f.fit.dof),
                              optionalPlain(f.fit.aicc), "ok"});
        }
        t.note = "Berman: V = V0[1 + a0(T − Tref) + ½a1(T − Tref)²]; Fei: α = a0 + a1T + a2/T². T in K, Tref = " + plain(s.tref, 6) +
                 " K. α at each T is in the JSON and the --fits report.";
        tables.push_back(std::move(t));
    }
    if (!s.pvt.empty()) {
        const std::string p = pressureUnit.empty() ? "" : " (" + pressureUnit + ")";
        FitTable t;
        t.title = "P–V–T models";
        t.columns = {"model", "V0 (Å³)", "K0" + p, "K′", "thermal parameters", "χ²", "n − p", "AICc", "fit"};
        for (const PvtFit& f : s.pvt) {
            if (!f.fit.status.ok) {
                t.rows.push_back({pvtModelName(f.model), kNone, kNone, kNone, kNone, kNone, kNone, kNone, f.fit.status.text});
                continue;
            }
            std::string thermal;
            for (std::size_t j = 0; j < f.fit.names.size(); ++j) {
                const std::string& name = f.fit.names[j];
                if (name == "V0" || name == "K0" || name == "Kp" || name == "Kpp") continue;
                thermal += (thermal.empty() ? "" : ", ") + name + " = " + parameterText(f.fit, name);
            }
            t.rows.push_back({pvtModelName(f.model), parameterText(f.fit, "V0"), parameterText(f.fit, "K0"),
                              f.fit.has("Kp") ? parameterText(f.fit, "Kp") : "4 (BM2)", thermal, plain(f.fit.chi2),
                              std::to_string(f.fit.dof), optionalPlain(f.fit.aicc), "ok"});
        }
        t.note = "An isothermal equation of state at Tref = " + plain(s.tref, 6) +
                 " K with a thermal coupling; residuals in P. V, K and α at --at-pt are in the JSON and the --fits report.";
        tables.push_back(std::move(t));
    }
    if (!s.fTests.empty()) {
        FitTable t;
        t.title = "F-tests";
        t.columns = {"of", "lower", "higher", "F", "P(F)", "higher order"};
        for (const FTest& f : s.fTests)
            t.rows.push_back({f.quantity, f.lower, f.higher, plain(f.f), plain(f.probability, 3), f.higherWarranted ? "warranted" : "not warranted"});
        t.note = "Each order against the next lower one of its family; warranted where P(F) < 5 %.";
        tables.push_back(std::move(t));
    }
    return tables;
}
