// The fits over the series as tables for the results window's Fits tab, in crystallographers'
// notation and the units of the plots.
#include <algorithm>
#include <charconv>
#include <cmath>

#include "LIBRARIES/text/text.hpp"
#include "LIBRARIES/text/restrict_warning.hpp"
#include "calc/series.hpp"
#include "format/coefficient_units.hpp"
#include "format/esd_notation.hpp"
#include "plots/data/figures.hpp"
#include "plots/data/plot_labels.hpp"
#include "plots/data/series_names.hpp"
#include "plots/data/state_fit_tables.hpp"

namespace {

const std::string kNone = "—";

std::string withEsd(double value, std::optional<double> esd, double factor = 1.0) {
    if (!std::isfinite(value)) return kNone;
    return withTrueMinus(valueWithEsd(value * factor, esd ? std::optional<double>(*esd * factor) : std::nullopt));
}

std::string fixedValue(const FittedValue& v, double factor = 1.0) {
    // A parameter the model fixes has no esd: marked so.
    return withEsd(v.value, v.esd, factor) + (v.esd ? "" : " (fixed)");
}

std::string plain(double value, int digits = 4) {
    if (!std::isfinite(value)) return kNone;
    return withTrueMinus(numberText(value, std::chars_format::general, digits));
}

// [uvw] to two decimals, the largest component ±1: "[0.12 1 −0.3]", in the sense of its axis.
std::string uvwText(const std::optional<std::array<double, 3>>& uvw) {
    if (!uvw) return kNone;
    std::string text = "[";
    for (int k = 0; k < 3; ++k) {
        const double v = std::fabs((*uvw)[k]) < 0.005 ? 0.0 : (*uvw)[k];
        std::string d = numberText(v, std::chars_format::fixed, 2);
        while (d.back() == '0') d.pop_back();
        if (d.back() == '.') d.pop_back();
        BEGIN_GCC_RESTRICT_FALSE_POSITIVE
        text += (k ? " " : "") + withTrueMinus(d);
        END_GCC_RESTRICT_FALSE_POSITIVE
    }
    return text + "]";
}

std::string statusText(const FitStatus& status) { return status.ok ? "ok" : status.text; }

}  // namespace

