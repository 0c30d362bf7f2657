#include "plots/data/plot_recorder.hpp"

#include <algorithm>
#include <limits>

#include "calc/principal_axes.hpp"
#include "calc/series.hpp"

bool PlotRecorder::begin(const RunHeader& header) {
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

void PlotRecorder::calculation(const PairResult& r) {
    PlotRow row;
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

const SeriesAxes& PlotRecorder::axes() const {
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

std::array<int, 3> PlotRecorder::numbersOf(const PlotRow& row) const {
    return axes().numbersOf(row.directions, row.second);
}

std::array<double, 2> PlotRecorder::dataRange() const {
    double low = std::numeric_limits<double>::infinity(), high = -low;
    for (const DataPoint& p : points_) {
        low = std::min(low, static_cast<double>(variableOf(p, pressureRun_)));
        high = std::max(high, static_cast<double>(variableOf(p, pressureRun_)));
    }
    return {low, high};
}
