// The points a long line is drawn through, against a reduction worked out point by point here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "plots/draw/line_thinning.hpp"

namespace {

std::vector<float> randomWalk(std::size_t n, unsigned seed, double gaps) {
    std::mt19937 random(seed);
    std::normal_distribution<float> step(0.0f, 1.0f);
    std::bernoulli_distribution gap(gaps);
    std::vector<float> y(n);
    float at = 0.0f;
    for (float& v : y) {
        at += step(random);
        v = gap(random) ? std::numeric_limits<float>::quiet_NaN() : at;
    }
    // Now and then a spike, which must not be lost between the corners drawn.
    for (std::size_t k = 997; k < n; k += 4111) y[k] = 1e6f;
    return y;
}

TEST(LineThinning, UpToTheThresholdOrWithMarkersEveryPointIsDrawn) {
    for (const std::size_t n : {std::size_t{0}, std::size_t{1}, std::size_t{200}, kMostUnthinnedPoints}) {
        const std::vector<std::size_t> drawn = drawnPoints(randomWalk(n, 1, 0.0), false);
        ASSERT_EQ(drawn.size(), n);
        for (std::size_t k = 0; k < n; ++k) EXPECT_EQ(drawn[k], k);
    }
    EXPECT_EQ(drawnPoints(randomWalk(kMostUnthinnedPoints + 1, 2, 0.0), true).size(), kMostUnthinnedPoints + 1);
}

// Each run of consecutive points keeps its first and last point, its lowest and highest value
// and its first gap; nothing else, and in the order of the points.
TEST(LineThinning, EachRunKeepsItsEndsItsExtremesAndItsFirstGap) {
    for (const auto& [n, gaps] : {std::pair{std::size_t{4001}, 0.0}, std::pair{std::size_t{123457}, 0.0},
                                  std::pair{std::size_t{60000}, 0.001}, std::pair{std::size_t{1000000}, 0.0001}}) {
        const std::vector<float> y = randomWalk(n, static_cast<unsigned>(n), gaps);
        const std::vector<std::size_t> drawn = drawnPoints(y, false);
        ASSERT_FALSE(drawn.empty());
        for (std::size_t i = 1; i < drawn.size(); ++i) ASSERT_LT(drawn[i - 1], drawn[i]) << n;
        const std::set<std::size_t> kept(drawn.begin(), drawn.end());
        // The runs as the drawing cuts them: kThinnedRuns of them at most, of equal length.
        const std::size_t run = (n + kThinnedRuns - 1) / kThinnedRuns;
        std::size_t expected = 0;
        for (std::size_t begin = 0; begin < n; begin += run) {
            const std::size_t end = std::min(n, begin + run);
            float low = std::numeric_limits<float>::infinity(), high = -low;
            std::size_t firstGap = end;
            for (std::size_t k = begin; k < end; ++k) {
                if (std::isnan(y[k])) {
                    firstGap = std::min(firstGap, k);
                    continue;
                }
                low = std::min(low, y[k]);
                high = std::max(high, y[k]);
            }
            EXPECT_TRUE(kept.count(begin)) << n << " run at " << begin;
            EXPECT_TRUE(kept.count(end - 1)) << n << " run at " << begin;
            if (firstGap < end) {
                EXPECT_TRUE(kept.count(firstGap)) << n << " run at " << begin;
            }
            float drawnLow = std::numeric_limits<float>::infinity(), drawnHigh = -drawnLow;
            std::size_t inRun = 0;
            for (auto k = kept.lower_bound(begin); k != kept.end() && *k < end; ++k, ++inRun) {
                if (std::isnan(y[*k])) continue;
                drawnLow = std::min(drawnLow, y[*k]);
                drawnHigh = std::max(drawnHigh, y[*k]);
            }
            EXPECT_EQ(drawnLow, low) << n << " run at " << begin;
            EXPECT_EQ(drawnHigh, high) << n << " run at " << begin;
            EXPECT_LE(inRun, 5u);
            expected += inRun;
        }
        EXPECT_EQ(drawn.size(), expected);
        EXPECT_LE(drawn.size(), 5 * kThinnedRuns);
    }
}

}  // namespace
