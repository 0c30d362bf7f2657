#pragma once
// The plots' output of a run: keeps from each calculation what the plots show (a few numbers per
// pair, so the plots are an optional output that does hold the run), then builds the figures.
#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "calc/axis_matching.hpp"
#include "calc/pair_result.hpp"
#include "fit/coefficient_units.hpp"
#include "fit/fit_result.hpp"
#include "output/run_output.hpp"
#include "plots/data/plot_data.hpp"

class PlotCollector : public RunOutput {
public:
    bool begin(const RunHeader& header) override;
    void calculation(const PairResult& r) override;
    // The plots draw the fits over the series as curves; kept as given.
    bool wantsFits() const override { return true; }
    void fits(const FitResult& result) override { fits_ = result; }
    bool end() override { return true; }

    // The fits the run gave, if any.
    const std::optional<FitResult>& fitResult() const { return fits_; }

    std::size_t calculations() const { return rows_.size(); }
    CrystalSystem crystalSystem() const { return crystalSystem_; }
    bool pressureRun() const { return pressureRun_; }

    // The figures take the numbers of the principal axes from calculation `named` (1 to
    // calculations(); 0: the last), as the report numbers them there: the surface's calculation.

    // Principal property values (for crystal systems without principal axes in the report, the
    // diagonal components) of each calculation against its midpoint of T or P, each line one
    // physical axis.
    Figure coefficients(std::size_t named = 0) const;
    // The principal strains of every point against the reference point (the first), at T or P of
    // the point, whatever the run's incremental option, in %.
    Figure strains(std::size_t named = 0) const;
    // a, b, c, the angles that vary, and V of every data point, each in its own panel.
    Figure cell() const;
    // Pressure series with fits: the normalised pressure F against the Eulerian finite strain f
    // with the BM2 and BM3 lines, and the compressibility of each principal axis from the
    // empirical fit. None when there is nothing to draw.
    std::optional<Figure> normalisedPressure() const;
    std::optional<Figure> compressibility(std::size_t named = 0) const;
    // The fits as tables for the window: linear coefficients, the tensor fit's principal
    // coefficients, equations of state, the empirical fits.
    std::vector<FitTable> fitTables(std::size_t named = 0) const;
    // The representation surface of the property tensor of calculation k (1 to calculations()),
    // in the units of the coefficients' plot, its axes numbered as the report numbers them.
    SurfaceData surface(std::size_t k) const;
    // Names calculation k in a list: "3: points 3 and 4, T = 27 °C".
    std::string calculationLabel(std::size_t k) const;

    // Every figure with the stem of its files and its CSV, in the order of the window's tabs.
    std::vector<NamedFigure> figures(std::size_t named = 0) const;
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
        std::array<std::array<float, 3>, 3> toAbc{};  // degrees from each axis to +a, +b, +c
        Mat3 propertyTensor;
        Mat3 referenceSMatrix;  // rows: a, b, c of the cell the directions refer to
    };
    // The strain of one point against the reference point, per axis in the order of its
    // decomposition (or X, Y, Z).
    struct ReferenceRow {
        int point = 0;
        float x = 0.0f;
        bool withEsds = false;
        std::array<float, 3> strain{};
        std::array<float, 3> strainEsd{};
        AxisDirections directions;
    };
    // How the figures name the axis that a track follows: the report's number at the named
    // calculation, and the legend text with its angles to a, b, c.
    struct TrackName {
        int number = 0;  // 1 to 3
        std::string legend;
    };

    static void fillAxes(const PairResult& r, bool principalAxes, std::array<float, 3>& strain,
                         std::array<float, 3>& strainEsd, AxisDirections& directions);
    std::size_t namedIndex(std::size_t named) const;
    std::array<TrackName, 3> coefficientTracks(std::size_t named) const;
    std::array<TrackName, 3> strainTracks(std::size_t named) const;
    std::string axisLegend(const Row& row, int m) const;
    CoefficientUnit coefficientScale() const;
    std::string variableUnit() const;
    std::string coefficientLabel(const CoefficientUnit& unit) const;
    std::string pointValue(int point) const;  // "T = 23 °C" of data point `point` (from 1)
    std::vector<std::array<int, 3>> axisOrders() const;
    std::vector<std::array<int, 3>> referenceOrders() const;
    // One line per track, coloured and named by the axis it follows, its points added by
    // addPoints; then in the report's order of the axes, with lines the crystal system makes
    // equal merged.
    void addTrackLines(PlotPanel& panel, const std::array<TrackName, 3>& tracks,
                       const std::function<void(int track, PlotLine& line)>& addPoints) const;
    void mergeEqualBySymmetry(PlotPanel& panel) const;
    // The x range of the data points, for drawing fitted curves across it.
    std::array<double, 2> dataRange() const;
    // Which fitted principal axis (the fits' own order) each strain track follows.
    std::array<int, 3> fitAxisOfStrainTrack() const;
    void addTensorCurves(Figure& figure, std::size_t named) const;
    void addStrainCurves(Figure& figure, std::size_t named) const;
    void addCellCurves(Figure& figure) const;
    const EosFit* chosenEos(const std::string& quantity) const;

    std::vector<DataPoint> points_;
    bool pressureRun_ = false;
    bool principalAxes_ = false;
    CrystalSystem crystalSystem_ = CrystalSystem::none;
    PairContext context_;
    std::string temperatureUnit_;
    std::string pressureUnit_;
    std::vector<Row> rows_;
    std::vector<ReferenceRow> reference_;  // points 2, 3, ... against point 1, as they come
    std::optional<FitResult> fits_;
};
