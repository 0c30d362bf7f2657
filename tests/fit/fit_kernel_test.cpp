// The kernel under every fit: the covariance and what follows from it, the one reweighting loop
// with its rule for settled weights, and the residuals in esds.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "fit/covariance.hpp"
#include "fit/reweighting.hpp"

namespace {

TEST(Covariance, GivesEsdsCorrelationsScalingAndThePropagatedVariance) {
    // var(a) = 4, var(b) = 9, cov(a, b) = -3: esds 2 and 3, correlation -0.5.
    const Covariance c({4.0, -3.0, -3.0, 9.0});
    ASSERT_EQ(c.size(), 2u);
    EXPECT_DOUBLE_EQ(c.esd(0), 2.0);
    EXPECT_DOUBLE_EQ(c.esd(1), 3.0);
    EXPECT_DOUBLE_EQ(c.correlation(0, 1), -0.5);
    EXPECT_DOUBLE_EQ(c.correlation(1, 1), 1.0);
    // chi2 = 50 over 2 degrees of freedom scales every element by 25: esds 10 and 15.
    const Covariance s = c.scaledByFit(50.0, 2);
    EXPECT_DOUBLE_EQ(s.esd(0), 10.0);
    EXPECT_DOUBLE_EQ(s.esd(1), 15.0);
    EXPECT_DOUBLE_EQ(s.correlation(0, 1), -0.5);
    // a + 2b: var = 4 + 4 * 9 + 2 * 2 * (-3) = 28; a - b: var = 4 + 9 + 6 = 19.
    const double sum[] = {1.0, 2.0};
    const double difference[] = {1.0, -1.0};
    EXPECT_DOUBLE_EQ(c.variance(sum), 28.0);
    EXPECT_DOUBLE_EQ(c.esdOf(difference), std::sqrt(19.0));
    // A matrix that is not square is no covariance; a variance rounding left below 0 is an esd of 0.
    EXPECT_TRUE(Covariance({1.0, 2.0, 3.0}).empty());
    EXPECT_EQ(Covariance({-1e-30}).esd(0), 0.0);
    EXPECT_EQ(Covariance({0.0, 0.0, 0.0, 1.0}).correlation(0, 1), 0.0);
}

// A loop over two points whose passes return the parameters the list gives, one pass after the
// other, each with esds of 1 (covariance 1, chi2 = n - p).
struct ScriptedPasses {
    explicit ScriptedPasses(std::vector<std::vector<double>> script) : parameters(std::move(script)) {}
    std::vector<std::vector<double>> parameters;
    int passes = 0;
    std::vector<std::vector<double>> weights;  // as each pass was given them
    std::vector<double> sigYs, sigXs;           // the esds the problem refers to

    ReweightingProblem problem(FitWeights mode, double sigX) {
        sigYs = {1.0, 1.0, 1.0};
        sigXs = {sigX, sigX, sigX};
        ReweightingProblem p;
        p.parameters = 1;
        p.sigY = sigYs;
        p.sigX = sigXs;
        p.mode = mode;
        p.slopes = [](const std::vector<double>& t, std::vector<double>& slopes) { slopes.assign(3, t[0]); };
        p.solve = [this](const std::vector<double>& w, const std::vector<double>*) {
            weights.push_back(w);
            WeightedSolution s;
            s.ok = true;
            s.parameters = parameters[static_cast<std::size_t>(passes++) % parameters.size()];
            s.covariance = Covariance({1.0});
            s.chi2 = 2.0;
            return s;
        };
        return p;
    }
};

TEST(Reweighting, PassesEndWhenNoParameterMovesByMoreThanAThousandthOfItsEsd) {
    // Moves of 0.9, 0.09, 0.009, 0.0009 esd: settled after the pass that moved by 0.0009.
    ScriptedPasses script{{{2.0}, {1.1}, {1.01}, {1.001}, {1.0001}, {1.00001}}};
    const ReweightedSolution fit = solveReweighted(script.problem(FitWeights::esd, 0.5));
    ASSERT_TRUE(fit.ok) << fit.reason;
    EXPECT_EQ(fit.passes, 5);
    EXPECT_DOUBLE_EQ(fit.parameters[0], 1.0001);
    EXPECT_EQ(fit.dof, 2);
    // The first pass weighs by sigY alone; each later one by sigY^2 + (slope sigX)^2, the slope
    // from the pass before: 1 / (1 + (2 x 0.5)^2) after the first.
    EXPECT_DOUBLE_EQ(script.weights[0][0], 1.0);
    EXPECT_DOUBLE_EQ(script.weights[1][0], 0.5);
    EXPECT_TRUE(fit.fromEsds);
}

TEST(Reweighting, WeightsThatDoNotSettleMakeAFailureThatSaysSo) {
    ScriptedPasses script{{{1.0}, {1.5}}};
    const ReweightedSolution fit = solveReweighted(script.problem(FitWeights::esd, 0.5));
    EXPECT_FALSE(fit.ok);
    EXPECT_EQ(fit.passes, kWeightPasses);
    EXPECT_TRUE(fit.reason.starts_with("the weights did not settle in 20 passes")) << fit.reason;
}

TEST(Reweighting, WeightsThatCannotChangeTakeOnePass) {
    // No esds of x, or --weights none: the weights do not depend on the parameters.
    for (const auto& [mode, sigX] : {std::pair{FitWeights::esd, 0.0}, std::pair{FitWeights::none, 0.5}}) {
        ScriptedPasses script{{{1.0}, {1.5}}};
        const ReweightedSolution fit = solveReweighted(script.problem(mode, sigX));
        ASSERT_TRUE(fit.ok);
        EXPECT_EQ(fit.passes, 1);
        EXPECT_EQ(fit.fromEsds, mode == FitWeights::esd);
    }
}

TEST(Reweighting, ResidualsAreInEsdsOfThePointOrOfTheScatter) {
    ReweightedSolution fit;
    fit.weights = {4.0, 1.0, 0.25};  // esds 0.5, 1, 2
    fit.fromEsds = true;
    fit.chi2 = 8.0;
    fit.dof = 2;
    const std::vector<double> x = {1.0, 2.0, 3.0}, observed = {10.0, 10.0, 10.0}, calculated = {9.0, 13.5, 9.0};
    std::vector<Residual> r = residualsOf(fit, x, observed, calculated);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[1].point, 2);
    EXPECT_DOUBLE_EQ(r[0].weighted, 2.0);
    EXPECT_DOUBLE_EQ(r[1].weighted, -3.5);
    EXPECT_DOUBLE_EQ(r[2].weighted, 0.5);
    EXPECT_EQ(r[0].outlier || r[2].outlier, false);
    EXPECT_TRUE(r[1].outlier);
    // Equal weights: over the scatter sqrt(8 / 2) = 2.
    fit.fromEsds = false;
    fit.weights = {1.0, 1.0, 1.0};
    r = residualsOf(fit, x, observed, calculated);
    EXPECT_DOUBLE_EQ(r[0].weighted, 0.5);
    EXPECT_DOUBLE_EQ(r[1].weighted, -1.75);
    EXPECT_FALSE(r[1].outlier);
}

}  // namespace
