// The representation surface of one calculation's property tensor, its axes as the series' axes.
#include <stdexcept>

#include "calc/series.hpp"
#include "plots/data/figures.hpp"
#include "plots/data/plot_labels.hpp"
#include "plots/data/series_names.hpp"
#include "plots/data/surface_geometry.hpp"

namespace {

constexpr int kSectionSteps = 360;  // one point per degree round a section
constexpr int kMeshRows = 31;       // every 6 degrees from +Z to -Z
constexpr int kMeshColumns = 61;    // every 6 degrees round Z, closed

}  // namespace

std::size_t defaultSurfaceCalculation(const PlotRecorder& record) {
    const std::vector<PlotRow>& rows = record.rows();
    for (std::size_t k = rows.size(); k > 0; --k)
        if (rows[k - 1].defined) return k;
    return rows.size();
}

std::string calculationLabel(const PlotRecorder& record, std::size_t k) {
    const PlotRow& row = record.rows().at(k - 1);
    const std::vector<PlotPoint>& points = record.points();
    const bool pressure = record.pressureRun();
    const std::size_t i = static_cast<std::size_t>(row.first - 1), j = static_cast<std::size_t>(row.second - 1);
    const std::string mid = i < points.size() && j < points.size()
                                ? midpointText(points[i].x, points[j].x)
                                : shownNumber(row.midpoint);
    return std::to_string(k) + ": points " + std::to_string(row.first) + " and " + std::to_string(row.second) + ", " +
           variableValue(pressure, mid, record.variableUnit());
}

SurfaceData surfaceFigure(const PlotRecorder& record, std::size_t k) {
    SurfaceData s;
    const PlotRow& row = record.rows().at(k - 1);
    s.calculation = static_cast<int>(k);
    s.label = calculationLabel(record, k);
    s.defined = row.defined;
    const CoefficientUnit scale = coefficientScale(record);
    s.valueLabel = coefficientLabel(record, scale);
    // A record keeps the tensors of the calculations whose surface it may be asked for.
    const SurfaceTensors* tensors = record.surfaceTensors(k);
    if (!tensors) throw std::out_of_range("no surface kept for calculation " + std::to_string(k));
    for (int i = 1; i <= 3; ++i) s.crystalAxes[i - 1] = unit(::row(tensors->referenceSMatrix, i));
    // The calculation's axes as the series' axes, each numbered and turned as that axis.
    AxisDirections shown;
    const std::array<int, 3> numbers = record.numbersOf(k);
    for (int m = 0; m < 3; ++m) {
        const int a = numbers[m] - 1;
        s.axisNames[a] = record.principalAxes() ? std::to_string(a + 1) : axisName(record, a);
        shown[a] = tensors->directions[static_cast<std::size_t>(m)];
        const SeriesAxis& axis = record.axes().axes[static_cast<std::size_t>(a)];
        if (shown[a] && axis.hasDirection && dot(*shown[a], axis.vector) < 0.0f) {
            Vec3& d = *shown[a];
            d = {-d[0], -d[1], -d[2]};
        }
    }
    s.axes = completeAxes(shown);
    if (!row.defined) return s;

    Mat3 scaled = tensors->propertyTensor;
    const auto factor = static_cast<float>(scale.factor);
    for (float& v : scaled.v) v *= factor;
    for (int t = 0; t < 3; ++t) s.values[t] = normalValue(scaled, s.axes[t]);
    constexpr std::array<std::array<int, 2>, 3> kPlanes{{{0, 1}, {0, 2}, {1, 2}}};
    for (int p = 0; p < 3; ++p)
        s.sections[p] = sectionOf(scaled, s.axes, kPlanes[p][0], kPlanes[p][1], s.crystalAxes, kSectionSteps);
    fillMesh(scaled, kMeshRows, kMeshColumns, s);
    return s;
}
