#pragma once
// The plots' record of a run: keeps from each calculation the few numbers the figures show (so
// that the plots are an optional output that does not hold the run), and the fits as given. It
// decides nothing about any figure; the builders (figures.hpp) do.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "calc/axis_matching.hpp"
#include "calc/pair_result.hpp"
#include "calc/series_axes.hpp"
#include "fit/fit_result.hpp"
#include "output/run_output.hpp"

// What the plots need of one data point: T or P, whichever the series varies, its esd and the
// cell. For a series of volumes the cell is empty and the volume as read stands beside it.
struct PlotPoint {
    float x = 0.0f;
    float xEsd = 0.0f;
    UnitCell cell;
};

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
};

// What a representation surface is drawn from: the calculation's property tensor and the cell its
// directions refer to. Kept only for the calculations whose surface may be asked for.
struct SurfaceTensors {
    std::size_t calculation = 0;  // from 1
    Mat3 propertyTensor;
    Mat3 referenceSMatrix;  // rows: a, b, c of the cell the directions refer to
    PackedDirections directions;  // of the calculation's axes, in the order of its decomposition
};

class PlotRecorder : public RunOutput {
public:
    // A record keeps the surface tensors of every calculation (the results window offers each);
    // one that will draw a single surface keeps only those of calculation `k` (from 1), or with
    // k = 0 those the default choice may fall on (defaultSurfaceCalculation, figures.hpp).
    void keepOneSurface(std::size_t k) { oneSurface_ = k; }

    bool begin(const RunHeader& header) override;
    void calculation(const PairResult& r) override;
    // The plots draw the fits over the series as curves and number the axes as the fits' series
    // axes do; kept as given.
    bool wantsFits() const override { return true; }
    // The fits' axes number each calculation's axes, which then need their directions no more.
    void fits(const FitResult& result) override;
    // The points are copied here, at the run's end, rather than at its start: a long series' fits
    // have let their arrays go by then, and the copy is not held beside them.
    bool end() override;

    // The fits the run gave, if any.
    const std::optional<FitResult>& fitResult() const { return fits_; }

    const std::vector<PlotPoint>& points() const { return points_; }
    // A series of volumes: V and its esd as read at each point; empty otherwise.
    const std::vector<std::array<float, 2>>& volumesAsRead() const { return volumesAsRead_; }
    const std::vector<PlotRow>& rows() const { return rows_; }
    // The surface tensors of calculation k (from 1), or none where they were not kept.
    const SurfaceTensors* surfaceTensors(std::size_t k) const;
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
    // The numbers of calculation k's axes (from 1), in the order of its decomposition.
    std::array<int, 3> numbersOf(std::size_t k) const;
    // The lowest and highest T or P of the data points, for drawing fitted curves across them.
    std::array<double, 2> dataRange() const;

private:
    void keepTensors(const PairResult& r, std::size_t k, const PackedDirections& directions);
    std::array<std::uint8_t, 3> numbered(const PackedDirections& directions, int second) const;

    const Series* series_ = nullptr;  // from begin() to end()
    std::vector<PlotPoint> points_;
    std::vector<std::array<float, 2>> volumesAsRead_;
    bool pressureRun_ = false;
    bool volumeOnly_ = false;
    bool principalAxes_ = false;
    CrystalSystem crystalSystem_ = CrystalSystem::none;
    PairContext context_;
    std::string temperatureUnit_;
    std::string pressureUnit_;
    std::vector<PlotRow> rows_;
    // Each calculation's axis directions until the fits' axes number them; then its numbers.
    std::vector<PackedDirections> directions_;
    std::vector<std::array<std::uint8_t, 3>> numbers_;
    std::optional<std::size_t> oneSurface_;
    std::vector<SurfaceTensors> tensors_;  // ascending calculation
    std::optional<FitResult> fits_;
    mutable std::shared_ptr<const SeriesAxes> ownAxes_;  // found on first use when no fits came
};
