#pragma once
// The plots' record of a run: keeps from each calculation the few numbers the figures show (so
// that the plots are an optional output that does not hold the run), and the fits as given. It
// decides nothing about any figure; the builders (figures.hpp) do.
#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "calc/axis_matching.hpp"
#include "calc/pair_result.hpp"
#include "calc/series_axes.hpp"
#include "fit/fit_result.hpp"
#include "output/run_output.hpp"

// What the plots need of one calculation, per axis in the order of its decomposition (or X, Y, Z
// for the diagonal components).
struct PlotRow {
    int first = 0;
    int second = 0;
    float midpoint = 0.0f;
    bool defined = true;  // the property tensor exists
    bool withEsds = false;
    std::array<float, 3> property{};
    std::array<float, 3> propertyEsd{};
    AxisDirections directions;
    Mat3 propertyTensor;
    Mat3 referenceSMatrix;  // rows: a, b, c of the cell the directions refer to
};

class PlotRecorder : public RunOutput {
public:
    bool begin(const RunHeader& header) override;
    void calculation(const PairResult& r) override;
    // The plots draw the fits over the series as curves and number the axes as the fits' series
    // axes do; kept as given.
    bool wantsFits() const override { return true; }
    void fits(const FitResult& result) override { fits_ = result; }
    bool end() override { return true; }

    // The fits the run gave, if any.
    const std::optional<FitResult>& fitResult() const { return fits_; }

    const std::vector<DataPoint>& points() const { return points_; }
    const std::vector<PlotRow>& rows() const { return rows_; }
    std::size_t calculations() const { return rows_.size(); }
    CrystalSystem crystalSystem() const { return crystalSystem_; }
    // Principal axes in the report; otherwise the diagonal components X, Y, Z stand for them.
    bool principalAxes() const { return principalAxes_; }
    bool pressureRun() const { return pressureRun_; }
    // A series of volumes: no pairs, no print file, the fits alone.
    bool volumeOnly() const { return volumeOnly_; }
    // Each calculation against the first point rather than the one before it (--against-first).
    bool againstFirst() const { return !context_.options.incremental; }
    const std::string& temperatureUnit() const { return temperatureUnit_; }
    const std::string& pressureUnit() const { return pressureUnit_; }
    // The unit of T or P, whichever the series varies.
    const std::string& variableUnit() const { return pressureRun_ ? pressureUnit_ : temperatureUnit_; }

    // The principal axes of the series, which number every line, curve and table: the fits' own,
    // or (for a record given no fits) found from the series at the last calculation.
    const SeriesAxes& axes() const;
    // The numbers of a calculation's axes, in the order of its decomposition.
    std::array<int, 3> numbersOf(const PlotRow& row) const;
    // The lowest and highest T or P of the data points, for drawing fitted curves across them.
    std::array<double, 2> dataRange() const;

private:
    std::vector<DataPoint> points_;
    bool pressureRun_ = false;
    bool volumeOnly_ = false;
    bool principalAxes_ = false;
    CrystalSystem crystalSystem_ = CrystalSystem::none;
    PairContext context_;
    std::string temperatureUnit_;
    std::string pressureUnit_;
    std::vector<PlotRow> rows_;
    std::optional<FitResult> fits_;
    mutable std::shared_ptr<const SeriesAxes> ownAxes_;  // found on first use when no fits came
};
