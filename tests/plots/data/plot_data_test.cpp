// What the plots show, without Qt: the matching of principal axes across calculations and their
// numbers, labels and units, ranges, CSV, the representation surface's geometry, and whole runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <limits>

#include "calc/pair_result.hpp"
#include "calc/axis_matching.hpp"
#include "plots/data/figures.hpp"
#include "plots/data/plot_csv.hpp"
#include "plots/data/plot_ranges.hpp"
#include "plots/data/plot_labels.hpp"
#include "plots/data/series_names.hpp"
#include "plots/data/surface_geometry.hpp"
#include "plot_test_records.hpp"
#include "../../run/run_support.hpp"
#include "run/input_choice.hpp"

namespace {

using namespace testing_support;

constexpr Vec3 kX{1.0f, 0.0f, 0.0f};
constexpr Vec3 kY{0.0f, 1.0f, 0.0f};
constexpr Vec3 kZ{0.0f, 0.0f, 1.0f};

Vec3 unit(float x, float y, float z) {
    const float n = std::sqrt(x * x + y * y + z * z);
    return {x / n, y / n, z / n};
}

struct MatchCase {
    const char* name;
    AxisDirections tracks;
    AxisDirections current;
    std::array<int, 3> order;
};

TEST(AxisMatching, EachTrackTakesTheMostNearlyParallelAxis) {
    const Vec3 tiltedX = unit(1.0f, 0.2f, 0.0f);
    const Vec3 tiltedY = unit(-0.2f, 1.0f, 0.0f);
    const MatchCase cases[] = {
        {"same order", {kX, kY, kZ}, {kX, kY, kZ}, {0, 1, 2}},
        {"first two swapped", {kX, kY, kZ}, {kY, kX, kZ}, {1, 0, 2}},
        {"all three moved round", {kX, kY, kZ}, {kZ, kX, kY}, {1, 2, 0}},
        {"the sign of a direction means nothing",
         {kX, kY, kZ},
         {Vec3{0.0f, -1.0f, 0.0f}, Vec3{-1.0f, 0.0f, 0.0f}, kZ},
         {1, 0, 2}},
        {"turned a little and swapped", {kX, kY, kZ}, {tiltedY, tiltedX, kZ}, {1, 0, 2}},
        {"an axis without direction takes the track left over", {kX, kY, kZ}, {std::nullopt, kZ, kX}, {2, 0, 1}},
        {"nothing known keeps the order", {std::nullopt, std::nullopt, std::nullopt}, {kY, kX, kZ}, {0, 1, 2}},
        {"no direction now keeps the order", {kX, kY, kZ}, {std::nullopt, std::nullopt, std::nullopt}, {0, 1, 2}},
    };
    for (const MatchCase& c : cases) EXPECT_EQ(matchAxes(c.tracks, c.current), c.order) << c.name;
}

TEST(AxisMatching, ATrackRemembersItsDirectionThroughACircularSection) {
    // Calculation 2 has a double root: axes 1 and 2 have no direction. Calculation 3 lists X and Y
    // in the other order; the tracks still know them from calculation 1.
    const std::vector<AxisDirections> series = {
        {kX, kY, kZ},
        {std::nullopt, std::nullopt, kZ},
        {kY, kX, kZ},
    };
    const auto orders = followAxes(series);
    ASSERT_EQ(orders.size(), 3u);
    EXPECT_EQ(orders[0], (std::array<int, 3>{0, 1, 2}));
    EXPECT_EQ(orders[1][2], 2);
    EXPECT_EQ(orders[2], (std::array<int, 3>{1, 0, 2}));
}

TEST(PlotLabels, ValuesAreShownInUnitsOfAPowerOfTenInStepsOfThree) {
    const struct {
        float largest;
        int exponent;
        const char* power;
    } cases[] = {
        {5.2e-5f, 6, "10⁻⁶"}, {9.99e-4f, 6, "10⁻⁶"},
        {1.0e-3f, 3, "10⁻³"}, {0.0031f, 3, "10⁻³"},
        {2.5f, 0, ""},        {999.0f, 0, ""},
        {1500.0f, -3, "10³"}, {3.0e-12f, 12, "10⁻¹²"},
        {0.0f, 0, ""},        {std::numeric_limits<float>::quiet_NaN(), 0, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(plotExponent(c.largest), c.exponent) << c.largest;
        EXPECT_EQ(unitPower(c.exponent), c.power) << c.exponent;
        if (c.largest > 0.0f) {
            const float shown = c.largest * plotFactor(c.exponent);
            EXPECT_GE(shown, 1.0f * 0.99999f) << c.largest;
            EXPECT_LT(shown, 1000.0f) << c.largest;
        }
    }
}

TEST(PlotLabels, FileStemIsThePrintFileNameUpToItsFirstDot) {
    EXPECT_EQ(plotFileStem("run.prt"), "run");
    EXPECT_EQ(plotFileStem("run.2.prt"), "run");
    EXPECT_EQ(plotFileStem("noextension"), "noextension");
    const std::string longName = std::string(75, 'x') + ".prt";  // no "." in the first 70 characters
    EXPECT_EQ(plotFileStem(longName), longName);
}

TEST(SurfaceGeometry, CompletedAxesAreOrthonormalAndKeepTheDefinedOnes) {
    const Vec3 d = unit(1.0f, 1.0f, 0.5f);
    const AxisDirections cases[] = {
        {kX, kY, kZ},
        {std::nullopt, d, std::nullopt},
        {std::nullopt, std::nullopt, std::nullopt},
        {d, unit(-1.0f, 1.0f, 0.0f), std::nullopt},
    };
    for (const AxisDirections& given : cases) {
        const auto axes = completeAxes(given);
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                const float dot = axes[i][0] * axes[j][0] + axes[i][1] * axes[j][1] + axes[i][2] * axes[j][2];
                EXPECT_NEAR(dot, i == j ? 1.0f : 0.0f, 1e-5f);
            }
            if (given[i]) {
                for (int k = 0; k < 3; ++k) EXPECT_NEAR(axes[i][k], (*given[i])[k], 1e-5f);
            }
        }
    }
}

