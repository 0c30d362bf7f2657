#include "plots/data/plot_collector.hpp"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "calc/principal_axes.hpp"
#include "calc/series.hpp"
#include "fit/coefficient_units.hpp"
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

// An eigenvector's sign means nothing: the sense shown is the one whose angle to the nearest
// crystal axis is at most 90°.
bool flippedSense(const std::array<float, 3>& toAbc) {
    int nearest = 0;
    float closest = 181.0f;
    for (int i = 0; i < 3; ++i) {
        const float line = std::min(toAbc[i], 180.0f - toAbc[i]);  // angle between the lines
        if (line < closest) {
            closest = line;
            nearest = i;
        }
    }
    return toAbc[nearest] > 90.0f;
}

std::array<float, 3> shownAngles(const std::array<float, 3>& toAbc) {
    if (!flippedSense(toAbc)) return toAbc;
    return {180.0f - toAbc[0], 180.0f - toAbc[1], 180.0f - toAbc[2]};
}

}  // namespace

bool PlotCollector::begin(const RunHeader& header) {
    points_ = header.series.points;
    pressureRun_ = header.series.pressureRun;
    crystalSystem_ = header.series.crystalSystem;
    principalAxes_ = hasPrincipalAxes(crystalSystem_);
    context_ = PairContext{header.options, crystalSystem_, pressureRun_};
    temperatureUnit_ = header.series.temperatureUnit;
    pressureUnit_ = header.series.pressureUnit;
    rows_.clear();
    reference_.clear();
    return true;
}

void PlotCollector::fillAxes(const PairResult& r, bool principalAxes, std::array<float, 3>& strain,
                             std::array<float, 3>& strainEsd, AxisDirections& directions) {
    for (int m = 0; m < 3; ++m) {
        if (principalAxes) {
            const PrincipalAxis& axis = r.principal[m];
            strain[m] = axis.strain;
            strainEsd[m] = axis.strainEsd;
            directions[m] = axis.hasDirection ? std::optional<Vec3>(axis.direction) : std::nullopt;
        } else {
            // X, Y and Z are the principal axes: the diagonal components.
            strain[m] = r.strain.strainTensor(m + 1, m + 1);
            strainEsd[m] = r.strain.esdTensor(m + 1, m + 1);
            Vec3 e{};
            e[m] = 1.0f;
            directions[m] = e;
        }
    }
}

void PlotCollector::calculation(const PairResult& r) {
    const bool eulerian = isEulerian(context_.options.strainType);
    Row row;
    row.first = r.first;
    row.second = r.second;
    row.midpoint = r.delta.midpoint;
    row.defined = r.property.defined;
    row.withEsds = r.strain.esdCount > 0;
    row.propertyTensor = r.property.propertyTensor;
    row.referenceSMatrix = eulerian ? r.sMatrix2 : r.sMatrix1;
    std::array<float, 3> strain{}, strainEsd{};
    fillAxes(r, principalAxes_, strain, strainEsd, row.directions);
    for (int m = 0; m < 3; ++m) {
        if (principalAxes_) {
            row.property[m] = r.principal[m].property;
            row.propertyEsd[m] = r.principal[m].propertyEsd;
            if (r.principal[m].hasDirection) row.toAbc[m] = r.principal[m].angles.toAbc;  // as the report gives them
        } else {
            row.property[m] = r.property.propertyTensor(m + 1, m + 1);
            row.propertyEsd[m] = r.property.propertyEsd(m + 1, m + 1);
            row.toAbc[m] = anglesToCrystalAxes(*row.directions[m], row.referenceSMatrix);
        }
    }
    rows_.push_back(row);

    // The strain of the later point against the reference point: this record itself when it
    // starts there, otherwise the same calculation for that pair.
    if (r.second < 1 || static_cast<std::size_t>(r.second) > points_.size()) return;
    ReferenceRow ref;
    ref.point = r.second;
    ref.x = variableOf(points_[static_cast<std::size_t>(r.second - 1)], pressureRun_);
    if (r.first == 1) {
        ref.withEsds = row.withEsds;
        fillAxes(r, principalAxes_, ref.strain, ref.strainEsd, ref.directions);
    } else {
        const PairResult against =
            computePair(context_, points_.front(), points_[static_cast<std::size_t>(r.second - 1)], 1, r.second);
        ref.withEsds = against.strain.esdCount > 0;
        fillAxes(against, principalAxes_, ref.strain, ref.strainEsd, ref.directions);
    }
    reference_.push_back(ref);
}

