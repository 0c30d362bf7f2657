#include "LIBRARIES/records/record_writer.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <ostream>

#include "../test_names.hpp"

namespace {

struct FieldCase {
    int w, d;
    float value;
    const char* expected;
};

// "F9.6 of minus 0.000066": the sign as a word, so that a name tells -0.5 from 0.5.
void PrintTo(const FieldCase& c, std::ostream* os) {
    *os << "F" << c.w << "." << c.d << " of " << (std::signbit(c.value) ? "minus " : "") << std::fabs(c.value);
}

class FixedField : public ::testing::TestWithParam<FieldCase> {};

TEST_P(FixedField, MatchesFortranEditing) {
    const FieldCase c = GetParam();
    EXPECT_EQ(formatF(c.w, c.d, c.value), c.expected) << "F" << c.w << "." << c.d << " of " << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    RecordWriter, FixedField,
    ::testing::Values(
        // right alignment and rounding to nearest
        FieldCase{10, 5, 6.1819f, "   6.18190"}, FieldCase{7, 2, 23.0f, "  23.00"}, FieldCase{7, 3, 0.0001f, "  0.000"},
        FieldCase{9, 6, 0.0013390f, " 0.001339"}, FieldCase{9, 2, 84.4613f, "    84.46"},
        FieldCase{7, 1, 120.449997f, "  120.4"}, FieldCase{4, 1, 12.06f, "12.1"}, FieldCase{4, 1, 0.06f, " 0.1"},
        // the leading zero: kept when it fits, dropped only when the field would overflow
        FieldCase{9, 6, -0.000066f, "-0.000066"}, FieldCase{8, 6, 0.123456f, "0.123456"},
        FieldCase{8, 6, -0.123456f, "-.123456"}, FieldCase{3, 1, 0.5f, "0.5"}, FieldCase{3, 1, -0.5f, "-.5"},
        // a value that rounds to zero has no minus sign
        FieldCase{9, 6, -1.2e-8f, " 0.000000"}, FieldCase{10, 5, -0.000004f, "   0.00000"},
        FieldCase{7, 2, -0.0f, "   0.00"},
        // too wide for the field: asterisks
        FieldCase{9, 6, 100.0f, "*********"}, FieldCase{9, 6, -10.0f, "*********"}, FieldCase{4, 1, 100.0f, "****"},
        FieldCase{4, 1, 99.94f, "99.9"}, FieldCase{3, 1, -1.5f, "***"}, FieldCase{12, 8, -100.0f, "************"},
        // no decimals still shows the point
        FieldCase{5, 0, 12.0f, "  12."},
        // not a number
        FieldCase{9, 6, std::numeric_limits<float>::quiet_NaN(), "      NaN"},
        FieldCase{2, 1, std::numeric_limits<float>::quiet_NaN(), "**"}),
    testing_support::PrintedName());

TEST(RecordWriter, OtherFieldKinds) {
    EXPECT_EQ(Rec().x(3).view(), "   ");
    EXPECT_EQ(Rec().i(3, 7).view(), "  7");
    EXPECT_EQ(Rec().i(3, -12).view(), "-12");
    EXPECT_EQ(Rec().i(3, 1000).view(), "***");
    EXPECT_EQ(Rec().i(1, 9).i(1, 10).view(), "9*");
    EXPECT_EQ(Rec().a(5, "AB").view(), "   AB");      // shorter: preceded by blanks
    EXPECT_EQ(Rec().a(3, "ABCDEF").view(), "ABC");    // longer: its first w characters
    EXPECT_EQ(Rec().fill(4, '*').text("x").view(), "****x");
    const float three[] = {1.0f, -2.0f, 3.5f};
    EXPECT_EQ(Rec().f(6, 2, three).view(), "  1.00 -2.00  3.50");
}

TEST(RecordWriter, LongRecordIsCutNotOverrun) {
    Rec r;
    for (int k = 0; k < 200; ++k) r.f(10, 5, 1.0f);
    EXPECT_LE(r.view().size(), 1024u);
}

std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class RecordFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("tenzio-rw-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::filesystem::path dir;
};

TEST_F(RecordFileTest, CarriageControlIsConsumedAndLinesEndInCrLf) {
    const auto path = dir / "cc.prt";
    {
        RecordFile f;
        ASSERT_TRUE(f.openAppend(path));
        f.record(" FIRST");
        f.record("0AFTER EMPTY");
        f.emptyRecord();
        f.record("*STAR");
        f.record("1PAGE");
        f.record("+OVER");
        ASSERT_TRUE(f.close());
    }
    EXPECT_EQ(slurp(path), "FIRST\r\n\r\nAFTER EMPTY\r\n\r\nSTAR\r\n\fPAGE\rOVER\r\n");
}

TEST_F(RecordFileTest, AppendsAndNeverTruncates) {
    const auto path = dir / "old.prt";
    { std::ofstream(path, std::ios::binary) << "earlier content\r\n"; }
    for (int run = 0; run < 2; ++run) {
        RecordFile f;
        ASSERT_TRUE(f.openAppend(path));
        f.record(" RUN");
        ASSERT_TRUE(f.close());
    }
    EXPECT_EQ(slurp(path), "earlier content\r\nRUN\r\nRUN\r\n");
}

TEST_F(RecordFileTest, EarlierContentWithoutALineEndGetsOne) {
    const auto path = dir / "unended.prt";
    { std::ofstream(path, std::ios::binary) << "no line end here"; }
    RecordFile f;
    ASSERT_TRUE(f.openAppend(path));
    f.record(" NEXT");
    ASSERT_TRUE(f.close());
    EXPECT_EQ(slurp(path), "no line end here\r\nNEXT\r\n");
}

TEST_F(RecordFileTest, OpenFailsForAMissingFolder) {
    RecordFile f;
    EXPECT_FALSE(f.openAppend(dir / "no-such-folder" / "x.prt"));
    EXPECT_FALSE(f.isOpen());
    f.record(" IGNORED");  // writing to a file that is not open does nothing
    EXPECT_TRUE(f.close());
}

TEST_F(RecordFileTest, WriteErrorIsReported) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    RecordFile f;
    ASSERT_TRUE(f.openAppend("/dev/full"));
    f.record(" THIS CANNOT BE STORED");
    EXPECT_FALSE(f.close());
    EXPECT_TRUE(f.failed());
}

}  // namespace
