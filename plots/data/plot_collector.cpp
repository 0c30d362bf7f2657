#include "plots/data/plot_collector.hpp"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "calc/principal_axes.hpp"
#include "calc/series.hpp"
#include "format/coefficient_units.hpp"
#include "plots/data/plot_csv.hpp"
#include "plots/data/plot_labels.hpp"
#include "plots/data/plot_ranges.hpp"
#include "plots/data/surface_geometry.hpp"

namespace {

constexpr int kSectionSteps = 360;  // one point per degree round a section
constexpr int kMeshRows = 31;       // every 6 degrees from +Z to -Z
constexpr int kMeshColumns = 61;    // every 6 degrees round Z, closed
constexpr float kNoEsd = std::numeric_limits<float>::quiet_NaN();
constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();  // a gap in a line

constexpr std::array<PlotColour, 3> kAxisColours{PlotColour::axis1, PlotColour::axis2, PlotColour::axis3};
const char* const kCartesian[3] = {"X", "Y", "Z"};

std::string degrees(float angle) { return std::to_string(std::lround(angle)) + "°"; }

}  // namespace

bool PlotCollector::begin(const RunHeader& header) {
    points_ = header.series.points;
    pressureRun_ = header.series.pressureRun;
    crystalSystem_ = header.series.crystalSystem;
    principalAxes_ = hasPrincipalAxes(crystalSystem_);
    context_ = PairContext{header.options, crystalSystem_, pressureRun_};
    temperatureUnit_ = header.series.temperatureUnit;
    pressureUnit_ = header.series.pressureUnit;
    volumeOnly_ = header.series.volumeOnly;
    rows_.clear();
    fits_.reset();
    ownAxes_.reset();
    return true;
}

void PlotCollector::calculation(const PairResult& r) {
    Row row;
    row.first = r.first;
    row.second = r.second;
    row.midpoint = r.delta.midpoint;
    row.defined = r.property.defined;
    row.withEsds = r.strain.esdCount > 0;
    row.propertyTensor = r.property.propertyTensor;
    row.referenceSMatrix = isEulerian(context_.options.strainType) ? r.sMatrix2 : r.sMatrix1;
    for (int m = 0; m < 3; ++m) {
        if (principalAxes_) {
            const PrincipalAxis& axis = r.principal[m];
            row.property[m] = axis.property;
            row.propertyEsd[m] = axis.propertyEsd;
            if (axis.hasDirection) row.directions[m] = axis.direction;
        } else {
            // X, Y and Z are the principal axes: the diagonal components.
            row.property[m] = r.property.propertyTensor(m + 1, m + 1);
            row.propertyEsd[m] = r.property.propertyEsd(m + 1, m + 1);
            Vec3 e{};
            e[m] = 1.0f;
            row.directions[m] = e;
        }
    }
    rows_.push_back(row);
}

const SeriesAxes& PlotCollector::axes() const {
    if (fits_ && fits_->axes) return *fits_->axes;
    if (!ownAxes_) {
        Series series;
        series.points = points_;
        series.crystalSystem = crystalSystem_;
        series.pressureRun = pressureRun_;
        ownAxes_ = std::make_shared<const SeriesAxes>(seriesAxes(series, context_.options));
    }
    return *ownAxes_;
}

std::array<int, 3> PlotCollector::numbersOf(const Row& row) const {
    return axes().numbersOf(row.directions, row.second);
}

std::string PlotCollector::variableUnit() const { return pressureRun_ ? pressureUnit_ : temperatureUnit_; }

CoefficientUnit PlotCollector::coefficientScale() const {
    // A known unit of T or P: the units crystallographers publish in, as the fits report them.
    if (!variableUnit().empty()) return coefficientUnit(pressureRun_, variableUnit());
    // Otherwise a power of ten in steps of three that suits the values.
    float largest = 0.0f;
    for (const Row& row : rows_) {
        if (!row.defined) continue;
        for (const float v : row.property) largest = std::max(largest, std::fabs(v));
    }
    const int exponent = plotExponent(largest);
    return {plotFactor(exponent), perUnitOfVariable(exponent, pressureRun_)};
}

std::string PlotCollector::coefficientLabel(const CoefficientUnit& unit) const {
    return std::string(pressureRun_ ? "β" : "α") + " (" + unit.label + ")";
}

std::string PlotCollector::pointValue(int point) const {
    const DataPoint& p = points_.at(static_cast<std::size_t>(point - 1));
    return variableValue(pressureRun_, shownNumber(variableOf(p, pressureRun_)), variableUnit());
}

std::string PlotCollector::axisName(int k) const {
    return principalAxes_ ? "axis " + std::to_string(k + 1) : std::string(kCartesian[k]);
}

