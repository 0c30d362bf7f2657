// The V(T) figure, without Qt: the measured volumes with their esds, and for each V(T) model a
// curve of V and of alpha that follow the law the series was made from.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "fit/state_fits.hpp"
#include "output/run_output.hpp"
#include "plots/data/figures.hpp"

namespace {

// Berman's law, written out here: V = 80 [1 + 3e-5 (T - 298.15) + 1e-8/2 (T - 298.15)^2].
double lawV(double t) {
    const double d = t - 298.15;
    return 80.0 * (1.0 + 3e-5 * d + 0.5e-8 * d * d);
}
double lawAlpha(double t) { return 80.0 * (3e-5 + 1e-8 * (t - 298.15)) / lawV(t); }

TEST(ThermalFigure, CurvesFollowTheLawTheVolumesWereMadeFrom) {
    Series series;
    series.volumeOnly = true;
    series.temperatureUnit = "K";
    ThermalData d;
    for (int k = 0; k < 10; ++k) {
        DataPoint p;
        p.t = static_cast<float>(100 + 80 * k);
        p.sigT = 1.0f;
        p.volumeAsRead = static_cast<float>(lawV(p.t));
        p.volumeAsReadEsd = 0.01f;
        series.points.push_back(p);
        d.t.push_back(p.t);
        d.sigT.push_back(p.sigT);
        d.tAsRead.push_back(p.t);
        d.v.push_back(p.volumeAsRead);
        d.sigV.push_back(p.volumeAsReadEsd);
    }
    FitResult fits;
    fits.status = FitStatus::success();
    auto states = std::make_shared<StateFits>();
    states->thermal.push_back(fitThermal(ThermalModel::berman, d, 298.15, FitWeights::esd, {}, {}, "K"));
    ASSERT_TRUE(states->thermal.back().fit.status.ok);
    fits.states = states;

    PlotRecorder collector;
    collector.begin(RunHeader{series, RunOptions{}, "v.dat", "v.dat", ""});
    collector.fits(fits);
    ASSERT_TRUE(collector.end());
    const std::optional<Figure> figure = volumeAgainstTFigure(collector);
    ASSERT_TRUE(figure);
    ASSERT_EQ(figure->panels.size(), 2u);
    const PlotLine& measured = figure->panels[0].lines.at(0);
    EXPECT_EQ(measured.x.size(), 10u);
    EXPECT_FLOAT_EQ(measured.esd.at(3), 0.01f);
    const FittedCurve& v = figure->panels[0].curves.at(0);
    const FittedCurve& alpha = figure->panels[1].curves.at(0);
    ASSERT_FALSE(v.x.empty());
    EXPECT_DOUBLE_EQ(v.x.front(), 100.0);
    EXPECT_DOUBLE_EQ(v.x.back(), 820.0);
    for (std::size_t k = 0; k < v.x.size(); k += 10) {
        EXPECT_NEAR(v.y[k], lawV(v.x[k]), 1e-4) << v.x[k];  // volumes stored as floats
        EXPECT_NEAR(alpha.y[k], lawAlpha(alpha.x[k]), 1e-8) << alpha.x[k];
    }
    EXPECT_EQ(v.name, "berman");
    EXPECT_TRUE(alpha.name.empty());  // one legend entry per model
    // A pressure series has no such figure.
    Series pressure = series;
    pressure.pressureRun = true;
    collector.begin(RunHeader{pressure, RunOptions{}, "v.dat", "v.dat", ""});
    collector.fits(fits);
    ASSERT_TRUE(collector.end());
    EXPECT_FALSE(volumeAgainstTFigure(collector));
}

}  // namespace
