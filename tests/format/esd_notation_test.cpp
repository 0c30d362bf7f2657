// Values with their esds as crystallographers write them, at every magnitude.
#include <gtest/gtest.h>

#include "format/esd_notation.hpp"

namespace {

TEST(EsdNotation, OneOrTwoDigitsOfTheEsdAndTheValueToTheSamePlace) {
    EXPECT_EQ(valueWithEsd(24.63, 0.9), "24.6(9)");
    EXPECT_EQ(valueWithEsd(160.23, 1.2), "160.2(12)");
    EXPECT_EQ(valueWithEsd(0.001234, 0.00004), "0.00123(4)");
    EXPECT_EQ(valueWithEsd(317.93, 6.9), "318(7)");
    EXPECT_EQ(valueWithEsd(31793.0, 690.0), "31800(700)");
    EXPECT_EQ(valueWithEsd(-0.00004, 0.0003), "0.0000(3)");  // no minus sign on a zero
    EXPECT_EQ(valueWithEsd(46.502, std::nullopt), "46.502");  // a fixed parameter
}

TEST(EsdNotation, ExtremeEsdsGoWithAPowerOfTenOrAreSaidToBeBeyondPrecision) {
    // An esd of 1e20 would need its digits times 10^20, beyond a 64-bit integer.
    EXPECT_EQ(valueWithEsd(3309.2, 1.3e20), "0.0(13)e20");
    EXPECT_EQ(valueWithEsd(5.2e64, 1e63), "5.20(10)e64");
    EXPECT_EQ(valueWithEsd(5.2e64, 3e63), "5.2(3)e64");
    // An esd of 1e-72 would need 73 decimals.
    EXPECT_EQ(valueWithEsd(1.23e-70, 3e-72), "1.23(3)e-70");
    // An esd below the value's double precision cannot be shown at all.
    EXPECT_EQ(valueWithEsd(2.5, 1e-70), "2.5 (esd below double precision)");
}

}  // namespace
