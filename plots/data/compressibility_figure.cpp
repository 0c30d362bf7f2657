// The compressibility of each principal axis from its empirical law, or from the tensor fit where
// the law failed.
#include <algorithm>

#include "plots/data/figures.hpp"
#include "plots/data/plot_ranges.hpp"
#include "plots/data/series_names.hpp"

std::optional<Figure> compressibilityFigure(const PlotRecorder& record) {
    const std::optional<FitResult>& fits = record.fitResult();
    if (!record.pressureRun() || !fits) return {};
    const CoefficientUnit unit = coefficientScale(record);
    const auto [low, high] = record.dataRange();
    const std::vector<double> xs = curveSamples(low, high);
    Figure f;
    f.xLabel = variableLabel(true, record.pressureUnit());
    PlotPanel panel;
    panel.zeroLine = true;
    panel.scale = unit.factor;
    panel.yLabel = coefficientLabel(record, unit);
    std::vector<std::pair<int, FittedCurve>> curves;
    std::string failed;
    // The axes whose law failed, grouped by the reason: drawn from the tensor fit, or not at all.
    NamesByReason fromTensor, undrawn;
    const TensorFit* tensor = fits->tensor && fits->tensor->status.ok ? &*fits->tensor : nullptr;
    std::vector<TensorAt> tensorAt;  // the tensor fit along the samples, for axes whose law failed
    // One curve for the axes the crystal system makes equal, from the law of the group's first.
    for (const std::vector<int>& group : symmetryGroups(record)) {
        const int t = group.front();
        const int number = t + 1;
        for (const EmpiricalFit& e : fits->empirical) {
            if (e.axis != number) continue;
            FittedCurve curve;
            curve.colour = kAxisColours[number - 1];
            curve.name = groupLegend(record, group);
            curve.columns = groupColumns(record, group);
            curve.x = xs;
            std::string names;
            for (const int k : group) names += (names.empty() ? "" : ", ") + axisName(record, k);
            if (e.status.ok) {
                for (const double x : xs) {
                    curve.y.push_back(e.compressibilityAt(x));
                    curve.esd.push_back(e.compressibilityEsdAt(x));
                }
            } else if (tensor) {
                // The same quantity from the tensor fit: its derivative along the axis.
                if (tensorAt.empty())
                    for (const double x : xs) tensorAt.push_back(tensor->tensorAt(x));
                for (const TensorAt& a : tensorAt) {
                    curve.y.push_back(record.principalAxes() ? a.principal[t].value : a.tensor(t + 1, t + 1));
                    curve.esd.push_back(record.principalAxes() ? a.principal[t].esd : a.esd(t + 1, t + 1));
                }
                curve.name = group.size() == 1 ? curve.name + " (tensor fit)"
                                               : curve.name.substr(0, curve.name.size() - 1) + "; tensor fit)";
                curve.dashed = true;
                fromTensor.add(names, e.status.text);
            } else {
                undrawn.add(names, e.status.text);
                continue;
            }
            curves.emplace_back(number, std::move(curve));
        }
    }
    if (!fromTensor.empty())
        failed = "Dashed: the tensor fit's derivative, where the empirical law failed (" + fromTensor.colonList() + ").";
    if (!undrawn.empty()) failed += std::string(failed.empty() ? "" : " ") + "No curve for " + undrawn.colonList() + ".";
    if (curves.empty()) return {};
    std::sort(curves.begin(), curves.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [number, curve] : curves) panel.curves.push_back(std::move(curve));
    // Near Pc the law's slope runs off to infinity: that end does not set the range, and a curve
    // ends where it leaves the range, its band with it.
    panel.yRange = robustRange(panel);
    bool cut = false;
    if (panel.yRange)
        for (FittedCurve& curve : panel.curves) cut = clipToRange(curve, *panel.yRange) || cut;
    f.panels.push_back(std::move(panel));
    if (cut) failed += std::string(failed.empty() ? "" : " ") + "A curve that runs off the range shown is cut at its edge, marked with a triangle.";
    if (!failed.empty()) f.caption = failed;
    f.note = "The compressibility β = −dε/dP of each principal axis from its empirical fit ε = ε0 + λ(P − Pc)^ν "
             "(dashed: from the tensor fit where the law failed), ± one esd from the fit's covariance.";
    return f;
}
