// The normalised pressure F against the Eulerian finite strain f, with the lines of BM2 and BM3.
#include <algorithm>
#include <cmath>
#include <limits>

#include "format/esd_notation.hpp"
#include "plots/data/figures.hpp"
#include "plots/data/plot_labels.hpp"
#include "plots/data/plot_ranges.hpp"
#include "plots/data/series_names.hpp"

std::optional<Figure> normalisedPressureFigure(const PlotRecorder& record) {
    const std::optional<FitResult>& fits = record.fitResult();
    if (!record.pressureRun() || !fits || !fits->ff || !fits->ff->status.ok) return {};
    const NormalisedPressure& ff = *fits->ff;
    const std::string& pressureUnit = record.pressureUnit();
    Figure f;
    f.xLabel = "f (Eulerian finite strain)";
    PlotPanel panel;
    panel.yLabel = pressureUnit.empty() ? "F" : "F (" + pressureUnit + ")";
    PlotLine line;
    line.name = "F against f";
    line.inLegend = false;
    line.columns = {"F"};
    line.colour = PlotColour::volume;
    line.joined = false;
    bool esds = false;
    double low = std::numeric_limits<double>::infinity(), high = -low;
    ff.forEachPoint([&](const NormalisedPressurePoint& p) {
        line.x.push_back(static_cast<float>(p.f));
        line.xEsd.push_back(p.fEsd > 0.0 ? static_cast<float>(p.fEsd) : kNoEsd);
        line.y.push_back(static_cast<float>(p.F));
        line.esd.push_back(p.FEsd > 0.0 ? static_cast<float>(p.FEsd) : kNoEsd);
        esds = esds || p.FEsd > 0.0;
        low = std::min(low, p.f);
        high = std::max(high, p.f);
    });
    if (line.x.empty()) return {};
    panel.lines.push_back(std::move(line));
    // The lines the two Birch-Murnaghan fits of the volume give: F = K0 for BM2, and
    // F = K0 (1 + 3/2 (K' - 4) f) for BM3.
    const std::string unit = pressureUnit.empty() ? "" : " " + pressureUnit;
    for (const EosFit& e : fits->eos) {
        if (e.quantity != EosQuantity::volume || !e.status.ok || (e.model != EosModel::BM2 && e.model != EosModel::BM3))
            continue;
        FittedCurve curve;
        const bool third = e.model == EosModel::BM3;
        curve.dashed = !third;
        curve.columns = {"F_" + std::string(eosModelName(e.model))};
        curve.name = std::string(eosModelName(e.model)) + ": K0 = " + withTrueMinus(valueWithEsd(e.k0.value, e.k0.esd)) +
                     unit + (third ? ", K′ = " + withTrueMinus(valueWithEsd(e.kp.value, e.kp.esd)) : "");
        for (const double x : curveSamples(std::min(0.0, low), high)) {
            curve.x.push_back(x);
            curve.y.push_back(third ? e.k0.value * (1.0 + 1.5 * (e.kp.value - 4.0) * x) : e.k0.value);
        }
        panel.curves.push_back(std::move(curve));
    }
    // Near f = 0 F is a ratio of two small numbers: such a point is no guide to the range.
    panel.yRange = robustRange(panel);
    f.panels.push_back(std::move(panel));
    if (!esds) f.caption = "No esds: neither the cells nor P carry any.";
    f.note = "The normalised pressure F = P / [3f(1 + 2f)^(5/2)] against the Eulerian finite strain f = [(V0/V)^(2/3) − "
             "1]/2, V0 from the BM3 fit, ± one esd: flat for a second-order equation of state, a line of slope "
             "3K0(K′ − 4)/2 for a third-order one.";
    return f;
}