std::vector<std::array<int, 3>> PlotCollector::axisOrders() const {
    std::vector<AxisDirections> d;
    d.reserve(rows_.size());
    for (const Row& row : rows_) d.push_back(row.directions);
    return followAxes(d);
}

std::vector<std::array<int, 3>> PlotCollector::referenceOrders() const {
    std::vector<AxisDirections> d;
    d.reserve(reference_.size());
    for (const ReferenceRow& row : reference_) d.push_back(row.directions);
    return followAxes(d);
}

std::size_t PlotCollector::namedIndex(std::size_t named) const {
    if (rows_.empty()) return 0;
    return (named == 0 || named > rows_.size() ? rows_.size() : named) - 1;
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

std::string PlotCollector::axisLegend(const Row& row, int m) const {
    const std::string name = principalAxes_ ? "axis " + std::to_string(m + 1) : kCartesian[m];
    if (!row.directions[m]) return name + ": no defined direction";
    const auto a = shownAngles(row.toAbc[m]);
    return name + ": " + degrees(a[0]) + ", " + degrees(a[1]) + ", " + degrees(a[2]) + " to a, b, c";
}

std::array<PlotCollector::TrackName, 3> PlotCollector::coefficientTracks(std::size_t named) const {
    std::array<TrackName, 3> names;
    if (rows_.empty()) {
        for (int t = 0; t < 3; ++t) names[t] = {t + 1, principalAxes_ ? "axis " + std::to_string(t + 1) : kCartesian[t]};
        return names;
    }
    const std::size_t k = namedIndex(named);
    const std::array<int, 3> order = axisOrders()[k];
    for (int t = 0; t < 3; ++t) names[t] = {order[t] + 1, axisLegend(rows_[k], order[t])};
    return names;
}

std::array<PlotCollector::TrackName, 3> PlotCollector::strainTracks(std::size_t named) const {
    std::array<TrackName, 3> names;
    for (int t = 0; t < 3; ++t) names[t] = {t + 1, principalAxes_ ? "axis " + std::to_string(t + 1) : kCartesian[t]};
    if (rows_.empty() || reference_.empty()) return names;
    const std::size_t k = namedIndex(named);
    const Row& row = rows_[k];
    // The later point of the named calculation, and the strain tracks' directions there.
    const auto at = std::find_if(reference_.begin(), reference_.end(),
                                 [&](const ReferenceRow& r) { return r.point == row.second; });
    if (at == reference_.end()) return names;
    const std::size_t j = static_cast<std::size_t>(at - reference_.begin());
    const std::array<int, 3> order = referenceOrders()[j];
    AxisDirections tracks;
    for (int t = 0; t < 3; ++t) tracks[t] = at->directions[order[t]];
    // Each axis of the named calculation names the strain track most nearly parallel to it.
    const std::array<int, 3> trackOfAxis = matchAxes(row.directions, tracks);
    for (int m = 0; m < 3; ++m) names[trackOfAxis[m]] = {m + 1, axisLegend(row, m)};
    return names;
}

void PlotCollector::addTrackLines(PlotPanel& panel, const std::array<TrackName, 3>& tracks,
                                  const std::function<void(int track, PlotLine& line)>& addPoints) const {
    for (int t = 0; t < 3; ++t) {
        PlotLine line;
        const int number = principalAxes_ ? tracks[t].number : t + 1;
        line.colour = kAxisColours[number - 1];
        line.name = tracks[t].legend;
        line.columns = {principalAxes_ ? "axis_" + std::to_string(number) : kCartesian[t]};
        addPoints(t, line);
        panel.lines.push_back(std::move(line));
    }
    // Axis 1 first, as the legend and the report list them.
    std::stable_sort(panel.lines.begin(), panel.lines.end(),
                     [](const PlotLine& a, const PlotLine& b) { return a.colour < b.colour; });
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

Figure PlotCollector::coefficients(std::size_t named) const {
    Figure f;
    f.xLabel = variableLabel(pressureRun_, variableUnit()) + ", midpoint of each calculation";
    PlotPanel panel;
    panel.zeroLine = true;
    const CoefficientUnit unit = coefficientScale();
    panel.scale = unit.factor;
    panel.yLabel = coefficientLabel(unit);

    const auto orders = axisOrders();
    addTrackLines(panel, coefficientTracks(named), [&](int t, PlotLine& line) {
        for (std::size_t k = 0; k < rows_.size(); ++k) {
            const Row& row = rows_[k];
            if (!row.defined) continue;
            const int m = orders[k][t];
            line.x.push_back(row.midpoint);
            line.y.push_back(row.property[m]);
            line.esd.push_back(row.withEsds ? row.propertyEsd[m] : kNoEsd);
        }
    });
    f.panels.push_back(std::move(panel));
    addTensorCurves(f, named);
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
    notes += principalAxes_ ? "Each line follows one axis by its direction; numbers and angles as the report gives "
                              "them at calculation " +
                                  std::to_string(namedIndex(named) + 1) + "."
                            : "X, Y and Z are the principal axes of this crystal system.";
    f.note = notes;
    return f;
}

Figure PlotCollector::strains(std::size_t named) const {
    Figure f;
    f.xLabel = variableLabel(pressureRun_, variableUnit());
    PlotPanel panel;
    panel.zeroLine = true;
    panel.scale = 100.0;  // in %
    const std::string reference = points_.empty() ? std::string("the first point") : "point 1 at " + pointValue(1);
    // Short enough for the axis of a printed figure; the caption says where point 1 is.
    panel.yLabel = "ε against point 1 (%)";

    const auto orders = referenceOrders();
    addTrackLines(panel, strainTracks(named), [&](int t, PlotLine& line) {
        if (!points_.empty() && !reference_.empty()) {
            // The reference point itself: no strain.
            line.x.push_back(variableOf(points_.front(), pressureRun_));
            line.y.push_back(0.0f);
            line.esd.push_back(kNoEsd);
        }
        for (std::size_t j = 0; j < reference_.size(); ++j) {
            const ReferenceRow& row = reference_[j];
            const int m = orders[j][t];
            line.x.push_back(row.x);
            line.y.push_back(row.strain[m]);
            line.esd.push_back(row.withEsds ? row.strainEsd[m] : kNoEsd);
        }
    });
    f.panels.push_back(std::move(panel));
    addStrainCurves(f, named);

    const bool anyWith = std::any_of(reference_.begin(), reference_.end(), [](const ReferenceRow& r) { return r.withEsds; });
    f.caption = "Strain of each point against " + reference + ".";
    if (!anyWith) f.caption += " The cells carry no esds: no error bars.";
    f.note = "The strain of each point against " + reference +
             ", with the run's strain measure, whatever its incremental option; ± one esd from the cell esds. " +
             (principalAxes_ ? "Numbers and angles as the report gives them at calculation " +
                                   std::to_string(namedIndex(named) + 1) + "."
                             : std::string("X, Y and Z are the principal axes of this crystal system."));
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
    // The axes as the report numbers them at this calculation, each in the sense the legends show.
    AxisDirections shown;
    for (int m = 0; m < 3; ++m) {
        s.axisNames[m] = principalAxes_ ? std::to_string(m + 1) : std::string(kCartesian[m]);
        shown[m] = row.directions[m];
        if (shown[m] && flippedSense(row.toAbc[m])) {
            Vec3& d = *shown[m];
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

std::vector<NamedFigure> PlotCollector::figures(std::size_t named) const {
    std::vector<NamedFigure> list;
    list.push_back({"coefficients", "Principal coefficients", coefficients(named), {}});
    list.push_back({"strains", "Principal strains", strains(named), {}});
    list.push_back({"cell", "Cell", cell(), {}});
    if (std::optional<Figure> ff = normalisedPressure()) list.push_back({"ff", "F–f", std::move(*ff), {}});
    if (std::optional<Figure> k = compressibility(named))
        list.push_back({"compressibility", "Axial compressibility", std::move(*k), {}});
    for (NamedFigure& f : list) f.csv = figureCsv(f.figure);
    return list;
}

PlotSet PlotCollector::plots(std::size_t surfaceK) const {
    PlotSet set;
    set.figures = figures(surfaceK);
    if (!rows_.empty()) set.surface = surface(surfaceK == 0 ? rows_.size() : surfaceK);
    return set;
}