std::string PlotCollector::axisLegend(int k) const {
    const SeriesAxis& axis = axes().axes[static_cast<std::size_t>(k)];
    if (!axis.hasDirection) return axisName(k) + ": no defined direction";
    const auto& a = axis.toAbc;
    return axisName(k) + ": " + degrees(a[0]) + ", " + degrees(a[1]) + ", " + degrees(a[2]) + " to a, b, c";
}

std::string PlotCollector::namingNote() const {
    if (!principalAxes_) return "X, Y and Z are the principal axes of this crystal system.";
    const int named = axes().namedCalculation;
    return "Each line follows one axis by its direction, numbered as the report numbers it at calculation " +
           std::to_string(named) + "; angles to a, b, c of its mean direction along the series.";
}

void PlotCollector::addAxisLines(PlotPanel& panel, const std::function<void(int axis, PlotLine& line)>& addPoints) const {
    for (int k = 0; k < 3; ++k) {
        PlotLine line;
        line.colour = kAxisColours[k];
        line.name = axisLegend(k);
        line.columns = {principalAxes_ ? "axis_" + std::to_string(k + 1) : kCartesian[k]};
        addPoints(k, line);
        panel.lines.push_back(std::move(line));
    }
    mergeEqualBySymmetry(panel);
}

void PlotCollector::mergeEqualBySymmetry(PlotPanel& panel) const {
    // Components that the crystal system makes equal (11 = 22 tetragonal, trigonal, hexagonal;
    // all three cubic) would hide one line under another: one line, named for all, stands for them.
    if (principalAxes_) return;
    std::vector<PlotLine> kept;
    std::vector<std::string> names;
    for (PlotLine& line : panel.lines) {
        const auto same = std::find_if(kept.begin(), kept.end(), [&](const PlotLine& k) {
            return k.y == line.y && std::equal(k.esd.begin(), k.esd.end(), line.esd.begin(), line.esd.end(),
                                               [](float a, float b) { return a == b || (a != a && b != b); });
        });
        if (same == kept.end()) {
            names.push_back(line.columns.front());
            kept.push_back(std::move(line));
        } else {
            const std::size_t at = static_cast<std::size_t>(same - kept.begin());
            names[at] += " = " + line.columns.front();
            same->columns.push_back(line.columns.front());
        }
    }
    for (std::size_t k = 0; k < kept.size(); ++k)
        if (kept[k].columns.size() > 1) kept[k].name = names[k] + " (equal by symmetry)";
    panel.lines = std::move(kept);
}

Figure PlotCollector::coefficients() const {
    Figure f;
    f.xLabel = variableLabel(pressureRun_, variableUnit()) + ", midpoint of each calculation";
    PlotPanel panel;
    panel.zeroLine = true;
    const CoefficientUnit unit = coefficientScale();
    panel.scale = unit.factor;
    panel.yLabel = coefficientLabel(unit);

    std::vector<std::array<int, 3>> numbers;
    numbers.reserve(rows_.size());
    for (const Row& row : rows_) numbers.push_back(numbersOf(row));
    addAxisLines(panel, [&](int k, PlotLine& line) {
        for (std::size_t r = 0; r < rows_.size(); ++r) {
            const Row& row = rows_[r];
            if (!row.defined) continue;
            const auto m = static_cast<std::size_t>(
                std::find(numbers[r].begin(), numbers[r].end(), k + 1) - numbers[r].begin());
            line.x.push_back(row.midpoint);
            line.y.push_back(row.property[m]);
            line.esd.push_back(row.withEsds ? row.propertyEsd[m] : kNoEsd);
        }
    });
    f.panels.push_back(std::move(panel));
    addTensorCurves(f);
    f.panels.front().yRange = robustRange(f.panels.front());

    std::string notes;
    const bool someWithout = std::any_of(rows_.begin(), rows_.end(), [](const Row& r) { return !r.withEsds; });
    const bool allWithout = std::none_of(rows_.begin(), rows_.end(), [](const Row& r) { return r.withEsds; });
    if (allWithout)
        f.caption = "The cells carry no esds: no error bars.";
    else if (someWithout)
        f.caption = "No error bar where neither cell of a calculation carries esds.";
    std::string undefined;
    for (std::size_t k = 0; k < rows_.size(); ++k)
        if (!rows_[k].defined) undefined += (undefined.empty() ? "" : ", ") + std::to_string(k + 1);
    if (!undefined.empty())
        notes += "No value for calculation " + undefined + ": " + (pressureRun_ ? "P" : "T") + " did not change. ";
    notes += "Each calculation's coefficients at its midpoint, ± one esd. ";
    f.note = notes + namingNote();
    return f;
}

