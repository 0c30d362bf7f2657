#include "plots/data/plot_recorder.hpp"

#include <algorithm>
#include <limits>

#include "calc/principal_axes.hpp"
#include "calc/series.hpp"

bool PlotRecorder::begin(const RunHeader& header) {
    const Series& series = header.series;
    series_ = &series;
    points_.clear();
    volumesAsRead_.clear();
    pressureRun_ = header.series.pressureRun;
    crystalSystem_ = header.series.crystalSystem;
    principalAxes_ = hasPrincipalAxes(crystalSystem_);
    context_ = PairContext{header.options, crystalSystem_, pressureRun_};
    temperatureUnit_ = header.series.temperatureUnit;
    pressureUnit_ = header.series.pressureUnit;
    volumeOnly_ = header.series.volumeOnly;
    rows_.clear();
    // A calculation for each point after the first: room for them all at once, without the slack
    // of a growing vector.
    rows_.reserve(series.points.empty() || series.volumeOnly ? 0 : series.points.size() - 1);
    directions_.clear();
    directions_.reserve(rows_.capacity());
    numbers_.clear();
    tensors_.clear();
    fits_.reset();
    ownAxes_.reset();
    return true;
}

void PlotRecorder::calculation(const PairResult& r) {
    PlotRow row;
    PackedDirections directions;
    row.first = r.first;
    row.second = r.second;
    row.midpoint = r.delta.midpoint;
    row.defined = r.property.defined;
    row.withEsds = r.strain.esdCount > 0;
    for (int m = 0; m < 3; ++m) {
        if (principalAxes_) {
            const PrincipalAxis& axis = r.principal[m];
            row.property[m] = axis.property;
            row.propertyEsd[m] = axis.propertyEsd;
            if (axis.hasDirection) directions.set(static_cast<std::size_t>(m), axis.direction);
        } else {
            // X, Y and Z are the principal axes: the diagonal components.
            row.property[m] = r.property.propertyTensor(m + 1, m + 1);
            row.propertyEsd[m] = r.property.propertyEsd(m + 1, m + 1);
            Vec3 e{};
            e[m] = 1.0f;
            directions.set(static_cast<std::size_t>(m), e);
        }
    }
    rows_.push_back(row);
    keepTensors(r, rows_.size(), directions);
    if (numbers_.empty())
        directions_.push_back(directions);
    else
        numbers_.push_back(numbered(directions, row.second));  // the fits came first
}

bool PlotRecorder::end() {
    if (!series_) return true;
    const Series& series = *series_;
    series_ = nullptr;
    points_.reserve(series.points.size());
    for (const DataPoint& p : series.points) {
        points_.push_back({variableOf(p, series.pressureRun), variableEsdOf(p, series.pressureRun), p.cell});
        if (series.volumeOnly) volumesAsRead_.push_back({p.volumeAsRead, p.volumeAsReadEsd});
    }
    return true;
}

void PlotRecorder::fits(const FitResult& result) {
    fits_ = result;
    if (!fits_->axes || !numbers_.empty() || directions_.empty()) return;
    numbers_.reserve(directions_.size());
    for (std::size_t k = 0; k < directions_.size(); ++k) numbers_.push_back(numbered(directions_[k], rows_[k].second));
    std::vector<PackedDirections>().swap(directions_);
}

std::array<std::uint8_t, 3> PlotRecorder::numbered(const PackedDirections& packed, int second) const {
    AxisDirections directions;
    for (std::size_t m = 0; m < 3; ++m) directions[m] = packed[m];
    const std::array<int, 3> n = axes().numbersOf(directions, second);
    return {static_cast<std::uint8_t>(n[0]), static_cast<std::uint8_t>(n[1]), static_cast<std::uint8_t>(n[2])};
}

void PlotRecorder::keepTensors(const PairResult& r, std::size_t k, const PackedDirections& directions) {
    const SurfaceTensors tensors{k, r.property.propertyTensor,
                                 isEulerian(context_.options.strainType) ? r.sMatrix2 : r.sMatrix1, directions};
    if (!oneSurface_) {
        tensors_.push_back(tensors);
        return;
    }
    if (*oneSurface_ != 0) {
        if (k == *oneSurface_) tensors_.push_back(tensors);
        return;
    }
    // The default: the last defined calculation, or the last one when none is. A defined one
    // replaces both; otherwise the last defined so far stays beside the newest.
    if (r.property.defined || tensors_.empty() || !rows_[tensors_.front().calculation - 1].defined)
        tensors_.clear();
    else
        tensors_.resize(1);
    tensors_.push_back(tensors);
}

const SurfaceTensors* PlotRecorder::surfaceTensors(std::size_t k) const {
    const auto at = std::lower_bound(tensors_.begin(), tensors_.end(), k,
                                     [](const SurfaceTensors& t, std::size_t c) { return t.calculation < c; });
    return at != tensors_.end() && at->calculation == k ? &*at : nullptr;
}

const SeriesAxes& PlotRecorder::axes() const {
    if (fits_ && fits_->axes) return *fits_->axes;
    if (!ownAxes_) {
        // The series as far as its axes need it: T or P, its esd and the cell.
        Series series;
        series.points.reserve(points_.size());
        for (const PlotPoint& p : points_) {
            DataPoint d;
            (pressureRun_ ? d.p : d.t) = p.x;
            (pressureRun_ ? d.sigP : d.sigT) = p.xEsd;
            d.cell = p.cell;
            series.points.push_back(d);
        }
        series.crystalSystem = crystalSystem_;
        series.pressureRun = pressureRun_;
        ownAxes_ = std::make_shared<const SeriesAxes>(seriesAxes(series, context_.options));
    }
    return *ownAxes_;
}

std::array<int, 3> PlotRecorder::numbersOf(std::size_t k) const {
    const std::array<std::uint8_t, 3> n =
        k <= numbers_.size() ? numbers_[k - 1] : numbered(directions_.at(k - 1), rows_.at(k - 1).second);
    return {n[0], n[1], n[2]};
}

std::array<double, 2> PlotRecorder::dataRange() const {
    double low = std::numeric_limits<double>::infinity(), high = -low;
    for (const PlotPoint& p : points_) {
        low = std::min(low, static_cast<double>(p.x));
        high = std::max(high, static_cast<double>(p.x));
    }
    return {low, high};
}