TEST(SurfaceGeometry, ASectionOfADiagonalTensorMeetsItsAxesAtThePrincipalValues) {
    Mat3 t;
    t(1, 1) = 1.0f;
    t(2, 2) = -2.0f;
    t(3, 3) = 3.0f;
    const std::array<Vec3, 3> axes{kX, kY, kZ};
    const std::array<Vec3, 3> crystal{kX, unit(0.0f, 1.0f, 1.0f), kZ};
    const SurfaceSection s = sectionOf(t, axes, 0, 1, crystal, 360);
    ASSERT_EQ(s.points.size(), 361u);  // closed: the first point again
    EXPECT_FLOAT_EQ(s.values[0], 1.0f);
    EXPECT_NEAR(s.values[90], -2.0f, 1e-5f);
    // Drawn at the magnitude of the value: the negative lobe points along +Y with length 2.
    EXPECT_NEAR(s.points[90][1], 2.0f, 1e-5f);
    EXPECT_NEAR(s.points[180][0], -1.0f, 1e-5f);
    EXPECT_EQ(s.points.front(), s.points.back());
    // b (along Y + Z) projects on the X-Y plane at length 1/sqrt(2).
    EXPECT_NEAR(s.crystalAxes[1][1], std::sqrt(0.5f), 1e-6f);
    EXPECT_NEAR(s.crystalAxes[1][0], 0.0f, 1e-6f);
}

TEST(PlotLabels, NumbersReadAsTypedWithTrueMinusSigns) {
    // The midpoint with one digit more than the finer value, never a float's tail.
    EXPECT_EQ(midpointText(90.0f, 94.8f), "92.4");
    EXPECT_EQ(midpointText(23.0f, 30.0f), "26.5");
    EXPECT_EQ(midpointText(0.25f, 0.33f), "0.29");
    EXPECT_EQ(midpointText(-40.0f, -30.0f), "\u221235");
    EXPECT_EQ(midpointText(-0.5f, 0.5f), "0");
    EXPECT_EQ(shownNumber(-3.5f), "\u22123.5");
    EXPECT_EQ(shownNumber(0.0001f), "0.0001");  // as typed, not 1e-04
    EXPECT_EQ(midpointText(0.0001f, 2.5f), "1.25005");
    EXPECT_EQ(withTrueMinus("from -20 to -0.5, T-1"), "from \u221220 to \u22120.5, T-1");
}