Figure PlotCollector::strains() const {
    Figure f;
    f.xLabel = variableLabel(pressureRun_, variableUnit());
    PlotPanel panel;
    panel.zeroLine = true;
    panel.scale = 100.0;  // in %
    const std::string reference = points_.empty() ? std::string("the first point") : "point 1 at " + pointValue(1);
    // Short enough for the axis of a printed figure; the caption says where point 1 is.
    panel.yLabel = "ε against point 1 (%)";

    static const std::vector<StrainOnAxes> kNoPoints;
    const std::vector<StrainOnAxes>& strains = rows_.empty() ? kNoPoints : axes().points;
    addAxisLines(panel, [&](int k, PlotLine& line) {
        for (const StrainOnAxes& s : strains) {
            line.x.push_back(static_cast<float>(s.x));
            line.y.push_back(static_cast<float>(s.value[k]));
            line.esd.push_back(s.withEsds ? static_cast<float>(s.esd[k]) : kNoEsd);
        }
    });
    f.panels.push_back(std::move(panel));
    addStrainCurves(f);

    const bool anyWith = std::any_of(strains.begin(), strains.end(), [](const StrainOnAxes& s) { return s.withEsds; });
    f.caption = "Strain of each point against " + reference + ".";
    if (!anyWith) f.caption += " The cells carry no esds: no error bars.";
    f.note = "The strain of each point against " + reference +
             ", with the run's strain measure, whatever its incremental option; ± one esd along the axis from the "
             "cell esds. " +
             namingNote();
    return f;
}

Figure PlotCollector::cell() const {
    Figure f;
    f.xLabel = variableLabel(pressureRun_, variableUnit());
    f.columns = 2;
    if (points_.empty()) return f;

    struct Quantity {
        const char* symbol;  // as shown
        const char* column;  // in the CSV
        const char* unit;
        PlotColour colour;
        int parameter;  // 0 to 5; 6: the volume
    };
    static constexpr Quantity kQuantities[] = {
        {"a", "a", "Å", PlotColour::cellA, 0},      {"b", "b", "Å", PlotColour::cellB, 1},
        {"c", "c", "Å", PlotColour::cellC, 2},      {"α", "alpha", "°", PlotColour::cellA, 3},
        {"β", "beta", "°", PlotColour::cellB, 4},   {"γ", "gamma", "°", PlotColour::cellC, 5},
        {"V", "V", "Å³", PlotColour::volume, 6},
    };
    const auto lineOf = [&](const Quantity& q) {
        PlotLine line;
        line.name = q.symbol;
        line.columns = {q.column};
        line.colour = q.colour;
        for (const DataPoint& p : points_) {
            line.x.push_back(variableOf(p, pressureRun_));
            const bool six = q.parameter < 6;
            const float value = six ? p.cell[q.parameter] : p.cell.volume();
            // A volume single precision cannot hold (edges of some 1e13 Å) leaves a gap in its line.
            line.y.push_back(std::isfinite(value) ? value : kNoValue);
            const float esd = six ? p.cell.esd[q.parameter] : p.cell.volumeEsd(crystalSystem_);
            // An esd single precision cannot hold draws no error bar, like a missing one; a gap has none.
            line.esd.push_back(!std::isfinite(value) || !p.cell.hasEsds() || !std::isfinite(esd) ? kNoEsd : esd);
        }
        return line;
    };
    // Edges equal by symmetry share one panel: a = b = c cubic, a = b tetragonal, trigonal and
    // hexagonal, when the cells hold them so.
    const bool cubic = crystalSystem_ == CrystalSystem::cubic;
    const bool aEqualsB = cubic || crystalSystem_ == CrystalSystem::tetragonal ||
                          crystalSystem_ == CrystalSystem::trigonal || crystalSystem_ == CrystalSystem::hexagonal;
    std::vector<PlotLine> lines;
    for (const Quantity& q : kQuantities) {
        PlotLine line = lineOf(q);
        if (q.parameter >= 3 && q.parameter < 6 && std::all_of(line.y.begin(), line.y.end(), [&](float v) {
                return v == line.y.front();
            }))
            continue;  // an angle that does not vary
        const bool mayJoin = (q.parameter == 1 && aEqualsB) || (q.parameter == 2 && cubic);
        if (mayJoin && lines.back().y == line.y &&
            std::equal(line.esd.begin(), line.esd.end(), lines.back().esd.begin(), lines.back().esd.end(),
                       [](float a, float b) { return a == b || (a != a && b != b); })) {
            lines.back().columns.push_back(q.column);
            continue;
        }
        lines.push_back(std::move(line));
    }
    for (PlotLine& line : lines) {
        PlotPanel panel;
        std::string symbol = line.name;
        const Quantity& q = *std::find_if(std::begin(kQuantities), std::end(kQuantities),
                                          [&](const Quantity& k) { return line.columns.front() == k.column; });
        if (line.columns.size() > 1) {
            for (std::size_t k = 1; k < line.columns.size(); ++k) symbol += " = " + line.columns[k];
            line.name = symbol + " (equal by symmetry)";
        }
        panel.yLabel = symbol + " (" + q.unit + ")";
        // The y label names the line; the legend says which parameters share one.
        line.inLegend = line.columns.size() > 1;
        panel.lines.push_back(std::move(line));
        f.panels.push_back(std::move(panel));
    }
    addCellCurves(f);
    const bool anyEsds =
        std::any_of(points_.begin(), points_.end(), [](const DataPoint& p) { return p.cell.hasEsds(); });
    if (!anyEsds) f.caption = "The cells carry no esds: no error bars.";
    f.note = "Each point as measured, ± one esd; V and its esd from the cell.";
    return f;
}

