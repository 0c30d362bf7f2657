// The representation surface shown unless another is asked for.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "../../run/run_support.hpp"
#include "plot_test_records.hpp"
#include "plots/data/figures.hpp"
#include "plots/data/series_names.hpp"

namespace {

using namespace testing_support;

constexpr Vec3 kX{1.0f, 0.0f, 0.0f};
constexpr Vec3 kY{0.0f, 1.0f, 0.0f};
constexpr Vec3 kZ{0.0f, 0.0f, 1.0f};

PairResult undefinedAt(int second, float t) {
    PairResult r = recordWith(second, t, {kX, kY, kZ}, {1e-5f, 2e-5f, 3e-5f});
    r.property.defined = false;  // T did not change across this pair
    return r;
}

// The last calculation may have no tensor (its two points at the same T): the surface shown is
// the last one that has one, never an empty page.
TEST(SurfaceFigure, TheDefaultIsTheLastCalculationWhoseTensorIsDefined) {
    PlotRecorder record;
    const Series series = seriesOf(5);
    ASSERT_TRUE(record.begin(RunHeader{series, {}, "x.dat", "x.dat", ""}));
    record.calculation(recordWith(2, 5.0f, {kX, kY, kZ}, {1e-5f, 2e-5f, 3e-5f}));
    record.calculation(recordWith(3, 15.0f, {kX, kY, kZ}, {1e-5f, 2e-5f, 3e-5f}));
    record.calculation(undefinedAt(4, 20.0f));
    record.calculation(undefinedAt(5, 20.0f));
    ASSERT_TRUE(record.end());
    EXPECT_EQ(defaultSurfaceCalculation(record), 2u);
    const PlotSet set = plotSet(record);
    EXPECT_EQ(set.surface.calculation, 2);
    EXPECT_TRUE(set.surface.defined);
    // Asked for by number, an undefined one is still drawn as asked.
    EXPECT_FALSE(plotSet(record, 4).surface.defined);
}

TEST(SurfaceFigure, WithNoDefinedTensorTheDefaultIsTheLastCalculation) {
    PlotRecorder record;
    const Series series = seriesOf(3);
    ASSERT_TRUE(record.begin(RunHeader{series, {}, "x.dat", "x.dat", ""}));
    EXPECT_EQ(defaultSurfaceCalculation(record), 0u);  // nothing to show
    record.calculation(undefinedAt(2, 0.0f));
    record.calculation(undefinedAt(3, 0.0f));
    ASSERT_TRUE(record.end());
    EXPECT_EQ(defaultSurfaceCalculation(record), 2u);
}

// The bundled periclase series ends with two cells at the same T: its surface is the one before.
TEST(SurfaceFigure, ThePericlaseSeriesShowsADefinedSurface) {
    TempFolder dir("surface-default");
    PlotRecorder record;
    ASSERT_EQ(runOnce(example("periclase_cubic_T.dat"), dir / "r.prt", {}, {&record}).outcome, RunOutcome::completed);
    ASSERT_GT(record.calculations(), 1u);
    EXPECT_FALSE(record.rows().back().defined);
    const SurfaceData surface = plotSet(record).surface;
    EXPECT_TRUE(surface.defined);
    EXPECT_EQ(static_cast<std::size_t>(surface.calculation), record.calculations() - 1);
}

// A record that draws one surface keeps the tensors of that calculation alone; for the default
// choice, of those the choice may still fall on as the run goes: the last defined and the newest.
TEST(SurfaceFigure, ARecordOfOneSurfaceKeepsOnlyTheTensorsItMayDraw) {
    const auto defined = [](int second, float t, float size) {
        PairResult r = recordWith(second, t, {kX, kY, kZ}, {size, 2.0f * size, 3.0f * size});
        for (int i = 1; i <= 3; ++i) r.property.propertyTensor(i, i) = static_cast<float>(i) * size;
        return r;
    };
    const Series five = seriesOf(5);
    PlotRecorder byDefault;
    byDefault.keepOneSurface(0);
    ASSERT_TRUE(byDefault.begin(RunHeader{five, {}, "x.dat", "x.dat", ""}));
    byDefault.calculation(defined(2, 5.0f, 1e-5f));
    byDefault.calculation(defined(3, 15.0f, 4e-5f));
    byDefault.calculation(undefinedAt(4, 20.0f));
    byDefault.calculation(undefinedAt(5, 20.0f));
    ASSERT_TRUE(byDefault.end());
    EXPECT_EQ(byDefault.surfaceTensors(1), nullptr);
    EXPECT_NE(byDefault.surfaceTensors(2), nullptr);
    EXPECT_EQ(byDefault.surfaceTensors(3), nullptr);
    EXPECT_NE(byDefault.surfaceTensors(4), nullptr);
    // The surface drawn is calculation 2's: along each principal axis the value of its tensor
    // there (4, 8 and 12 in units of 1e-5), in the plot's units.
    const SurfaceData surface = plotSet(byDefault).surface;
    ASSERT_EQ(surface.calculation, 2);
    ASSERT_TRUE(surface.defined);
    const double factor = coefficientScale(byDefault).factor;
    std::array<float, 3> values = surface.values;  // in the order the series numbers the axes
    std::sort(values.begin(), values.end());
    for (std::size_t t = 0; t < 3; ++t)
        EXPECT_NEAR(values[t], 4e-5 * static_cast<double>(t + 1) * factor, 1e-4 * factor * 4e-5) << t;

    PlotRecorder named;
    named.keepOneSurface(3);
    ASSERT_TRUE(named.begin(RunHeader{five, {}, "x.dat", "x.dat", ""}));
    named.calculation(defined(2, 5.0f, 1e-5f));
    named.calculation(defined(3, 15.0f, 4e-5f));
    named.calculation(undefinedAt(4, 20.0f));
    ASSERT_TRUE(named.end());
    EXPECT_EQ(named.surfaceTensors(2), nullptr);
    EXPECT_NE(named.surfaceTensors(3), nullptr);
    EXPECT_FALSE(plotSet(named, 3).surface.defined);

    // The results window offers every calculation: a record keeps them all unless told otherwise.
    PlotRecorder every;
    const Series three = seriesOf(3);
    ASSERT_TRUE(every.begin(RunHeader{three, {}, "x.dat", "x.dat", ""}));
    every.calculation(defined(2, 5.0f, 1e-5f));
    every.calculation(undefinedAt(3, 5.0f));
    ASSERT_TRUE(every.end());
    EXPECT_NE(every.surfaceTensors(1), nullptr);
    EXPECT_NE(every.surfaceTensors(2), nullptr);
}

}  // namespace