// A run's unit names reach every label.
TEST(PlotRecorder, TheSeriesUnitsNameTheAxesAndTheCalculations) {
    Series series = seriesOf(3);
    series.pressureRun = true;
    series.pressureUnit = "GPa";
    series.points[1].p = 90.0f;
    series.points[2].p = 94.8f;
    PlotRecorder collector;
    ASSERT_TRUE(collector.begin(RunHeader{series, {}, "x.dat", "x.dat", ""}));
    collector.calculation(recordWith(2, 45.0f, {kX, kY, kZ}, {1e-3f, 2e-3f, 5e-3f}));
    collector.calculation(recordWith(3, 92.4f, {kX, kY, kZ}, {1e-3f, 2e-3f, 5e-3f}));
    ASSERT_TRUE(collector.end());
    EXPECT_EQ(coefficientsFigure(collector).xLabel, "P (GPa), midpoint of each calculation");
    EXPECT_EQ(coefficientsFigure(collector).panels[0].yLabel, "β (TPa⁻¹)");
    EXPECT_EQ(strainsFigure(collector).xLabel, "P (GPa)");
    EXPECT_EQ(strainsFigure(collector).panels[0].yLabel, "ε against point 1 (%)");
    EXPECT_EQ(strainsFigure(collector).caption.substr(0, 50), "Strain of each point against point 1 at P = 0 GPa.");
    EXPECT_EQ(cellFigure(collector).xLabel, "P (GPa)");
    EXPECT_EQ(calculationLabel(collector, 2), "2: points 2 and 3, P = 92.4 GPa");
    EXPECT_EQ(surfaceFigure(collector, 2).valueLabel, "β (TPa⁻¹)");
}

// One step far off the others: the range shown holds the rest, not the outlier.
TEST(PlotRanges, AFarOutlierDoesNotSetTheRange) {
    PlotPanel panel;
    panel.zeroLine = true;
    PlotLine line;
    line.y = {10.0f, 11.0f, 12.0f, 11.5f, 10.5f, 11.0f};
    line.esd.assign(line.y.size(), 0.5f);
    panel.lines.push_back(line);
    EXPECT_FALSE(robustRange(panel).has_value());  // no outlier
    panel.lines[0].y[3] = 400.0f;
    const auto range = robustRange(panel);
    ASSERT_TRUE(range.has_value());
    EXPECT_DOUBLE_EQ((*range)[0], 0.0);  // zero stays in view
    EXPECT_DOUBLE_EQ((*range)[1], 12.5);  // the largest other value with its esd
    // An outlier that would not halve the range is shown as it is.
    panel.lines[0].y[3] = 20.0f;
    EXPECT_FALSE(robustRange(panel).has_value());
    // Nor do error bars set it when they would take up most of it: 10 to 20 with bars of ±1, but
    // one of ±100, shows 0 to 25 (half the values' span beyond them).
    panel.lines[0].y = {10.0f, 12.0f, 14.0f, 16.0f, 18.0f, 20.0f};
    panel.lines[0].esd.assign(6, 1.0f);
    panel.lines[0].esd[3] = 100.0f;
    const auto bars = robustRange(panel);
    ASSERT_TRUE(bars.has_value());
    EXPECT_DOUBLE_EQ((*bars)[0], 0.0);
    EXPECT_DOUBLE_EQ((*bars)[1], 25.0);
}

