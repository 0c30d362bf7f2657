#pragma once
// The plots' output of a run: keeps from each calculation what the plots show (a few numbers per
// pair, so the plots are an optional output that does hold the run), then builds the figures.
#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "calc/axis_matching.hpp"
#include "calc/pair_result.hpp"
#include "calc/series_axes.hpp"
#include "format/coefficient_units.hpp"
#include "fit/fit_result.hpp"
#include "output/run_output.hpp"
#include "plots/data/plot_data.hpp"

class PlotCollector : public RunOutput {
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

    std::size_t calculations() const { return rows_.size(); }
    CrystalSystem crystalSystem() const { return crystalSystem_; }
    bool pressureRun() const { return pressureRun_; }
    // A series of volumes: no pairs, no print file, the fits alone.
    bool volumeOnly() const { return volumeOnly_; }
    const std::string& temperatureUnit() const { return temperatureUnit_; }
    const std::string& pressureUnit() const { return pressureUnit_; }

    // The principal axes of the series, which number every line, curve and table: the fits' own,
    // or (for a collector given no fits) found from the series at the last calculation.
    const SeriesAxes& axes() const;

    // Principal property values (for crystal systems without principal axes in the report, the
    // diagonal components) of each calculation against its midpoint of T or P, each line one
    // axis of the series.
    Figure coefficients() const;
    // The principal strains of every point against the reference point (the first), at T or P of
    // the point, whatever the run's incremental option, in %.
    Figure strains() const;
    // a, b, c, the angles that vary, and V of every data point, each in its own panel.
    Figure cell() const;
    // Pressure series with fits: the normalised pressure F against the Eulerian finite strain f
    // with the BM2 and BM3 lines, and the compressibility of each principal axis from the
    // empirical fit. None when there is nothing to draw.
    std::optional<Figure> normalisedPressure() const;
    std::optional<Figure> compressibility() const;
    // A temperature series with V(T) fits: V against T with each model's curve, and its alpha(T).
    std::optional<Figure> volumeAgainstT() const;
    // The K0-K' confidence ellipses (68.3 and 95.4 %) of the first P-V-T model, or else of the first
    // equation of state of the volume, that fits both; the CSV holds their points.
    std::optional<NamedFigure> confidenceEllipse() const;
    // The fits as tables for the window: linear coefficients, the tensor fit's principal
    // coefficients, equations of state, the empirical fits.
    std::vector<FitTable> fitTables() const;
    // The representation surface of the property tensor of calculation k (1 to calculations()),
    // in the units of the coefficients' plot, its axes numbered as the series' axes.
    SurfaceData surface(std::size_t k) const;
    // Names calculation k in a list: "3: points 3 and 4, T = 27 °C".
    std::string calculationLabel(std::size_t k) const;

    // Every figure with the stem of its files and its CSV, in the order of the window's tabs.
    std::vector<NamedFigure> figures() const;
    // Everything, with the surface of calculation `surfaceK` (0: the last).
    PlotSet plots(std::size_t surfaceK = 0) const;

private:
    // What the plots need of one calculation, per axis in the order of the decomposition (or
    // X, Y, Z for the diagonal components).
    struct Row {
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
    // The numbers of a calculation's axes, in the order of its decomposition.
    std::array<int, 3> numbersOf(const Row& row) const;
    std::string axisName(int k) const;    // "axis 2", or "Y" (k from 0)
    std::string axisLegend(int k) const;  // the name with the axis's angles to a, b, c
    std::string namingNote() const;
    CoefficientUnit coefficientScale() const;
    std::string variableUnit() const;
    std::string coefficientLabel(const CoefficientUnit& unit) const;
    std::string pointValue(int point) const;  // "T = 23 °C" of data point `point` (from 1)
    // One line per axis of the series, coloured and named by it, its points added by addPoints;
    // lines the crystal system makes equal merged.
    void addAxisLines(PlotPanel& panel, const std::function<void(int axis, PlotLine& line)>& addPoints) const;
    void mergeEqualBySymmetry(PlotPanel& panel) const;
    // The x range of the data points, for drawing fitted curves across it.
    std::array<double, 2> dataRange() const;
    void addTensorCurves(Figure& figure) const;
    void addStrainCurves(Figure& figure) const;
    void addCellCurves(Figure& figure) const;
    const EosFit* chosenEos(EosQuantity quantity) const;

    std::vector<DataPoint> points_;
    bool pressureRun_ = false;
    bool volumeOnly_ = false;  // a series of volumes: the fits' figures only
    bool principalAxes_ = false;
    CrystalSystem crystalSystem_ = CrystalSystem::none;
    PairContext context_;
    std::string temperatureUnit_;
    std::string pressureUnit_;
    std::vector<Row> rows_;
    std::optional<FitResult> fits_;
    mutable std::shared_ptr<const SeriesAxes> ownAxes_;  // found on first use when no fits came
};
