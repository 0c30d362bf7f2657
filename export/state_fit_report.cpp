#include "export/state_fit_report.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <numbers>

#include "LIBRARIES/text/restrict_warning.hpp"
#include "LIBRARIES/text/text.hpp"
#include "fit/state_fits.hpp"
#include "format/esd_notation.hpp"

namespace {

std::string optionalNumber(const std::optional<double>& v, int significant = 6) { return v ? significantText(*v, significant) : "-"; }

// Every parameter of a fit, the fixed ones marked.
std::string parameterLine(const ParametricFit& fit) {
    std::string out = "   ";
    for (const std::string& name : fit.names) {
        const std::optional<FittedValue> v = fit.parameter(name);
        out += " " + name + " = " + valueWithEsd(v->value, v->esd) + (v->esd ? "" : " (fixed)") + " ";
    }
    return out + "\n";
}

std::string statisticsLine(const ParametricFit& fit) {
    std::string out = "    \u03c7\u00b2 = " + significantText(fit.chi2, 5) + ", n-p = " + std::to_string(fit.dof) + ", AICc = " + optionalNumber(fit.aicc, 6);
    std::string correlations;
    for (std::size_t a = 0; a < fit.freeNames.size(); ++a)
        for (std::size_t b = a + 1; b < fit.freeNames.size(); ++b)
            correlations += (correlations.empty() ? "" : ", ") + fit.freeNames[a] + "-" + fit.freeNames[b] + " " +
                            numberText(fit.covariance.correlation(a, b), std::chars_format::fixed, 3);
    out += "\n    correlations: " + (correlations.empty() ? std::string("none") : correlations) + "\n";
    std::size_t flagged = 0;
    for (const Residual& r : fit.residuals)
        if (r.outlier) ++flagged;
    out += flagged ? "    " + std::to_string(flagged) + " possible outlier(s), more than 3 esds from the curve (points" : "";
    for (const Residual& r : fit.residuals)
        if (r.outlier) out += " " + std::to_string(r.point);
    out += flagged ? ")\n" : "    no point lies more than 3 esds from the curve\n";
    return out;
}

std::string thermalSection(const StateFits& s, const std::string& tUnit) {
    std::string out = "EQUATIONS OF STATE IN T\n"
                      "  berman    V = V0 [1 + a0 (T-Tref) + a1/2 (T-Tref)^2]\n"
                      "  fei       \u03b1 = a0 + a1 T + a2/T^2, V = V0 exp[a0 (T-Tref) + a1/2 (T^2-Tref^2) - a2 (1/T - 1/Tref)]\n"
                      "  T in K, Tref = " + significantText(s.tref) + " K; an edge x takes the same forms with x0 for V0. Residuals in V, "
                      "\u03c3\u00b2 = \u03c3V\u00b2 + (dV/dT)\u00b2\u03c3T\u00b2.\n\n";
    const std::string label = "T" + (tUnit.empty() ? std::string() : " (" + tUnit + ")");
    for (const ThermalFit& t : s.thermal) {
        out += "  " + std::string(thermalModelName(t.model)) + ", " +
               (t.isEdge() ? "edge " + std::string(eosQuantityName(t.quantity)) : std::string("volume")) + ": ";
        if (!t.fit.status.ok) {
            out += "failed: " + t.fit.status.text + "\n\n";
            continue;
        }
        out += "\n" + parameterLine(t.fit) + statisticsLine(t.fit);
        out += "    " + alignedRight(label, 12) + alignedRight("\u03b1 (10\u207b\u2076 K\u207b\u00b9)", 22) + "\n";
        for (const ValueAt& a : t.alpha)
            out += "    " + alignedRight(significantText(a.x), 12) + alignedRight(valueWithEsd(a.value * 1e6, a.esd * 1e6), 22) + "\n";
        out += "\n";
    }
    return out;
}

std::string couplingFormula(ThermalCoupling c) {
    switch (c) {
        case ThermalCoupling::berman: return "V0(T) = V0 [1 + a0 (T-Tref) + a1/2 (T-Tref)^2], K0(T) = K0 + dKdT (T-Tref)";
        case ThermalCoupling::fei:
            return "V0(T) = V0 exp[a0 (T-Tref) + a1/2 (T^2-Tref^2) - a2 (1/T - 1/Tref)], K0(T) = K0 + dKdT (T-Tref)";
        case ThermalCoupling::hp:
            return "P = P_iso(V) + alpha0 K0 (thetaE/\u03be0) [1/(exp(thetaE/T)-1) - 1/(exp(thetaE/Tref)-1)], "
                   "\u03be0 = (thetaE/Tref)^2 exp(thetaE/Tref)/(exp(thetaE/Tref)-1)^2";
        case ThermalCoupling::mgd:
            return "P = P_iso(V) + \u03b3/V [E(T) - E(Tref)], E = 9 N kB T (T/\u03b8)^3 \u222b0^(\u03b8/T) x^3/(e^x-1) dx, "
                   "\u03b3 = gamma0 (V/V0)^q, \u03b8 = thetaD0 exp[(gamma0-\u03b3)/q]";
    }
    return "";
}

std::string pvtSection(const StateFits& s, const std::string& pUnit) {
    std::string out = "EQUATIONS OF STATE IN P AND T\n  An isothermal equation of state P_iso(V; V0, K0, K', K'') at Tref = " + significantText(s.tref) +
                      " K (BM, Vinet, Murnaghan or NS, in their usual forms) with a thermal coupling:\n";
    std::vector<ThermalCoupling> shown;
    for (const PvtFit& f : s.pvt)
        if (std::find(shown.begin(), shown.end(), f.model.coupling) == shown.end()) shown.push_back(f.model.coupling);
    for (const ThermalCoupling c : shown) {
        const std::string name = pvtModelName(PvtModel{EosModel::BM3, c});
        out += "  " + alignedLeft(name.substr(name.find('-')), 8) + "  " + couplingFormula(c) + "\n";
    }
    out += "  Residuals in P, \u03c3\u00b2 = \u03c3P\u00b2 + (dP/dV)\u00b2\u03c3V\u00b2 + (dP/dT)\u00b2\u03c3T\u00b2" +
           std::string(s.pc ? "; P - Pc fitted, Pc = " + significantText(*s.pc) : "") + ".\n\n";
    const std::string unit = pUnit.empty() ? "" : " (" + pUnit + ")";
    for (const PvtFit& f : s.pvt) {
        out += "  " + pvtModelName(f.model) + ": ";
        if (!f.fit.status.ok) {
            out += "failed: " + f.fit.status.text + "\n\n";
            continue;
        }
        BEGIN_GCC_RESTRICT_FALSE_POSITIVE
        out += "\n" + parameterLine(f.fit) + statisticsLine(f.fit);
        END_GCC_RESTRICT_FALSE_POSITIVE
        if (!f.at.empty()) {
            out += "    " + alignedRight("P" + unit, 12) + alignedRight("T", 10) + alignedRight("V", 20) + alignedRight("K" + unit, 20) +
                   alignedRight("K'", 10) + alignedRight("\u03b1 (10\u207b\u2076 K\u207b\u00b9)", 20) + "\n";
            for (const PvtAt& a : f.at) {
                out += "    " + alignedRight(significantText(a.p), 12) + alignedRight(significantText(a.t), 10);
                if (!a.ok) {
                    out += "  no volume gives this P at this T\n";
                    continue;
                }
                out += alignedRight(valueWithEsd(a.v, a.vEsd), 20) + alignedRight(valueWithEsd(a.k, a.kEsd), 20) + alignedRight(significantText(a.kp, 4), 10) +
                       alignedRight(valueWithEsd(a.alpha * 1e6, a.alphaEsd * 1e6), 20) + "\n";
            }
        }
        out += "\n";
    }
    return out;
}

// Each model's chi2, n - p and AICc, then the F-tests and the order each family's data support.
std::string choiceSection(const FitResult& result, const StateFits& s) {
    std::string out = "MODEL CHOICE\n  The lowest AICc = \u03c7\u00b2 + 2k + 2k(k+1)/(n-k-1) is the best compromise of fit and parameters; "
                      "F = [(\u03c7\u00b2low - \u03c7\u00b2high)/(\u0394 n-p)] / (\u03c7\u00b2high/(n-p)high), a higher order "
                      "warranted when P(F) < 5 %.\n\n";
    out += "  " + alignedLeft("model", 14) + alignedLeft("quantity", 10) + alignedRight("\u03c7\u00b2", 14) + alignedRight("n-p", 6) + alignedRight("AICc", 14) + "\n";
    const auto row = [&](const std::string& model, const std::string& quantity, const FitStatus& status, double chi2, int dof,
                         const std::optional<double>& a) {
        out += "  " + alignedLeft(model, 14) + alignedLeft(quantity, 10);
        out += status.ok ? alignedRight(significantText(chi2, 6), 14) + alignedRight(std::to_string(dof), 6) + alignedRight(optionalNumber(a), 14) + "\n"
                         : "  failed\n";
    };
    for (std::size_t k = 0; k < result.eos.size() && k < s.eos.size(); ++k) {
        const EosFit& f = result.eos[k];
        row(std::string(eosModelName(f.model)), std::string(eosQuantityName(f.quantity)), f.status, f.chi2, f.dof, s.eos[k].aicc);
    }
    for (const ThermalFit& t : s.thermal)
        row(std::string(thermalModelName(t.model)), std::string(eosQuantityName(t.quantity)), t.fit.status, t.fit.chi2, t.fit.dof, t.fit.aicc);
    for (const PvtFit& f : s.pvt) row(pvtModelName(f.model), "volume", f.fit.status, f.fit.chi2, f.fit.dof, f.fit.aicc);
    if (s.fTests.empty()) return out + "\n  No F-test: no two orders of one family were fitted.\n\n";
    out += "\n  F-tests, each order against the next lower one of its family:\n";
    // The order supported: the highest reached by a chain of warranted steps from the lowest.
    std::map<std::pair<std::string, std::string>, std::string> supported;  // (quantity, lowest) -> supported
    for (const FTest& t : s.fTests) {
        out += "  " + alignedLeft(t.quantity, 10) + alignedLeft(t.lower + " -> " + t.higher, 28) + "F = " + alignedLeft(significantText(t.f, 4), 12) +
               "P(F) = " + alignedLeft(significantText(t.probability, 3), 12) + (t.higherWarranted ? "higher order warranted" : "not warranted") + "\n";
    }
    out += "\n";
    for (const FTest& t : s.fTests) {
        // A lower model that is no test's higher one starts a chain.
        const bool starts = std::none_of(s.fTests.begin(), s.fTests.end(),
                                         [&](const FTest& o) { return o.quantity == t.quantity && o.higher == t.lower; });
        if (!starts) continue;
        std::string current = t.lower;
        for (bool moved = true; moved;) {
            moved = false;
            for (const FTest& o : s.fTests)
                if (o.quantity == t.quantity && o.lower == current && o.higherWarranted) {
                    current = o.higher;
                    moved = true;
                    break;
                }
        }
        supported[{t.quantity, t.lower}] = current;
    }
    for (const auto& [key, model] : supported)
        out += "  " + key.first + ": the data support " + model + " (from " + key.second + ", at 5 %)\n";
    return out + "\n";
}

// The K0-K' ellipses of a fit (every pair is in the JSON).
std::string ellipseLines(const std::string& title, const std::vector<ConfidenceEllipse>& ellipses) {
    std::string out;
    for (const ConfidenceEllipse& e : ellipses)
        if (e.parameters[0] == "K0" && e.parameters[1] == "Kp")
        out += "  " + alignedLeft(title, 22) + alignedLeft(e.parameters[0] + "-" + e.parameters[1], 16) + alignedLeft(significantText(e.level * 100.0, 3) + " %", 8) +
               "semi-axes " + significantText(e.semiAxes[0], 4) + " and " + significantText(e.semiAxes[1], 4) + ", major axis at " +
               significantText(e.angle * 180.0 / std::numbers::pi, 4) + "\u00b0\n";
    return out;
}

std::string ellipseSection(const FitResult& result, const StateFits& s) {
    std::string out = "CONFIDENCE ELLIPSES\n  K0-K' of each model that fits both: (x - x\u0302)\u1d40 C\u207b\u00b9 (x - x\u0302) = \u0394\u03c7\u00b2, "
                      "\u0394\u03c7\u00b2 = 2.30 (68.3 %) and 6.18 (95.4 %); the angle of the major axis to the K0 axis in the parameters' "
                      "own units. Every pair of free parameters is in the JSON.\n";
    for (std::size_t k = 0; k < result.eos.size() && k < s.eos.size(); ++k)
        if (!result.eos[k].isEdge()) out += ellipseLines(std::string(eosModelName(result.eos[k].model)) + " volume", s.eos[k].ellipses);
    for (const PvtFit& f : s.pvt) out += ellipseLines(pvtModelName(f.model), f.fit.ellipses);
    return out + "\n";
}

}  // namespace

std::string stateFitReportText(const FitResult& result, const std::string& temperatureUnit, const std::string& pressureUnit) {
    if (!result.status.ok || !result.states) return {};
    const StateFits& s = *result.states;
    std::string out;
    BEGIN_GCC_RESTRICT_FALSE_POSITIVE
    if (!s.thermal.empty()) out += thermalSection(s, oneLine(temperatureUnit));
    END_GCC_RESTRICT_FALSE_POSITIVE
    if (!s.pvt.empty()) out += pvtSection(s, oneLine(pressureUnit));
    out += choiceSection(result, s);
    const bool anyKp = std::any_of(result.eos.begin(), result.eos.end(), [](const EosFit& f) { return f.parameters.size() > 2; }) ||
                       std::any_of(s.pvt.begin(), s.pvt.end(), [](const PvtFit& f) { return f.fit.has("Kp"); });
    if (anyKp) out += ellipseSection(result, s);
    return out;
}