std::vector<FitTable> fitTables(const PlotRecorder& record) {
    std::vector<FitTable> tables;
    if (!record.fitResult()) return tables;
    const FitResult& fits = *record.fitResult();
    const bool pressureRun = record.pressureRun();
    const bool principalAxes = record.principalAxes();
    const std::string& pressureUnit = record.pressureUnit();
    if (!fits.status.ok) {
        tables.push_back({"No fits", {}, {}, "No fits over the series: " + fits.status.text + "."});
        return tables;
    }
    const CoefficientUnit unit = coefficientScale(record);
    const std::string symbol = pressureRun ? "β" : "α";
    const std::string x = variableLabel(pressureRun, record.variableUnit());
    std::string notes;
    for (const std::string& n : fits.notes) notes += n + ". ";
    const std::string weights = fits.weights == FitWeights::none
                                    ? "Every point weighs the same."
                                    : "Weighted by the esds of the points (equally where they carry none).";

    // Linear coefficients, the axes numbered as in the plots.
    if (fits.linear) {
        FitTable t;
        t.title = "Linear coefficients";
        t.columns = {"", symbol + " (" + unit.label + ")", "[uvw]", "fit"};
        for (int k = 0; k < 3; ++k) {
            const LinearFit& fit = fits.linear->principal[static_cast<std::size_t>(k)];
            const SeriesAxis& axis = record.axes().axes[static_cast<std::size_t>(k)];
            t.rows.push_back({axisName(record, k), fit.line.status.ok ? withEsd(fit.coefficient, fit.esd, unit.factor) : kNone,
                              axis.hasDirection ? uvwText(axis.uvw) : kNone, statusText(fit.line.status)});
        }
        const std::pair<const char*, const LinearFit*> cell[] = {
            {"a", &fits.linear->a}, {"b", &fits.linear->b}, {"c", &fits.linear->c}, {"V", &fits.linear->volume}};
        for (const auto& [name, fit] : cell)
            t.rows.push_back({name, fit->line.status.ok ? withEsd(fit->coefficient, fit->esd, unit.factor) : kNone, "",
                              statusText(fit->line.status)});
        t.note = "The slope of a straight line through the strain of each point against point " +
                 std::to_string(fits.reference) + (pressureRun ? ", with its sign changed" : "") +
                 " (for a, b, c and V, their relative change). " + weights + " " + notes;
        tables.push_back(std::move(t));
    }

    // The tensor fit's principal coefficients at each x.
    if (fits.tensor) {
        const TensorFit& tensor = *fits.tensor;
        FitTable t;
        t.title = "Tensor fit (order " + std::to_string(tensor.order) + "): principal " + symbol + " (" + unit.label +
                  ")";
        t.columns = {x};
        for (int k = 0; k < 3; ++k) t.columns.push_back(axisName(record, k));
        if (principalAxes) t.columns.push_back("axis 1, 2, 3 [uvw]");
        if (tensor.status.ok) {
            for (const TensorAt& a : tensor.at()) {
                const char* asked = a.extrapolated ? " (asked, extrapolated)" : " (asked)";
                std::vector<std::string> row{plain(a.x, 6) + (a.measured ? "" : asked)};
                std::string uvw;
                for (int m = 0; m < 3; ++m) {
                    if (principalAxes) {
                        row.push_back(withEsd(a.principal[m].value, a.principal[m].esd, unit.factor));
                        uvw += (m ? " " : "") +
                               (a.principal[m].hasDirection ? uvwText(a.principal[m].uvw) : std::string(kNone));
                    } else {
                        row.push_back(withEsd(a.tensor(m + 1, m + 1), a.esd(m + 1, m + 1), unit.factor));
                    }
                }
                if (principalAxes) row.push_back(uvw);
                t.rows.push_back(std::move(row));
            }
        }
        t.note = tensor.status.ok
                     ? "Each strain component a polynomial in " + std::string(pressureRun ? "P" : "T") +
                           "; the property its derivative" + (pressureRun ? ", sign changed" : "") +
                           ". The axes are those of the series, matched at each row by direction."
                     : "The tensor fit failed: " + tensor.status.text + ".";
        tables.push_back(std::move(t));
    }

    // Equations of state.
    if (pressureRun && !fits.eos.empty()) {
        const std::string p = pressureUnit.empty() ? "" : " (" + pressureUnit + ")";
        const std::string perP = pressureUnit.empty() ? "" : " (" + pressureUnit + "⁻¹)";
        FitTable t;
        t.title = "Equations of state";
        t.columns = {"model", "of", "V0 (Å³) or x0 (Å)", "K0 or M0" + p, "K′ or M′", "K″ or M″" + perP, "χ²", "n − p",
                     "largest |P − Pcalc|" + p, "fit"};
        for (const EosFit& e : fits.eos) {
            if (!e.status.ok) {
                t.rows.push_back({std::string(eosModelName(e.model)), std::string(eosQuantityName(e.quantity)), kNone, kNone, kNone, kNone, kNone,
                                  kNone, kNone, e.status.text});
                continue;
            }
            t.rows.push_back({std::string(eosModelName(e.model)), std::string(eosQuantityName(e.quantity)), fixedValue(e.v0), fixedValue(e.k0),
                              fixedValue(e.kp), fixedValue(e.kpp), plain(e.chi2), std::to_string(e.dof),
                              plain(e.maxResidual, 3), "ok"});
        }
        t.note = "P(V) fitted with residuals in P; for an edge x, x³ in place of V and the linear moduli M = 3K. "
                 "Parameter esds from the covariance scaled by χ²/(n − p). " + weights;
        tables.push_back(std::move(t));
    }

    // The empirical law of each principal axis.
    if (pressureRun && !fits.empirical.empty()) {
        FitTable t;
        t.title = "Empirical fit ε = ε0 + λ(P − Pc)^ν";
        const std::string p = pressureUnit.empty() ? "" : " (" + pressureUnit + ")";
        t.columns = {"", "ε0", "λ", "Pc" + p, "ν", "χ²", "n − p", "fit"};
        for (const EmpiricalFit& e : fits.empirical) {
            const std::string name = axisName(record, e.axis - 1);
            if (!e.status.ok) {
                t.rows.push_back({name, kNone, kNone, kNone, kNone, kNone, kNone, e.status.text});
                continue;
            }
            t.rows.push_back({name, fixedValue(e.eps0), fixedValue(e.lambda), fixedValue(e.pc), fixedValue(e.nu),
                              plain(e.chi2), std::to_string(e.dof), "ok"});
        }
        t.note = "The strain of each principal axis against point " + std::to_string(fits.reference) +
                 "; its compressibility β = −dε/dP is drawn in the tab Axial compressibility.";
        tables.push_back(std::move(t));
    }
    for (FitTable& t : stateFitTables(fits, pressureUnit)) tables.push_back(std::move(t));
    return tables;
}
