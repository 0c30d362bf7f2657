// The representation surface shown unless another is asked for.
#include <gtest/gtest.h>

#include "../../run/run_support.hpp"
#include "plot_test_records.hpp"
#include "plots/data/figures.hpp"

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
    ASSERT_TRUE(record.begin(RunHeader{seriesOf(5), {}, "x.dat", "x.dat", ""}));
    record.calculation(recordWith(2, 5.0f, {kX, kY, kZ}, {1e-5f, 2e-5f, 3e-5f}));
    record.calculation(recordWith(3, 15.0f, {kX, kY, kZ}, {1e-5f, 2e-5f, 3e-5f}));
    record.calculation(undefinedAt(4, 20.0f));
    record.calculation(undefinedAt(5, 20.0f));
    EXPECT_EQ(defaultSurfaceCalculation(record), 2u);
    const PlotSet set = plotSet(record);
    EXPECT_EQ(set.surface.calculation, 2);
    EXPECT_TRUE(set.surface.defined);
    // Asked for by number, an undefined one is still drawn as asked.
    EXPECT_FALSE(plotSet(record, 4).surface.defined);
}

TEST(SurfaceFigure, WithNoDefinedTensorTheDefaultIsTheLastCalculation) {
    PlotRecorder record;
    ASSERT_TRUE(record.begin(RunHeader{seriesOf(3), {}, "x.dat", "x.dat", ""}));
    EXPECT_EQ(defaultSurfaceCalculation(record), 0u);  // nothing to show
    record.calculation(undefinedAt(2, 0.0f));
    record.calculation(undefinedAt(3, 0.0f));
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

}  // namespace
