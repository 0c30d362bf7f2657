#include "input/readfile.hpp"

#include <gtest/gtest.h>

#include "../support.hpp"
#include "../test_names.hpp"

namespace {

ReadResult readText(const std::string& text) { return testing_support::readDataText(text); }

const std::string kCellColumns = "LINE1 T A B C ALPHA BETA GAMMA\nDATA\n";

TEST(Readfile, ReadsColumnsByNameInAnyCaseAcrossLines) {
    const ReadResult r = readText(
        "title  free text \n"
        "line1 p t a sigA b c alpha beta gamma sigalpha xx\n"
        "data\n"
        "1.5 20 5.0 0.01 6.0 7.0 80 85 95 0.02 999\n"
        "2.5, 30, 5.1 0.02\n"
        "\n"
        "6.1 7.1 81 86 96 0.03 999 trailing comment\n");
    ASSERT_TRUE(r.ok()) << r.reason;
    const Series& s = r.series;
    ASSERT_EQ(s.points.size(), 2u);
    const DataPoint& p = s.points[0];
    EXPECT_FLOAT_EQ(p.p, 1.5f);
    EXPECT_FLOAT_EQ(p.t, 20.0f);
    EXPECT_FLOAT_EQ(p.cell[0], 5.0f);
    EXPECT_FLOAT_EQ(p.cell.esd[0], 0.01f);
    EXPECT_FLOAT_EQ(p.cell[5], 95.0f);
    EXPECT_FLOAT_EQ(p.cell.esd[3], 0.02f);  // SIGALPHA counts as SIGAL
    EXPECT_FLOAT_EQ(s.points[1].cell[2], 7.1f);
    EXPECT_TRUE(s.pressureRun);  // a P column makes it a pressure series, even with T
    EXPECT_EQ(s.crystalSystem, CrystalSystem::none);
    EXPECT_EQ(s.title, "free text");  // as written, not in capitals
}

// The units a UNITS line names; a word not understood is kept as the label or passed over, and
// said once, with its line (the UNITS line is line 1 here).
TEST(Readfile, UnitsLineNamesTheUnitsOfTAndP) {
    struct Case {
        const char* line;
        const char* t;
        const char* p;
        std::vector<std::string> warnings;
    };
    const Case cases[] = {
        {"UNITS T K P GPa", "K", "GPa", {}},
        {"units t degC p KBAR", "\u00b0C", "kbar", {}},
        {"Units C MPa", "\u00b0C", "MPa", {}},  // each word can only be one of them
        {"UNITS P furlongs", "", "furlongs", {"line 1: UNITS: \"furlongs\" is no known unit of P; kept as its label"}},
        {"UNITS T K P GPa at 293", "K", "GPa",
         {"line 1: UNITS: \"at\" is neither T, P nor a known unit; passed over",
          "line 1: UNITS: \"293\" is neither T, P nor a known unit; passed over"}},
        {"UNITS T in K", "K", "", {}},  // "in" stood for T only until K named it
        {"UNITS T Rankine P GPa", "Rankine", "GPa",
         {"line 1: UNITS: \"Rankine\" is no known unit of T; kept as its label"}},
        {"UNITSX T K", "K", "", {}},  // five characters count
        {" UNITS T K xyz", "", "", {}},  // not in column 1: a comment
    };
    for (const Case& c : cases) {
        const ReadResult r = readText(std::string(c.line) + "\n" + kCellColumns + "1 5 6 7 90 90 90\n2 5 6 7 90 90 90\n");
        ASSERT_TRUE(r.ok()) << c.line;
        EXPECT_EQ(r.series.temperatureUnit, c.t) << c.line;
        EXPECT_EQ(r.series.pressureUnit, c.p) << c.line;
        EXPECT_EQ(r.warnings, c.warnings) << c.line;
    }
}

TEST(Readfile, TwoLinesPerDatumAndCutShortLastPoint) {
    const ReadResult r = readText(
        "LINES 12\n"
        "LINE1 T A B C\n"
        "LINE2 ALPHA BETA GAMMA\n"
        "DATA\n"
        "10 5 6 7\n90 91 92\n"
        "20 5.1 6.1 7.1\n90 91 92\n"
        "30 5.2 6.2 7.2\n");
    ASSERT_TRUE(r.ok()) << r.reason;
    ASSERT_EQ(r.series.points.size(), 2u);
    EXPECT_FLOAT_EQ(r.series.points[1].cell[4], 91.0f);
    EXPECT_FALSE(r.series.pressureRun);
}

TEST(Readfile, LinesWithoutLine2SkipsEveryOtherLine) {
    const ReadResult r = readText(std::string("LINES 2\n") + kCellColumns +
                                  "1 5 6 7 90 90 90\nx\n3 5 6 7 90 90 90\n4 8\n");
    ASSERT_TRUE(r.ok()) << r.reason;
    ASSERT_EQ(r.series.points.size(), 2u);
    EXPECT_FLOAT_EQ(r.series.points[1].t, 3.0f);
}

TEST(Readfile, CommaBelongsToTheColumnWordAndDatasetIsNoKeyword) {
    const ReadResult r = readText("LINE1 P,T A B C ALPHA BETA GAMMA\nDATASET ignored\nDATA\n1 5 6 7 90 90 90\n");
    ASSERT_TRUE(r.ok()) << r.reason;
    EXPECT_FLOAT_EQ(r.series.points[0].p, 0.0f);  // no column name: read and discarded
    EXPECT_FALSE(r.series.pressureRun);
}

// An editor's byte-order mark must not hide the keyword on the first line.
TEST(Readfile, ByteOrderMarkBeforeTheFirstKeywordIsSkipped) {
    const ReadResult r = readText(std::string("\xEF\xBB\xBFSYSTEM MONOCLINIC\n") + kCellColumns +
                                  "1 5 6 7 89 100 91\n");
    ASSERT_TRUE(r.ok()) << r.reason;
    EXPECT_EQ(r.series.crystalSystem, CrystalSystem::monoclinic);
    EXPECT_FLOAT_EQ(r.series.points[0].cell[3], 90.0f);
}

struct SystemCase {
    const char* lines;
    CrystalSystem system;
    std::array<float, 6> cell;
    std::array<float, 6> sig;
};

// A case named by its header lines, without the keyword SYSTEM.
std::string systemCaseName(const ::testing::TestParamInfo<SystemCase>& systemCase) {
    std::string name = testing_support::testNameOf(systemCase.param.lines);
    for (std::size_t at; (at = name.find("SYSTEM_")) != std::string::npos;) name.erase(at, 7);
    return name;
}

class CrystalSystems : public ::testing::TestWithParam<SystemCase> {};

TEST_P(CrystalSystems, ApplyInAnyColumnOrder) {
    const SystemCase c = GetParam();
    // b and c come before a, so the rules must act again after every value.
    const ReadResult r = readText(std::string(c.lines) +
                                  "\nLINE1 B SIGB C SIGC A SIGA ALPHA SIGAL BETA SIGBE GAMMA SIGGA\nDATA\n"
                                  "6 0.06 7 0.07 5 0.05 80 0.8 100 0.9 110 0.1\n");
    ASSERT_TRUE(r.ok()) << r.reason;
    ASSERT_EQ(r.series.points.size(), 1u);
    EXPECT_EQ(r.series.crystalSystem, c.system);
    for (int k = 0; k < 6; ++k) {
        EXPECT_FLOAT_EQ(r.series.points[0].cell[k], c.cell[k]) << "cell " << k;
        EXPECT_FLOAT_EQ(r.series.points[0].cell.esd[k], c.sig[k]) << "esd " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Readfile, CrystalSystems,
    ::testing::Values(
        SystemCase{"TITLE", CrystalSystem::none, {5, 6, 7, 80, 100, 110}, {0.05f, 0.06f, 0.07f, 0.8f, 0.9f, 0.1f}},
        SystemCase{"SYSTEM monoclinic", CrystalSystem::monoclinic, {5, 6, 7, 90, 100, 90}, {0.05f, 0.06f, 0.07f, 0, 0.9f, 0}},
        SystemCase{"SYSTEM ORTHORHOMBIC", CrystalSystem::orthorhombic, {5, 6, 7, 90, 90, 90}, {0.05f, 0.06f, 0.07f, 0, 0, 0}},
        SystemCase{"SYSTEM TETRAGONAL", CrystalSystem::tetragonal, {5, 5, 7, 90, 90, 90}, {0.05f, 0.05f, 0.07f, 0, 0, 0}},
        SystemCase{"SYSTEM HEXAGONAL", CrystalSystem::hexagonal, {5, 5, 7, 90, 90, 120}, {0.05f, 0.05f, 0.07f, 0, 0, 0}},
        SystemCase{"SYSTEM trigonal", CrystalSystem::trigonal, {5, 5, 7, 90, 90, 120}, {0.05f, 0.05f, 0.07f, 0, 0, 0}},
        SystemCase{"SYSTEM CUBIC", CrystalSystem::cubic, {5, 5, 5, 90, 90, 90}, {0.05f, 0.05f, 0.05f, 0, 0, 0}},
        // a later word of the search order overrides an earlier one
        SystemCase{"SYSTEM CUBIC (PSEUDO-MONOCLINIC)", CrystalSystem::cubic, {5, 5, 5, 90, 90, 90}, {0.05f, 0.05f, 0.05f, 0, 0, 0}},
        // a later SYSTEM line without a system word leaves the system as it was
        SystemCase{"SYSTEM CUBIC\nSYSTEM see title", CrystalSystem::cubic, {5, 5, 5, 90, 90, 90}, {0.05f, 0.05f, 0.05f, 0, 0, 0}},
        SystemCase{"SYSTEM CUBIC\nSYSTEM TETRAGONAL", CrystalSystem::tetragonal, {5, 5, 7, 90, 90, 90}, {0.05f, 0.05f, 0.07f, 0, 0, 0}}),
    systemCaseName);

struct BadCase {
    const char* name;
    std::string text;
    ReadFailure failure;
    int badPoint;
};

class ReadErrors : public ::testing::TestWithParam<BadCase> {};

TEST_P(ReadErrors, StopWithTheirReason) {
    const BadCase& c = GetParam();
    const ReadResult r = readText(c.text);
    EXPECT_EQ(r.failure, c.failure);
    EXPECT_EQ(r.badPoint, c.badPoint);
    EXPECT_FALSE(r.reason.empty());
}

const std::string kValid = "1 5 6 7 90 90 90\n";

INSTANTIATE_TEST_SUITE_P(
    Readfile, ReadErrors,
    ::testing::Values(BadCase{"NonNumber", kCellColumns + kValid + "x 5 6 7 90 90 90\n", ReadFailure::unreadable, 0},
                      BadCase{"CommentBetweenDataLines", kCellColumns + kValid + "# comment\n" + kValid,
                              ReadFailure::unreadable, 0},
                      BadCase{"NumberWithJunk", kCellColumns + "1 2abc\n", ReadFailure::unreadable, 0},
                      BadCase{"EndsBeforeData", "TITLE x\nLINE1 T A\n", ReadFailure::unreadable, 0},
                      BadCase{"EmptyFile", "", ReadFailure::unreadable, 0},
                      // a data line without columns is a point with no cell
                      BadCase{"NoColumnLine", "TITLE none\nDATA\n1 2 3\n4 5 6\n", ReadFailure::invalidCell, 1},
                      // the first bad point ends the read: nothing after it is looked at
                      BadCase{"BadPointStopsTheRead", kCellColumns + kValid + "2 5 6 7 90 90 190\nnot read\n",
                              ReadFailure::invalidCell, 2},
                      BadCase{"NoDataInTheFirstMegabyte", std::string(1100000, '\n') + "DATA\n",
                              ReadFailure::unreadable, 0},
                      BadCase{"NumberPastTheLongestLine",
                              kCellColumns + "1 5 6 7 90 90" + std::string(70000, ' ') + " 90\n",
                              ReadFailure::unreadable, 0}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(Readfile, DevicesAreRefused) {
    std::FILE* zero = std::fopen("/dev/zero", "rb");
    ASSERT_NE(zero, nullptr);
    EXPECT_EQ(readSeriesFile(zero).failure, ReadFailure::unreadable);
    std::fclose(zero);
}

TEST(Readfile, NumberForms) {
    const ReadResult r = readText("LINE1 A B C ALPHA BETA GAMMA\nDATA\n+5 6.0E0 7d0 .9e2 90. 1.2D2\n");
    ASSERT_TRUE(r.ok()) << r.reason;
    const CellParameters expected{5, 6, 7, 90, 90, 120};
    EXPECT_EQ(static_cast<const CellParameters&>(r.series.points[0].cell), expected);
}

TEST(Readfile, TableGrowsBeyondTwoHundredPointsAndNineteenColumns) {
    std::string text = "LINE1 T A";
    for (int k = 0; k < 25; ++k) text += " SKIP";
    text += " B C ALPHA BETA GAMMA\nDATA\n";
    for (int n = 1; n <= 250; ++n) {
        text += std::to_string(n) + " 5";
        for (int k = 0; k < 25; ++k) text += " 0";
        text += " 6 7 90 90 90\n";
    }
    const ReadResult r = readText(text);
    ASSERT_TRUE(r.ok()) << r.reason;
    ASSERT_EQ(r.series.points.size(), 250u);
    EXPECT_FLOAT_EQ(r.series.points[249].t, 250.0f);
    EXPECT_FLOAT_EQ(r.series.points[249].cell[1], 6.0f);
}

}  // namespace

TEST(Readfile, AVColumnWithoutEdgesMakesASeriesOfVolumes) {
    const struct {
        const char* text;
        bool volumeOnly;
        bool pressure;
    } cases[] = {
        {"LINE1 P SIGP V SIGV\nDATA\n0 0.1 100 0.1\n1 0.1 99 0.1\n", true, true},
        {"LINE1 T SIGT V SIGV\nDATA\n300 1 100 0.1\n400 1 101 0.1\n", true, false},
        {"LINE1 T SIGT P SIGP V SIGV\nDATA\n300 1 0 0 100 0.1\n400 1 2 0 99 0.1\n", true, true},
        // One P throughout while T varies: volumes measured against T.
        {"LINE1 T SIGT P SIGP V SIGV\nDATA\n300 1 0 0 100 0.1\n400 1 0 0 101 0.1\n", true, false},
        // A cell keeps the cell, and a file with a P column stays a pressure series.
        {"LINE1 T P A V\nSYSTEM CUBIC\nDATA\n300 0 4 64\n400 0 4.01 64.5\n", false, true},
    };
    for (const auto& c : cases) {
        const ReadResult r = readText(c.text);
        ASSERT_TRUE(r.ok()) << c.text << r.reason;
        EXPECT_EQ(r.series.volumeOnly, c.volumeOnly) << c.text;
        EXPECT_EQ(r.series.pressureRun, c.pressure) << c.text;
        if (c.volumeOnly) {
            EXPECT_EQ(r.series.points[1].volumeAsReadEsd, 0.1f);
        }
    }
}

TEST(Readfile, AVolumeThatIsNotPositiveIsAReadErrorThatNamesThePoint) {
    const ReadResult r = readText("LINE1 P V\nDATA\n0 100\n1 -99\n");
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.reason.find("data point 2"), std::string::npos) << r.reason;
    EXPECT_NE(r.reason.find("V is not a positive number"), std::string::npos) << r.reason;
}