// A few stray values are outliers; a run of values that leaves the rest behind (a phase change
// at the end of a series) is what the data do, and the range shows it.
TEST(PlotRanges, ARunOfValuesFarOutIsShownNotCut) {
    PlotPanel panel;
    PlotLine line;
    for (int k = 0; k < 100; ++k) line.y.push_back(1.0f + 0.01f * static_cast<float>(k % 7));
    line.esd.assign(line.y.size(), 0.01f);
    panel.lines.push_back(line);
    // Three spikes among a hundred values: left out.
    for (const std::size_t k : {20u, 50u, 80u}) panel.lines[0].y[k] = -40.0f;
    const auto spikes = robustRange(panel);
    ASSERT_TRUE(spikes.has_value());
    EXPECT_GT((*spikes)[0], 0.9);
    // The last twelve values falling away from 1 to -40: all of them in view.
    for (std::size_t k = 88; k < 100; ++k) panel.lines[0].y[k] = -40.0f * static_cast<float>(k - 87) / 12.0f;
    panel.lines[0].y[20] = panel.lines[0].y[50] = panel.lines[0].y[80] = 1.0f;
    EXPECT_FALSE(robustRange(panel).has_value());
}

// The CSV of a figure: a header, one row per x in the order of the points, a column and its esd
// per line, joined on x (a repeated x is a row of its own), empty fields where nothing is known.
TEST(PlotCsv, OneRowPerPlottedXAndAValueAndEsdPerLine) {
    Figure f;
    PlotPanel panel;
    panel.scale = 100.0;  // shown in %, written as fractions
    PlotLine one;
    one.columns = {"axis_1"};
    one.x = {20.0f, 30.0f, 20.0f};
    one.y = {0.0f, 0.0125f, -2.5e-7f};
    one.esd = {std::nanf(""), 0.001f, 0.002f};
    PlotLine two;
    two.columns = {"a", "b"};  // a = b
    two.x = {30.0f};
    two.y = {5.5f};
    two.esd = {0.01f};
    panel.lines = {one, two};
    f.panels.push_back(panel);
    EXPECT_EQ(figureCsv(f),
              "x,axis_1,axis_1_esd,a,a_esd,b,b_esd\r\n"
              "20,0,,,,,\r\n"
              "30,0.0125,0.001,5.5,0.01,5.5,0.01\r\n"
              "20,-2.5e-07,0.002,,,,\r\n");
}

// x in its own type: a float (T or P as read, a midpoint) as the shortest decimal that gives the
// float back; a double (where a curve was evaluated) in full.
// The fitted curve drawn with a line follows it in the CSV, sampled where it is drawn: on the
// points' rows where it meets them, on rows of its own between them.
TEST(PlotCsv, TheCurvesDrawnWithThePointsFollowThem) {
    Figure figure;
    PlotPanel panel;
    PlotLine line;
    line.columns = {"axis_1"};
    line.x = {1.0f, 2.0f};
    line.y = {0.5f, 0.25f};
    line.esd = {0.125f, std::nanf("")};
    panel.lines.push_back(line);
    FittedCurve curve;
    curve.columns = {"axis_1_fit"};
    curve.x = {1.0, 1.5, 2.0};
    curve.y = {0.5, 0.375, 0.25};
    curve.esd = {0.0625, 0.0625, 0.0625};
    panel.curves.push_back(curve);
    FittedCurve unnamed = curve;  // a curve without columns stays out
    unnamed.columns.clear();
    panel.curves.push_back(unnamed);
    figure.panels.push_back(panel);
    EXPECT_EQ(figureCsv(figure), "x,axis_1,axis_1_esd,axis_1_fit,axis_1_fit_esd\r\n"
                                 "1,0.5,0.125,0.5,0.0625\r\n"
                                 "2,0.25,,0.25,0.0625\r\n"
                                 "1.5,,,0.375,0.0625\r\n");
}

TEST(PlotCsv, XIsWrittenInItsOwnType) {
    PlotLine line;
    line.columns = {"axis_1"};
    line.x = {0.208f};
    line.xEsd = {0.001f};
    line.y = {0.1f};
    line.esd = {std::nanf("")};
    Figure points;
    points.panels.push_back({});
    points.panels[0].lines = {line};
    EXPECT_EQ(figureCsv(points), "x,x_esd,axis_1,axis_1_esd\r\n0.208,0.001,0.1,\r\n");
    FittedCurve curve;
    curve.columns = {"axis_1"};
    curve.x = {0.208, static_cast<double>(0.208f)};
    curve.y = {1.0 / 3.0, 0.5};
    curve.esd = {0.25, 0.125};
    Figure curves;
    curves.panels.push_back({});
    curves.panels[0].curves = {curve};
    EXPECT_EQ(figureCsv(curves), "x,axis_1,axis_1_esd\r\n0.208,0.3333333333333333,0.25\r\n"
                                 "0.20800000429153442,0.5,0.125\r\n");
}

