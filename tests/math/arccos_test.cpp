#include "LIBRARIES/math/arccos.hpp"

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr int kStale = 7;  // a flag value ARCCOS never sets, to see whether it was touched

struct ArccosCase {
    float x;
    float degrees;
    int flag;  // after the call, starting from kStale
};

const ArccosCase kCases[] = {
    {0.5f, 60.0f, 0},
    {0.0f, 90.0f, 0},
    {-0.5f, 120.0f, 0},
    {0.9999999f, 0.028f, 0},          // still inside: a real arc cosine, not the clamp
    {1.0f, 0.0f, kStale},             // clamped, within rounding of the range
    {-1.0f, 180.0f, kStale},
    {1.0005f, 0.0f, kStale},
    {-1.001f, 180.0f, kStale},        // the limit itself is still rounding
    {1.002f, 0.0f, 1},                // beyond rounding: flagged
    {-1.002f, 180.0f, 1},
    {std::numeric_limits<float>::quiet_NaN(), 0.0f, kStale},
};

TEST(Arccos, GivesDegreesClampsAndFlagsOutOfRange) {
    for (const ArccosCase& c : kCases) {
        SCOPED_TRACE(c.x);
        int flag = kStale;
        const float degrees = ARCCOS(c.x, flag);
        EXPECT_NEAR(degrees, c.degrees, 1.0e-3f);
        EXPECT_EQ(flag, c.flag);
    }
}

TEST(Arccos, ClearsAStaleFlagInsideTheRange) {
    int flag = 1;
    ARCCOS(0.25f, flag);
    EXPECT_EQ(flag, 0);
}

TEST(Arccos, ClampsToExactAngles) {
    int flag = 0;
    EXPECT_EQ(ARCCOS(1.0000001f, flag), 0.0f);
    EXPECT_EQ(ARCCOS(-1.0000001f, flag), 180.0f);
    EXPECT_FLOAT_EQ(ARCCOS(0.5f, flag), 60.0f);
}

}  // namespace