std::string PlotCollector::calculationLabel(std::size_t k) const {
    const Row& row = rows_.at(k - 1);
    const std::size_t i = static_cast<std::size_t>(row.first - 1), j = static_cast<std::size_t>(row.second - 1);
    const std::string mid = i < points_.size() && j < points_.size()
                                ? midpointText(variableOf(points_[i], pressureRun_), variableOf(points_[j], pressureRun_))
                                : shownNumber(row.midpoint);
    return std::to_string(k) + ": points " + std::to_string(row.first) + " and " + std::to_string(row.second) + ", " +
           variableValue(pressureRun_, mid, variableUnit());
}

SurfaceData PlotCollector::surface(std::size_t k) const {
    SurfaceData s;
    const Row& row = rows_.at(k - 1);
    s.calculation = static_cast<int>(k);
    s.label = calculationLabel(k);
    s.defined = row.defined;
    const CoefficientUnit scale = coefficientScale();
    s.valueLabel = coefficientLabel(scale);
    for (int i = 1; i <= 3; ++i) s.crystalAxes[i - 1] = unit(::row(row.referenceSMatrix, i));
    // The calculation's axes as the series' axes, each numbered and turned as that axis.
    AxisDirections shown;
    const std::array<int, 3> numbers = numbersOf(row);
    for (int m = 0; m < 3; ++m) {
        const int a = numbers[m] - 1;
        s.axisNames[a] = principalAxes_ ? std::to_string(a + 1) : std::string(kCartesian[a]);
        shown[a] = row.directions[m];
        const SeriesAxis& axis = axes().axes[static_cast<std::size_t>(a)];
        if (shown[a] && axis.hasDirection && dot(*shown[a], axis.vector) < 0.0f) {
            Vec3& d = *shown[a];
            d = {-d[0], -d[1], -d[2]};
        }
    }
    s.axes = completeAxes(shown);
    if (!row.defined) return s;

    Mat3 scaled = row.propertyTensor;
    const auto factor = static_cast<float>(scale.factor);
    for (float& v : scaled.v) v *= factor;
    for (int t = 0; t < 3; ++t) s.values[t] = normalValue(scaled, s.axes[t]);
    constexpr std::array<std::array<int, 2>, 3> kPlanes{{{0, 1}, {0, 2}, {1, 2}}};
    for (int p = 0; p < 3; ++p)
        s.sections[p] = sectionOf(scaled, s.axes, kPlanes[p][0], kPlanes[p][1], s.crystalAxes, kSectionSteps);
    fillMesh(scaled, kMeshRows, kMeshColumns, s);
    return s;
}

std::vector<NamedFigure> PlotCollector::figures() const {
    std::vector<NamedFigure> list;
    // A series of volumes has no pairs and no cells to draw.
    if (!volumeOnly_) {
        list.push_back({"coefficients", "Principal coefficients", coefficients(), {}});
        list.push_back({"strains", "Principal strains", strains(), {}});
        list.push_back({"cell", "Cell", cell(), {}});
    }
    if (std::optional<Figure> ff = normalisedPressure()) list.push_back({"ff", "F–f", std::move(*ff), {}});
    if (std::optional<Figure> k = compressibility())
        list.push_back({"compressibility", "Axial compressibility", std::move(*k), {}});
    if (std::optional<Figure> v = volumeAgainstT()) list.push_back({"thermal", "V(T)", std::move(*v), {}});
    for (NamedFigure& f : list) f.csv = figureCsv(f.figure);
    if (std::optional<NamedFigure> ellipse = confidenceEllipse()) list.push_back(std::move(*ellipse));
    return list;
}

PlotSet PlotCollector::plots(std::size_t surfaceK) const {
    PlotSet set;
    set.figures = figures();
    if (!rows_.empty()) set.surface = surface(surfaceK == 0 ? rows_.size() : surfaceK);
    return set;
}
