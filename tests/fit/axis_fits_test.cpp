// The lines through the principal strains of a series, against a weighted least-squares line worked
// out here from the cells alone: the strain along the monoclinic b axis (along Y) is known in closed
// form, and so is its esd, at the reference point too.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "fit/fit_series.hpp"

namespace {

struct Line {
    double slope = 0.0;
    double esd = 0.0;
};

// y = q0 + s x by weighted least squares, the slope's esd scaled by chi2 / (n - 2).
Line weightedLine(const std::vector<double>& x, const std::vector<double>& y, const std::vector<double>& sigma) {
    double sw = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double w = 1.0 / (sigma[i] * sigma[i]);
        sw += w;
        sx += w * x[i];
        sy += w * y[i];
        sxx += w * x[i] * x[i];
        sxy += w * x[i] * y[i];
    }
    const double det = sw * sxx - sx * sx;
    const double slope = (sw * sxy - sx * sy) / det;
    const double q0 = (sy - slope * sx) / sw;
    double chi2 = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) chi2 += std::pow((y[i] - q0 - slope * x[i]) / sigma[i], 2.0);
    return {slope, std::sqrt(sw / det * chi2 / static_cast<double>(x.size() - 2))};
}

// A monoclinic series (beta 100°) in which a grows fastest and c shrinks, so that the strain along
// b is the middle principal strain: b = b0 (1 + 1e-4 T) with a known scatter of about one esd.
// `repeatFirst` makes the first two cells identical.
Series monoclinicSeries(bool repeatFirst) {
    const std::vector<float> ts = repeatFirst ? std::vector<float>{100, 100, 150, 200, 250, 300, 350}
                                              : std::vector<float>{100, 150, 200, 250, 300, 350};
    const std::vector<float> scatter = {0.0f, 1.0f, -0.7f, 0.4f, -1.1f, 0.8f, -0.3f};
    Series series;
    series.crystalSystem = CrystalSystem::monoclinic;
    for (std::size_t i = 0; i < ts.size(); ++i) {
        const float t = ts[i];
        DataPoint p;
        p.t = t;
        p.cell.a = 5.0f * (1.0f + 2e-4f * (t - 100.0f));
        p.cell.b = 6.0f * (1.0f + 1e-4f * (t - 100.0f)) + (repeatFirst && i == 1 ? 0.0f : 0.002f * scatter[i]);
        p.cell.c = 7.0f * (1.0f - 0.5e-4f * (t - 100.0f));
        p.cell.alpha = p.cell.gamma = 90.0f;
        p.cell.beta = 100.0f;
        p.cell.esd.a = 0.001f;
        p.cell.esd.b = 0.002f;
        p.cell.esd.c = 0.001f;
        p.cell.esd.beta = 0.01f;
        series.points.push_back(p);
    }
    return series;
}

// The infinitesimal Lagrangian strain along Y is (b - b0) / b0; its esd by first-order propagation
// of the esds of both cells' b (the reference point compares the reference cell with itself).
Line expectedLine(const Series& series) {
    std::vector<double> x, y, sigma;
    const double b0 = series.points.front().cell.b, s0 = series.points.front().cell.esd.b;
    for (std::size_t i = 0; i < series.points.size(); ++i) {
        const double b = series.points[i].cell.b, s = series.points[i].cell.esd.b;
        x.push_back(series.points[i].t);
        y.push_back((b - b0) / b0);
        sigma.push_back(i == 0 ? std::sqrt(2.0) * s0 / b0 : std::hypot(s / b0, b * s0 / (b0 * b0)));
    }
    return weightedLine(x, y, sigma);
}

int axisAlongY(const SeriesAxes& axes) {
    for (int k = 0; k < 3; ++k)
        if (std::fabs(axes.axes[static_cast<std::size_t>(k)].vector[1]) > 0.9999f) return k;
    return -1;
}

TEST(AxisFits, TheLineAlongAnAxisIsTheWeightedLineWithTheEsdAlongItsDirection) {
    for (const bool repeatFirst : {false, true}) {
        const Series series = monoclinicSeries(repeatFirst);
        FitOptions options;
        options.run.strainType = StrainType::infinitesimalLagrangian;
        const FitResult fits = fitSeries(series, options);
        ASSERT_TRUE(fits.status.ok);
        const int k = axisAlongY(*fits.axes);
        ASSERT_GE(k, 0);
        const LinearFit& fit = fits.linear->principal[static_cast<std::size_t>(k)];
        ASSERT_TRUE(fit.line.status.ok);
        const Line expected = expectedLine(series);
        EXPECT_NEAR(fit.coefficient, expected.slope, 2e-3 * expected.slope) << "repeated first: " << repeatFirst;
        EXPECT_NEAR(fit.esd, expected.esd, 0.03 * expected.esd) << "repeated first: " << repeatFirst;
        // No axis is pinned: every point, the reference and its repeat too, carries an esd along every axis.
        for (std::size_t point = 0; point < fits.axes->points.size(); ++point)
            for (const double esd : fits.axes->points[point].esd) EXPECT_GT(esd, 1e-6) << "point " << point + 1;
        for (const LinearFit& line : fits.linear->principal) EXPECT_GT(line.esd, 0.0);
    }
}

}  // namespace
