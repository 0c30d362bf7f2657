#include "LIBRARIES/math/arccos.hpp"

#include <gtest/gtest.h>

#include <limits>

namespace {

struct ArccosCase {
    float x;
    float degrees;
};

const ArccosCase kCases[] = {
    {0.5f, 60.0f},
    {0.0f, 90.0f},
    {-0.5f, 120.0f},
    {0.9999999f, 0.028f},  // still inside: a real arc cosine, not the clamp
    {1.0f, 0.0f},          // clamped
    {-1.0f, 180.0f},
    {1.002f, 0.0f},
    {-1.002f, 180.0f},
    {std::numeric_limits<float>::quiet_NaN(), 0.0f},
};

TEST(Arccos, GivesDegreesAndClampsOutOfRange) {
    for (const ArccosCase& c : kCases) {
        SCOPED_TRACE(c.x);
        EXPECT_NEAR(arccosDegrees(c.x), c.degrees, 1.0e-3f);
    }
}

TEST(Arccos, ClampsToExactAngles) {
    EXPECT_EQ(arccosDegrees(1.0000001f), 0.0f);
    EXPECT_EQ(arccosDegrees(-1.0000001f), 180.0f);
    EXPECT_FLOAT_EQ(arccosDegrees(0.5f), 60.0f);
}

}  // namespace
