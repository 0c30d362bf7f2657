// The cell figure: points are joined only where a fit stands for them, or the legend says they
// are joined without one and the caption says why.
#include <gtest/gtest.h>

#include "../../run/run_support.hpp"
#include "plot_test_records.hpp"
#include "plots/data/figures.hpp"

namespace {

using namespace testing_support;

const PlotPanel* panelOf(const Figure& figure, const std::string& column) {
    for (const PlotPanel& panel : figure.panels)
        if (!panel.lines.empty() && panel.lines.front().columns.front() == column) return &panel;
    return nullptr;
}

// Ag3CoCN6 under pressure: c lengthens, so its equations of state fail; β is an angle, never
// fitted; a, b and V have their BM3 curves and no joining line.
TEST(CellFigure, PointsAreJoinedOnlyWhereNoFitStandsForThemAndTheCaptionSaysWhy) {
    TempFolder dir("plots-cell");
    PlotRecorder record;
    ASSERT_EQ(runOnce(example("Ag3CoCN6_monoclinic_P.dat"), dir / "r.prt", {}, {&record}).outcome,
              RunOutcome::completed);
    const Figure figure = cellFigure(record);
    for (const char* fitted : {"a", "b", "V"}) {
        const PlotPanel* panel = panelOf(figure, fitted);
        ASSERT_NE(panel, nullptr) << fitted;
        EXPECT_FALSE(panel->lines.front().joined) << fitted;
        EXPECT_FALSE(panel->curves.empty()) << fitted;
    }
    const std::vector<EosFit>& eos = record.fitResult()->eos;
    std::string cFailure;
    for (const EosFit& e : eos)
        if (e.quantity == EosQuantity::c && !e.status.ok && cFailure.empty()) cFailure = e.status.text;
    ASSERT_FALSE(cFailure.empty());
    for (const char* joined : {"c", "beta"}) {
        const PlotPanel* panel = panelOf(figure, joined);
        ASSERT_NE(panel, nullptr) << joined;
        const PlotLine& line = panel->lines.front();
        EXPECT_TRUE(line.joined);
        EXPECT_TRUE(line.inLegend);
        EXPECT_NE(line.name.find("points joined, no fit"), std::string::npos) << line.name;
    }
    EXPECT_NE(figure.caption.find(cFailure), std::string::npos) << figure.caption;
    EXPECT_NE(figure.caption.find("β (angles are not fitted)"), std::string::npos) << figure.caption;
}

// Without any fit every line of the strains figure says it is joined, and why.
TEST(CellFigure, WithoutFitsEveryJoinedLineSaysSo) {
    PlotRecorder record;
    const Series series = seriesOf(3);
    ASSERT_TRUE(record.begin(RunHeader{series, {}, "x.dat", "x.dat", ""}));
    ASSERT_TRUE(record.end());
    const Figure cell = cellFigure(record);
    ASSERT_FALSE(cell.panels.empty());
    for (const PlotPanel& panel : cell.panels) {
        EXPECT_TRUE(panel.lines.front().joined);
        EXPECT_NE(panel.lines.front().name.find("points joined, no fit"), std::string::npos);
    }
    EXPECT_NE(cell.caption.find("no fits asked for"), std::string::npos) << cell.caption;
}

}  // namespace