struct RunCase {
    const char* file;
    bool pressure;
};
const RunCase kRuns[] = {
    {"phenylpiracetam_triclinic_T.dat", false},
    {"Ag3CoCN6_monoclinic_P.dat", true},
    {"stishovite_tetragonal_P.dat", true},
};


// The strain of each point against the first, at the point's own T or P, the same whether the run
// compares each cell with the one before or with the first: the values of a run against the first.
TEST(PlotRuns, StrainsAreAgainstTheFirstPointAtTheLaterXWhateverTheMode) {
    TempFolder dir("plots-strains");
    for (const RunCase& c : kRuns) {
        PlotRecorder incremental, againstFirst;
        Recorder records;
        RunOptions first;
        first.incremental = false;
        ASSERT_EQ(runOnce(example(c.file), dir / "i.prt", {}, {&incremental}).outcome, RunOutcome::completed);
        ASSERT_EQ(runOnce(example(c.file), dir / "f.prt", first, {&againstFirst, &records}).outcome,
                  RunOutcome::completed);
        const Figure a = strainsFigure(incremental);
        const Figure b = strainsFigure(againstFirst);
        ASSERT_EQ(a.panels.size(), 1u);
        ASSERT_EQ(a.panels[0].lines.size(), b.panels[0].lines.size()) << c.file;
        for (std::size_t n = 0; n < a.panels[0].lines.size(); ++n) {
            const PlotLine& line = a.panels[0].lines[n];
            EXPECT_EQ(line.x, b.panels[0].lines[n].x) << c.file;
            EXPECT_EQ(line.y, b.panels[0].lines[n].y) << c.file;
            ASSERT_EQ(line.x.size(), records.points.size());
            EXPECT_EQ(line.y.front(), 0.0f);  // the reference point itself
            for (std::size_t k = 0; k < records.records.size(); ++k) {
                const PairResult& r = records.records[k];
                const DataPoint& later = records.points[static_cast<std::size_t>(r.second - 1)];
                EXPECT_EQ(line.x[k + 1], c.pressure ? later.p : later.t) << c.file;
                // One of the record's principal strains (or diagonal components).
                bool found = false;
                for (int m = 0; m < 3; ++m) {
                    const float v = r.principalAxes ? r.principal[m].strain : r.strain.strainTensor(m + 1, m + 1);
                    found = found || v == line.y[k + 1];
                }
                EXPECT_TRUE(found) << c.file << " point " << r.second;
            }
        }
    }
}

// An edge the calculation takes but whose cube single precision cannot hold: the volume line has
// a gap there and its true values elsewhere.
TEST(PlotRuns, AVolumeSinglePrecisionCannotHoldLeavesAGap) {
    TempFolder dir("plots-huge-volume");
    writeFile(dir / "huge.dat",
              "TITLE one edge of 4e13 A\nSYSTEM CUBIC\nLINE1 T A SIGA\nDATA\n"
              "23 4.211 0.0012\n23 42222222222222.211 0.001\n150 4.217 0.001\n300 4.225 0.001\n");
    RunOptions options;
    options.incremental = false;
    PlotRecorder plots;
    ASSERT_EQ(runOnce(dir / "huge.dat", dir / "r.prt", options, {&plots}).outcome, RunOutcome::completed);
    const Figure cell = cellFigure(plots);
    const auto volume = std::find_if(cell.panels.begin(), cell.panels.end(),
                                     [](const PlotPanel& p) { return p.lines.front().columns.front() == "V"; });
    ASSERT_NE(volume, cell.panels.end());
    const PlotLine& v = volume->lines.front();
    ASSERT_EQ(v.y.size(), 4u);
    EXPECT_TRUE(std::isnan(v.y[1]));
    EXPECT_TRUE(std::isnan(v.esd[1]));
    for (const std::size_t k : {0u, 2u, 3u}) EXPECT_FLOAT_EQ(v.y[k], std::pow(cell.panels[0].lines[0].y[k], 3.0f));
}

