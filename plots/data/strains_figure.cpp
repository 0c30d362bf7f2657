// The principal strains of every point against the first, with the fits' curves.
#include <algorithm>

#include "plots/data/figures.hpp"
#include "plots/data/series_names.hpp"

namespace {

// Adds the fits' curves; gives the axes drawn with a line because their empirical law failed.
NamesByReason addStrainCurves(const PlotRecorder& record, Figure& figure) {
    NamesByReason lineInstead;
    const std::optional<FitResult>& fits = record.fitResult();
    if (!fits || !fits->status.ok || figure.panels.empty()) return lineInstead;
    const auto [low, high] = record.dataRange();
    const std::vector<double> xs = curveSamples(low, high);
    // Under pressure the empirical law of each axis; otherwise (or where it failed) the line.
    const auto empiricalOf = [&](int f) -> const EmpiricalFit* {
        for (const EmpiricalFit& e : fits->empirical)
            if (e.axis == f + 1) return &e;
        return nullptr;
    };
    bool empirical = false, linear = false;
    PlotPanel& panel = figure.panels.front();
    for (PlotLine& line : panel.lines) {
        const int f = axisOfLine(line);
        if (f < 0 || f > 2) continue;
        FittedCurve curve;
        curve.colour = line.colour;
        for (const std::string& column : line.columns) curve.columns.push_back(column + "_fit");
        curve.x = xs;
        const EmpiricalFit* e = record.pressureRun() ? empiricalOf(f) : nullptr;
        if (e && e->status.ok) {
            for (const double x : xs) {
                curve.y.push_back(e->strainAt(x));
                curve.esd.push_back(e->strainEsdAt(x));
            }
            empirical = true;
        } else if (fits->linear && fits->linear->principal[f].line.status.ok) {
            const PolynomialFit& fit = fits->linear->principal[f].line;
            for (const double x : xs) {
                curve.y.push_back(fit.value(x));
                curve.esd.push_back(fit.valueEsd(x));
            }
            linear = true;
            if (e) lineInstead.add(lineAxesName(record, line), e->status.text);
        } else {
            continue;
        }
        line.joined = false;
        panel.curves.push_back(std::move(curve));
    }
    if (empirical && linear)
        figure.fitLegend = "fits (empirical law, or a line where it failed), ± 1 esd";
    else if (empirical)
        figure.fitLegend = "empirical fit ε0 + λ(P − Pc)^ν, ± 1 esd";
    else if (linear)
        figure.fitLegend = "linear fit, ± 1 esd";
    return lineInstead;
}

}  // namespace

Figure strainsFigure(const PlotRecorder& record) {
    Figure f;
    f.xLabel = variableLabel(record.pressureRun(), record.variableUnit());
    PlotPanel panel;
    panel.zeroLine = true;
    panel.scale = 100.0;  // in %
    const std::string reference =
        record.points().empty() ? std::string("the first point") : "point 1 at " + pointValue(record, 1);
    // Short enough for the axis of a printed figure; the caption says where point 1 is.
    panel.yLabel = "ε against point 1 (%)";

    static const std::vector<StrainOnAxes> kNoPoints;
    const std::vector<StrainOnAxes>& strains = record.rows().empty() ? kNoPoints : record.axes().points;
    addAxisLines(record, panel, [&](int k, PlotLine& line) {
        reserveLine(line, strains.size());
        for (const StrainOnAxes& s : strains) {
            line.x.push_back(static_cast<float>(s.x));
            line.y.push_back(static_cast<float>(s.value[k]));
            line.esd.push_back(s.withEsds ? static_cast<float>(s.esd[k]) : kNoEsd);
        }
    });
    f.panels.push_back(std::move(panel));
    const NamesByReason lineInstead = addStrainCurves(record, f);
    NamesByReason why;
    for (PlotLine& line : f.panels.front().lines) {
        const int k = axisOfLine(line);
        const std::optional<FitResult>& fits = record.fitResult();
        std::string reason = noFitsReason(record);
        if (reason.empty())
            reason = fits->linear ? "linear fit: " + fits->linear->principal[static_cast<std::size_t>(k)].line.status.text
                                  : "no linear fit";
        markJoinedWithoutFit(line, lineAxesName(record, line), reason, why);
    }

    const bool anyWith = std::any_of(strains.begin(), strains.end(), [](const StrainOnAxes& s) { return s.withEsds; });
    f.caption = "Strain of each point against " + reference + ".";
    if (!lineInstead.empty()) f.caption += " A line where the empirical law failed (" + lineInstead.colonList() + ").";
    if (!anyWith) f.caption += " The cells carry no esds: no error bars.";
    if (!why.empty()) f.caption += " " + joinedWithoutFitText(why);
    f.note = "The strain of each point against " + reference +
             ", with the run's strain measure, whatever its incremental option; ± one esd along the axis from the "
             "cell esds. " +
             namingNote(record);
    return f;
}
