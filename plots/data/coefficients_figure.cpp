// The principal coefficients of each calculation at its midpoint, with the tensor fit's curves.
#include <algorithm>

#include "plots/data/figures.hpp"
#include "plots/data/plot_labels.hpp"
#include "plots/data/plot_ranges.hpp"
#include "plots/data/series_names.hpp"

namespace {

void addTensorCurves(const PlotRecorder& record, Figure& figure) {
    const std::optional<FitResult>& fits = record.fitResult();
    if (!fits || !fits->tensor || !fits->tensor->status.ok || figure.panels.empty() || record.rows().empty()) return;
    const TensorFit& tensor = *fits->tensor;
    // Samples across the data, and at each calculation's midpoint, where the fit meets the points.
    const auto [low, high] = record.dataRange();
    std::vector<double> xs = curveSamples(low, high);
    for (const PlotRow& row : record.rows()) xs.push_back(row.midpoint);
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    std::vector<TensorAt> at;
    at.reserve(xs.size());
    for (const double x : xs) at.push_back(tensor.tensorAt(x));

    PlotPanel& panel = figure.panels.front();
    for (PlotLine& line : panel.lines) {
        const int k = axisOfLine(line);
        if (k < 0 || k > 2) continue;
        line.joined = false;  // the fit joins them
        FittedCurve curve;
        curve.colour = line.colour;
        for (std::size_t s = 0; s < at.size(); ++s) {
            curve.x.push_back(xs[s]);
            // The fit's principal axes carry the series' numbers: axis k + 1 is principal[k].
            curve.y.push_back(record.principalAxes() ? at[s].principal[k].value : at[s].tensor(k + 1, k + 1));
            curve.esd.push_back(record.principalAxes() ? at[s].principal[k].esd : at[s].esd(k + 1, k + 1));
        }
        panel.curves.push_back(std::move(curve));
    }
    figure.fitLegend = "tensor fit (order " + std::to_string(tensor.order) + "), ± 1 esd";
}

}  // namespace

Figure coefficientsFigure(const PlotRecorder& record) {
    const std::vector<PlotRow>& rows = record.rows();
    const bool pressure = record.pressureRun();
    Figure f;
    f.xLabel = variableLabel(pressure, record.variableUnit()) + ", midpoint of each calculation";
    PlotPanel panel;
    panel.zeroLine = true;
    const CoefficientUnit unit = coefficientScale(record);
    panel.scale = unit.factor;
    panel.yLabel = coefficientLabel(record, unit);

    std::vector<std::array<int, 3>> numbers;
    numbers.reserve(rows.size());
    for (const PlotRow& row : rows) numbers.push_back(record.numbersOf(row));
    addAxisLines(record, panel, [&](int k, PlotLine& line) {
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const PlotRow& row = rows[r];
            if (!row.defined) continue;
            const auto m = static_cast<std::size_t>(
                std::find(numbers[r].begin(), numbers[r].end(), k + 1) - numbers[r].begin());
            line.x.push_back(row.midpoint);
            line.y.push_back(row.property[m]);
            line.esd.push_back(row.withEsds ? row.propertyEsd[m] : kNoEsd);
        }
    });
    f.panels.push_back(std::move(panel));
    addTensorCurves(record, f);
    f.panels.front().yRange = robustRange(f.panels.front());

    std::string notes;
    const bool someWithout = std::any_of(rows.begin(), rows.end(), [](const PlotRow& r) { return !r.withEsds; });
    const bool allWithout = std::none_of(rows.begin(), rows.end(), [](const PlotRow& r) { return r.withEsds; });
    if (allWithout)
        f.caption = "The cells carry no esds: no error bars.";
    else if (someWithout)
        f.caption = "No error bar where neither cell of a calculation carries esds.";
    std::string undefined;
    for (std::size_t k = 0; k < rows.size(); ++k)
        if (!rows[k].defined) undefined += (undefined.empty() ? "" : ", ") + std::to_string(k + 1);
    if (!undefined.empty())
        notes += "No value for calculation " + undefined + ": " + (pressure ? "P" : "T") + " did not change. ";
    notes += "Each calculation's coefficients at its midpoint, ± one esd. ";
    f.note = notes + namingNote(record);
    return f;
}