// Legend, surface, fits and print file name an axis the same way: the line numbered n shows, at
// the calculation the axes are named at, the report's axis n there, and follows that axis's
// direction at every other calculation.
TEST(PlotRuns, LineNumbersAreTheReportsAtTheNamedCalculation) {
    TempFolder dir("plots-numbers");
    // Besides a real series, one whose axes change places in the report's order: a monoclinic cell
    // with beta = 90 whose a grows slower, then faster than c.
    writeFile(dir / "swap.dat",
              "TITLE two principal values that change places\nSYSTEM MONOCLINIC\n"
              "LINE1 T A SIGA B SIGB C SIGC BETA SIGBETA\nDATA\n"
              "0 5.0000 0.0002 6.0 0.0002 7.0000 0.0002 90 0.001\n"
              "10 5.0050 0.0002 6.0 0.0002 7.0140 0.0002 90 0.001\n"
              "20 5.0200 0.0002 6.0 0.0002 7.0210 0.0002 90 0.001\n");
    for (const auto& [file, incremental] : {std::pair{example("phenylpiracetam_triclinic_T.dat"), true},
                                            {example("phenylpiracetam_triclinic_T.dat"), false},
                                            {dir / "swap.dat", true}}) {
        Recorder records;
        RunOptions options;
        options.incremental = incremental;
        ASSERT_EQ(runOnce(file, dir / "r.prt", options, {&records}).outcome, RunOutcome::completed);
        for (std::size_t k = 1; k <= records.records.size(); ++k) {
            PlotRecorder collector;
            ASSERT_EQ(runOnce(file, dir / "r.prt", options, {&collector}, static_cast<int>(k)).outcome,
                      RunOutcome::completed);
            ASSERT_EQ(collector.axes().namedCalculation, static_cast<int>(k));
            const PairResult& r = records.records[k - 1];
            const Figure coefficients = coefficientsFigure(collector);
            for (int n = 1; n <= 3; ++n) {
                const PlotLine& line = coefficients.panels[0].lines[static_cast<std::size_t>(n - 1)];
                EXPECT_EQ(line.name.substr(0, 7), "axis " + std::to_string(n) + ":");
                EXPECT_EQ(line.y[k - 1], r.principal[n - 1].property) << "calculation " << k;
                // Named with the angles of the series' axis n, which lies along the report's axis n.
                const SeriesAxis& axis = collector.axes().axes[static_cast<std::size_t>(n - 1)];
                const auto shown = [](float a) { return std::to_string(std::lround(a)) + "°"; };
                EXPECT_NE(line.name.find(shown(axis.toAbc[0]) + ", " + shown(axis.toAbc[1]) + ", " + shown(axis.toAbc[2])),
                          std::string::npos)
                    << line.name;
                if (r.principal[n - 1].hasDirection) {
                    EXPECT_GT(std::fabs(dot(axis.vector, r.principal[n - 1].direction)), 0.9f) << "calculation " << k;
                }
            }
            if (!incremental) {
                // Against the first point the strains' lines are the report's axes too.
                const Figure strains = strainsFigure(collector);
                for (int n = 1; n <= 3; ++n)
                    EXPECT_EQ(strains.panels[0].lines[static_cast<std::size_t>(n - 1)].y[k], r.principal[n - 1].strain)
                        << "calculation " << k;
            }
            // The surface of that calculation: its axis n along the report's axis n, in the sense shown.
            const SurfaceData s = surfaceFigure(collector, k);
            for (int n = 0; n < 3; ++n) {
                EXPECT_EQ(s.axisNames[n], std::to_string(n + 1));
                if (r.principal[n].hasDirection) {
                    EXPECT_NEAR(std::fabs(dot(s.axes[n], r.principal[n].direction)), 1.0f, 1e-5f);
                    EXPECT_GE(dot(s.axes[n], collector.axes().axes[n].vector), 0.0f);
                }
            }
        }
    }
}

