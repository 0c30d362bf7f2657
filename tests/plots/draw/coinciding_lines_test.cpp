// Lines a reader cannot tell apart, from the share of the panel's ranges between their points.
#include "plots/draw/coinciding_lines.hpp"

#include <gtest/gtest.h>

#include <limits>

#include "plots/data/plot_data.hpp"

namespace {

PlotLine lineAt(std::vector<float> y, std::string name) {
    PlotLine line;
    line.name = std::move(name);
    line.x = {100, 200, 300, 373};
    line.y = std::move(y);
    return line;
}

// A panel 1.0 high and 300 wide in the numbers shown, its values stored at a hundredth of them.
PlotPanel panelOf(std::vector<PlotLine> lines) {
    PlotPanel panel;
    panel.scale = 100.0;
    panel.lines = std::move(lines);
    return panel;
}

}  // namespace

TEST(CoincidingLines, LinesCloserThanAHundredthOfTheRangeCoincide) {
    // Y lies at most 0.00005 (stored: 0.5 % of the height shown) from X; Z most of the height away.
    const PlotPanel panel = panelOf({lineAt({-0.0058f, -0.0037f, -0.0021f, 0.0f}, "X: 30°, 90°, 90° to a, b, c"),
                                     lineAt({-0.00585f, -0.00375f, -0.00215f, 0.0f}, "Y: 120°, 0°, 90° to a, b, c"),
                                     lineAt({-0.0135f, -0.0089f, -0.0043f, 0.0f}, "Z")});
    const auto over = coincidingLines(panel, 300.0, 1.0);
    ASSERT_EQ(over.size(), 3u);
    EXPECT_FALSE(over[0].has_value());
    ASSERT_TRUE(over[1].has_value());
    EXPECT_EQ(*over[1], 0u);
    EXPECT_FALSE(over[2].has_value());
}

TEST(CoincidingLines, OnePointApartIsEnough) {
    // Equal but for the last point, 2 % of the height away.
    const PlotPanel panel = panelOf({lineAt({0.001f, 0.002f, 0.003f, 0.004f}, "a"),
                                     lineAt({0.001f, 0.002f, 0.003f, 0.0042f}, "b")});
    EXPECT_FALSE(coincidingLines(panel, 300.0, 1.0)[1].has_value());
    // On a panel ten times as high the same lines fall on one another.
    EXPECT_TRUE(coincidingLines(panel, 300.0, 10.0)[1].has_value());
}

TEST(CoincidingLines, AGapInOneLineOnlyKeepsThemApart) {
    PlotLine gap = lineAt({0.001f, 0.002f, 0.003f, 0.004f}, "b");
    gap.y[2] = std::numeric_limits<float>::quiet_NaN();
    const PlotPanel panel = panelOf({lineAt({0.001f, 0.002f, 0.003f, 0.004f}, "a"), gap});
    EXPECT_FALSE(coincidingLines(panel, 300.0, 1.0)[1].has_value());
}

TEST(CoincidingLines, TheLegendNamesTheEarlierLineBySymbol) {
    EXPECT_EQ(coincidingName("Y: 120°, 0°, 90° to a, b, c", "X: 30°, 90°, 90° to a, b, c"),
              "Y: 120°, 0°, 90° to a, b, c \u2014 coincides with X");
    EXPECT_EQ(coincidingName("b", "a"), "b \u2014 coincides with a");
}
