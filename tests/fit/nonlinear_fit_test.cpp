// The nonlinear least squares under every equation of state and empirical fit, checked where the
// answer is known: a problem linear in its parameters, parameters the data cannot tell apart, and
// a refinement that must find the trust region's own minimum from near or far.
#include <gtest/gtest.h>

#include <cmath>
#include <span>
#include <vector>

#include "fit/nonlinear_fit.hpp"

namespace {

// y = p0 + p1 x with weights 1/sigma^2, as a nonlinear problem.
struct WeightedLine {
    std::vector<double> x = {0.0, 1.0, 2.5, 4.0, 5.5, 7.0};
    std::vector<double> y = {1.1, 2.9, 6.2, 8.8, 12.3, 14.9};
    std::vector<double> sigma = {0.1, 0.2, 0.1, 0.3, 0.2, 0.1};

    NonlinearProblem problem() const {
        NonlinearProblem p;
        p.points = x.size();
        p.parameters = 2;
        p.typical = {1.0, 1.0};
        p.residuals = [this](const std::vector<double>& t, std::span<double> r) {
            for (std::size_t i = 0; i < x.size(); ++i) r[i] = (y[i] - t[0] - t[1] * x[i]) / sigma[i];
            return true;
        };
        p.jacobian = [this](const std::vector<double>&, std::span<double> j) {
            for (std::size_t i = 0; i < x.size(); ++i) {
                j[2 * i] = -1.0 / sigma[i];
                j[2 * i + 1] = -x[i] / sigma[i];
            }
        };
        return p;
    }
};

TEST(NonlinearFit, ALinearProblemGivesTheWeightedNormalEquations) {
    const WeightedLine line;
    double sw = 0, swx = 0, swxx = 0, swy = 0, swxy = 0;
    for (std::size_t i = 0; i < line.x.size(); ++i) {
        const double w = 1.0 / (line.sigma[i] * line.sigma[i]);
        sw += w;
        swx += w * line.x[i];
        swxx += w * line.x[i] * line.x[i];
        swy += w * line.y[i];
        swxy += w * line.x[i] * line.y[i];
    }
    const double det = sw * swxx - swx * swx;
    const double slope = (sw * swxy - swx * swy) / det;
    const double intercept = (swy - slope * swx) / sw;

    // With and without the problem's own Jacobian (central differences are exact on a line).
    for (const bool analytic : {true, false}) {
        NonlinearProblem problem = line.problem();
        if (!analytic) problem.jacobian = nullptr;
        const std::vector<double> start = {-3.0, 10.0};
        const std::optional<Linearisation> local = linearise(problem, start);
        ASSERT_TRUE(local);
        // (X^T W X)^-1 of the textbook line.
        EXPECT_NEAR(local->covariance(0, 0), swxx / det, 1e-9 * swxx / det);
        EXPECT_NEAR(local->covariance(0, 1), -swx / det, 1e-9 * swx / det);
        EXPECT_NEAR(local->covariance(1, 0), -swx / det, 1e-9 * swx / det);
        EXPECT_NEAR(local->covariance(1, 1), sw / det, 1e-9 * sw / det);
        // One Gauss-Newton step (taken away, J being d residual / d parameter) lands on the line.
        EXPECT_NEAR(start[0] - local->step[0], intercept, 1e-9);
        EXPECT_NEAR(start[1] - local->step[1], slope, 1e-9);

        const NonlinearSolution refined = refineLeastSquares(problem, start);
        ASSERT_TRUE(refined.ok) << refined.reason;
        EXPECT_NEAR(refined.parameters[0], intercept, 1e-9);
        EXPECT_NEAR(refined.parameters[1], slope, 1e-9);
    }
}

TEST(NonlinearFit, ParametersTheDataCannotTellApartHaveNoCovariance) {
    // y = p0 + p1 + p2 x: only p0 + p1 is determined.
    const WeightedLine line;
    NonlinearProblem problem;
    problem.points = line.x.size();
    problem.parameters = 3;
    problem.typical = {1.0, 1.0, 1.0};
    problem.residuals = [&](const std::vector<double>& t, std::span<double> r) {
        for (std::size_t i = 0; i < line.x.size(); ++i) r[i] = (line.y[i] - t[0] - t[1] - t[2] * line.x[i]) / line.sigma[i];
        return true;
    };
    EXPECT_FALSE(linearise(problem, {0.5, 0.5, 2.0}));
    EXPECT_TRUE(covarianceAt(problem, {0.5, 0.5, 2.0}).empty());
}

// y = A exp(-k x) + noise of known size: a problem Gauss-Newton solves from near, not from far.
struct Decay {
    std::vector<double> x, y;
    Decay() {
        const double noise[] = {0.3, -0.8, 0.5, 1.1, -0.4, -1.2, 0.9, 0.2, -0.6, 0.7, -0.1, 0.4};
        for (int i = 0; i < 12; ++i) {
            x.push_back(0.5 * i);
            y.push_back(20.0 * std::exp(-0.7 * x.back()) + 0.05 * noise[i]);
        }
    }
    NonlinearProblem problem() const {
        NonlinearProblem p;
        p.points = x.size();
        p.parameters = 2;
        p.typical = {20.0, 0.7};
        p.residuals = [this](const std::vector<double>& t, std::span<double> r) {
            for (std::size_t i = 0; i < x.size(); ++i) r[i] = (y[i] - t[0] * std::exp(-t[1] * x[i])) / 0.05;
            return true;
        };
        return p;
    }
};

TEST(NonlinearFit, RefinementFindsTheTrustRegionsMinimumFromNearOrFar) {
    const Decay decay;
    const NonlinearProblem problem = decay.problem();
    const NonlinearSolution best = solveLeastSquares(problem, {10.0, 0.3});
    ASSERT_TRUE(best.ok) << best.reason;
    EXPECT_NEAR(best.parameters[0], 20.0, 0.2);
    EXPECT_NEAR(best.parameters[1], 0.7, 0.01);

    // From near (the minimum of slightly other weights, say), and from so far that plain steps
    // overshoot and the trust region takes over: the same minimum, with the exact covariance.
    const Covariance exact = covarianceAt(problem, best.parameters);
    ASSERT_EQ(exact.size(), 2u);
    for (const std::vector<double>& start :
         {std::vector<double>{best.parameters[0] * 1.001, best.parameters[1] * 0.999}, std::vector<double>{1.0, 6.0}}) {
        const NonlinearSolution refined = refineLeastSquares(problem, start);
        ASSERT_TRUE(refined.ok) << refined.reason;
        EXPECT_NEAR(refined.parameters[0], best.parameters[0], 1e-6 * exact.esd(0)) << start[1];
        EXPECT_NEAR(refined.parameters[1], best.parameters[1], 1e-6 * exact.esd(1)) << start[1];
        EXPECT_NEAR(refined.chi2, best.chi2, 1e-9 * best.chi2);
        for (std::size_t k = 0; k < 4; ++k)
            EXPECT_NEAR(refined.covariance.values()[k], exact.values()[k], 1e-4 * std::fabs(exact.values()[k]));
    }
}

}  // namespace
