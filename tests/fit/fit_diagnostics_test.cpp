// The kernels under the equations of state in T and in P and T, against independent truths: the
// Debye integral's known limits, an ellipse whose points lie at the asked rise of chi2, AICc and the
// F-test by their definitions and a tabulated point, and a second abscissa in the effective variance.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "fit/confidence_ellipse.hpp"
#include "fit/covariance.hpp"
#include "fit/debye.hpp"
#include "fit/model_choice.hpp"
#include "fit/reweighting.hpp"

namespace {

TEST(Debye, TheIntegralHasItsKnownLimits) {
    EXPECT_NEAR(debyeIntegral(200.0), std::pow(std::numbers::pi, 4) / 15.0, 1e-10);
    // Near 0 the series u^3/3 - u^4/8 + u^5/60; at high T the energy 3T (1 - 3u/8 + u^2/20), u = theta/T.
    const double u = 1e-3;
    EXPECT_NEAR(debyeIntegral(u), u * u * u / 3.0 - u * u * u * u / 8.0 + std::pow(u, 5) / 60.0, 1e-22);
    EXPECT_NEAR(debyeEnergy(1e5, 300.0), 3e5 * (1.0 - 3.0 * 0.003 / 8.0 + 0.003 * 0.003 / 20.0), 1e-3);
    EXPECT_TRUE(std::isnan(debyeEnergy(0.0, 300.0)));
    EXPECT_TRUE(std::isnan(debyeEnergy(300.0, -1.0)));
}

TEST(ConfidenceEllipse, EveryPointLiesAtTheAskedRiseOfChiSquared) {
    const Covariance c({4.0, 1.5, -0.2, 1.5, 2.0, 0.3, -0.2, 0.3, 0.5});
    const std::vector<std::string> names = {"V0", "K0", "Kp"};
    const std::vector<double> values = {60.0, 160.0, 4.0};
    const std::vector<ConfidenceEllipse> all = allConfidenceEllipses(c, names, values);
    ASSERT_EQ(all.size(), 6u);  // three pairs, two levels
    for (const ConfidenceEllipse& e : all) {
        const std::size_t a = e.parameters[0] == "V0" ? 0 : e.parameters[0] == "K0" ? 1 : 2;
        const std::size_t b = e.parameters[1] == "K0" ? 1 : 2;
        // The inverse of the 2 x 2 block.
        const double p = c(a, a), q = c(b, b), r = c(a, b), det = p * q - r * r;
        ASSERT_EQ(e.points.size(), 72u);
        EXPECT_TRUE(e.deltaChi2 == 2.30 || e.deltaChi2 == 6.18);
        EXPECT_EQ(e.center[0], values[a]);
        for (const auto& point : e.points) {
            const double x = point[0] - values[a], y = point[1] - values[b];
            EXPECT_NEAR((q * x * x - 2.0 * r * x * y + p * y * y) / det, e.deltaChi2, 1e-9);
        }
    }
}

TEST(ModelChoice, AiccAndTheFTestFollowTheirDefinitions) {
    EXPECT_DOUBLE_EQ(*aicc(10.0, 20, 3), 10.0 + 6.0 + 24.0 / 16.0);
    EXPECT_FALSE(aicc(10.0, 4, 3));
    // F(1, 10) = 4.965 is the 5 % point of the F distribution.
    const std::optional<FTest> atFive = fTest(10.0 + 4.965 * 1.0, 11, 10.0, 10);
    ASSERT_TRUE(atFive);
    EXPECT_NEAR(atFive->f, 4.965, 1e-9);
    EXPECT_NEAR(atFive->probability, 0.05, 2e-4);
    EXPECT_TRUE(fTest(30.0, 11, 10.0, 10)->higherWarranted);
    EXPECT_FALSE(fTest(10.5, 11, 10.0, 10)->higherWarranted);
    EXPECT_FALSE(fTest(10.0, 10, 10.0, 10));  // no extra parameter: no test
}

TEST(Reweighting, ASecondAbscissaAddsItsEsdThroughItsSlope) {
    // y = 2 x + 3 z: the effective esd of each point is sqrt(sigY^2 + (2 sigX)^2 + (3 sigZ)^2).
    const std::vector<double> sigY = {0.1, 0.1, 0.1}, sigX = {0.2, 0.0, 0.0}, sigZ = {0.0, 0.0, 0.4};
    ReweightingProblem problem;
    problem.parameters = 1;
    problem.sigY = sigY;
    problem.sigX = sigX;
    problem.sigZ = sigZ;
    problem.slopes = [](const std::vector<double>&, std::vector<double>& s) { s.assign(3, 2.0); };
    problem.slopesZ = [](const std::vector<double>&, std::vector<double>& s) { s.assign(3, 3.0); };
    problem.solve = [](const std::vector<double>&, const std::vector<double>*) {
        return WeightedSolution{true, "", {1.0}, Covariance({1.0}), 1.0, 1, 0};
    };
    const ReweightedSolution s = solveReweighted(problem);
    ASSERT_TRUE(s.ok);
    EXPECT_NEAR(s.weights[0], 1.0 / (0.01 + 0.16), 1e-12);
    EXPECT_NEAR(s.weights[1], 1.0 / 0.01, 1e-9);
    EXPECT_NEAR(s.weights[2], 1.0 / (0.01 + 1.44), 1e-12);
}

}  // namespace