// The units a series names, from CIF (K, GPa) or from a UNITS line, label every plot; without
// them the labels say "per unit of".
TEST(PlotRuns, UnitsFromCifAndFromTheUnitsLineNameTheAxes) {
    TempFolder dir("plots-units");
    const auto run = [&](const std::vector<std::filesystem::path>& inputs, PlotRecorder& collector) {
        RunState state;
        state.resultFolder = dir.path();
        state.extraOutputs = {&collector};
        ASSERT_TRUE(openInputFiles(state, inputs).ok());
        ASSERT_TRUE(openPrintFile(state, dir / "r.prt"));
        ASSERT_EQ(runSeries(state), RunOutcome::completed);
    };
    // Gypsum from CIF: P in GPa.
    std::vector<std::filesystem::path> gypsum;
    for (int n = 4685; n <= 4691; ++n)
        gypsum.push_back(std::filesystem::path(TENZIO_SOURCE_DIR) / "examples/cif/amcsd_gypsum_Comodi2008_monoclinic_P" /
                         ("0" + std::to_string(n) + ".cif"));
    PlotRecorder cif;
    run(gypsum, cif);
    EXPECT_EQ(coefficientsFigure(cif).xLabel, "P (GPa), midpoint of each calculation");
    EXPECT_EQ(coefficientsFigure(cif).panels[0].yLabel, "β (TPa⁻¹)");
    EXPECT_DOUBLE_EQ(coefficientsFigure(cif).panels[0].scale, 1e3);  // per GPa shown per TPa
    EXPECT_EQ(strainsFigure(cif).caption.substr(0, 53), "Strain of each point against point 1 at P = 0.25 GPa.");
    EXPECT_EQ(calculationLabel(cif, 1), "1: points 1 and 2, P = 0.29 GPa");
    EXPECT_EQ(cellFigure(cif).xLabel, "P (GPa)");
    ASSERT_TRUE(compressibilityFigure(cif).has_value());
    EXPECT_EQ(compressibilityFigure(cif)->panels[0].yLabel, "β (TPa⁻¹)");
    EXPECT_EQ(normalisedPressureFigure(cif)->panels[0].yLabel, "F (GPa)");

    // A UNITS line: T in degrees Celsius, whose expansion is per kelvin; P in kbar, shown per TPa.
    const std::string cells = "LINE1 T A B C ALPHA BETA GAMMA\nDATA\n20 5 6 7 90 90 90\n40 5.001 6.001 7.002 90 90 90\n"
                              "60 5.002 6.003 7.003 90 90 90\n";
    writeFile(dir / "c.dat", "TITLE units\nUNITS T C\n" + cells);
    PlotRecorder celsius;
    run({dir / "c.dat"}, celsius);
    EXPECT_EQ(strainsFigure(celsius).xLabel, "T (°C)");
    EXPECT_EQ(coefficientsFigure(celsius).panels[0].yLabel, "α (10⁻⁶ K⁻¹)");
    EXPECT_EQ(calculationLabel(celsius, 2), "2: points 2 and 3, T = 50 °C");
    std::string kbar = cells;
    kbar.replace(kbar.find("LINE1 T"), 7, "LINE1 P");
    writeFile(dir / "p.dat", "TITLE units\nUNITS P kbar\n" + kbar);
    PlotRecorder pressure;
    run({dir / "p.dat"}, pressure);
    EXPECT_EQ(coefficientsFigure(pressure).panels[0].yLabel, "β (TPa⁻¹)");
    EXPECT_DOUBLE_EQ(coefficientsFigure(pressure).panels[0].scale, 1e4);  // 1 kbar is 0.1 GPa
}

// With fits, each figure draws them over the points they were fitted to, and the points are no
// longer joined by lines of their own.
TEST(PlotRuns, FittedCurvesPassThroughTheirPoints) {
    TempFolder dir("plots-fits");
    PlotRecorder collector;
    RunOptions options;
    ASSERT_EQ(runOnce(example("metacetamol_monoclinic_T.dat"), dir / "r.prt", options, {&collector}).outcome,
              RunOutcome::completed);
    ASSERT_TRUE(collector.fitResult().has_value());
    const FitResult& fits = *collector.fitResult();
    ASSERT_TRUE(fits.status.ok);
    // The strains: one line per axis, each the straight line of the fit for that axis.
    const Figure strains = strainsFigure(collector);
    const PlotPanel& panel = strains.panels[0];
    ASSERT_EQ(panel.curves.size(), 3u);
    for (std::size_t n = 0; n < 3; ++n) {
        const PlotLine& line = panel.lines[n];
        const FittedCurve& curve = panel.curves[n];
        EXPECT_FALSE(line.joined);
        EXPECT_EQ(curve.colour, line.colour);
        // Its slope is the linear coefficient of the axis of the same number; it lies near the
        // points (within 3 esds of the last).
        const double slope = (curve.y.back() - curve.y.front()) / (curve.x.back() - curve.x.front());
        EXPECT_NEAR(slope, fits.linear->principal[n].coefficient, 1e-9 + 1e-6 * std::fabs(slope));
        EXPECT_NEAR(curve.y.back(), line.y.back(), 3.0 * line.esd.back() + 1e-4);
    }
    EXPECT_EQ(strains.fitLegend, "linear fit, ± 1 esd");
    // The cell: each edge's line through the relative change, times the first point's edge.
    const Figure cell = cellFigure(collector);
    const PlotPanel& a = cell.panels[0];
    ASSERT_EQ(a.curves.size(), 1u);
    EXPECT_NEAR(a.curves[0].y.front(), a.lines[0].y.front(), 5.0 * a.lines[0].esd.front());
    // The coefficients: the tensor fit's principal values, a band round them.
    const Figure coefficients = coefficientsFigure(collector);
    ASSERT_EQ(coefficients.panels[0].curves.size(), 3u);
    EXPECT_FALSE(coefficients.panels[0].curves[0].esd.empty());
    // No figures that only a pressure series has.
    EXPECT_FALSE(normalisedPressureFigure(collector).has_value());
    EXPECT_FALSE(compressibilityFigure(collector).has_value());
}

// Under pressure the strains are drawn with each axis's empirical law; an axis whose law failed
// gets its straight line, and the caption says which and why.
TEST(PlotRuns, TheStrainsSayWhereALineStandsForAFailedLaw) {
    for (const char* series : {"stishovite_tetragonal_P.dat", "Ag3CoCN6_monoclinic_P.dat"}) {
        TempFolder dir("plots-failed-law");
        PlotRecorder record;
        ASSERT_EQ(runOnce(example(series), dir / "r.prt", RunOptions{}, {&record}).outcome, RunOutcome::completed);
        ASSERT_TRUE(record.fitResult() && record.fitResult()->status.ok);
        const FitResult& fits = *record.fitResult();
        const Figure strains = strainsFigure(record);
        bool anyFailed = false;
        for (const EmpiricalFit& e : fits.empirical) {
            if (e.status.ok) continue;
            anyFailed = true;
            const std::string reason = ": " + e.status.text;
            EXPECT_NE(strains.caption.find(reason), std::string::npos) << series << ": " << strains.caption;
            // The line drawn for it is the axis's straight line: its slope is the linear fit's.
            const PlotPanel& panel = strains.panels[0];
            for (std::size_t n = 0; n < panel.curves.size(); ++n) {
                if (axisOfLine(panel.lines[n]) != e.axis - 1) continue;
                const FittedCurve& curve = panel.curves[n];
                const double slope = (curve.y.back() - curve.y.front()) / (curve.x.back() - curve.x.front());
                EXPECT_NEAR(slope, fits.linear->principal[static_cast<std::size_t>(e.axis - 1)].line.coefficients[1],
                            1e-9 + 1e-6 * std::fabs(slope));
            }
        }
        EXPECT_EQ(strains.caption.find("empirical law failed") != std::string::npos, anyFailed) << series;
    }
}

}  // namespace
