#include "input/readfile.hpp"

#include <gtest/gtest.h>

#include "../support.hpp"

namespace {

using testing_support::StateReading;

RunState readText(const std::string& text, std::vector<std::string>* status = nullptr) {
    StateReading r(text);
    READFILE(r.state);
    if (status) *status = r.status;
    r.state.statusSink = nullptr;
    return std::move(r.state);
}

TEST(Readfile, ReadsColumnsByNameInAnyCaseAcrossLines) {
    const RunState s = readText(
        "title free text\n"
        "line1 p t a sigA b c alpha beta gamma sigalpha xx\n"
        "data\n"
        "1.5 20 5.0 0.01 6.0 7.0 80 85 95 0.02 999\n"
        "2.5, 30, 5.1 0.02\n"
        "\n"
        "6.1 7.1 81 86 96 0.03 999 trailing comment\n");
    EXPECT_EQ(s.runError, 0);
    ASSERT_EQ(s.nData, 2);
    const DataPoint& p = s.dataPoints[0];
    EXPECT_FLOAT_EQ(p.p, 1.5f);
    EXPECT_FLOAT_EQ(p.t, 20.0f);
    EXPECT_FLOAT_EQ(p.cell[0], 5.0f);
    EXPECT_FLOAT_EQ(p.sigCell[0], 0.01f);
    EXPECT_FLOAT_EQ(p.cell[5], 95.0f);
    EXPECT_FLOAT_EQ(p.sigCell[3], 0.02f);  // SIGALPHA counts as SIGAL
    EXPECT_FLOAT_EQ(s.dataPoints[1].cell[2], 7.1f);
    EXPECT_EQ(s.pressureRun, 1);  // a P column makes it a pressure series, even with T
    EXPECT_EQ(s.crystalSystem, 0);
}

TEST(Readfile, TwoLinesPerDatumAndCutShortLastPoint) {
    const RunState s = readText(
        "LINES 12\n"
        "LINE1 T A B C\n"
        "LINE2 ALPHA BETA GAMMA\n"
        "DATA\n"
        "10 5 6 7\n90 91 92\n"
        "20 5.1 6.1 7.1\n90 91 92\n"
        "30 5.2 6.2 7.2\n");
    EXPECT_EQ(s.runError, 0);
    EXPECT_EQ(s.nData, 2);
    EXPECT_FLOAT_EQ(s.dataPoints[1].cell[4], 91.0f);
    EXPECT_EQ(s.pressureRun, 0);
}

TEST(Readfile, LinesWithoutLine2SkipsEveryOtherLine) {
    const RunState s = readText("LINES 2\nLINE1 T A\nDATA\n1 5\n2 6\n3 7\n4 8\n");
    ASSERT_EQ(s.nData, 2);
    EXPECT_FLOAT_EQ(s.dataPoints[1].t, 3.0f);
}

TEST(Readfile, CommaBelongsToTheColumnWordAndDatasetIsNoKeyword) {
    const RunState s = readText("LINE1 P,T,A\nDATASET ignored\nDATA\n1 2 3\n4 5 6\n");
    ASSERT_EQ(s.nData, 2);
    EXPECT_FLOAT_EQ(s.dataPoints[0].p, 0.0f);  // one column, no name: read and discarded
    EXPECT_EQ(s.pressureRun, 0);
}

struct SystemCase {
    const char* line;
    int code;
    std::array<float, 6> cell;
    std::array<float, 6> sig;
};

class CrystalSystems : public ::testing::TestWithParam<SystemCase> {};

TEST_P(CrystalSystems, ConstraintsApplyWhateverTheColumnOrder) {
    const SystemCase c = GetParam();
    // b and c come before a, so the rules must act again after every value.
    const RunState s = readText(std::string(c.line) +
                                "\nLINE1 B SIGB C SIGC A SIGA ALPHA SIGAL BETA SIGBE GAMMA SIGGA\nDATA\n"
                                "6 0.06 7 0.07 5 0.05 80 0.8 100 0.9 110 0.1\n");
    ASSERT_EQ(s.nData, 1);
    EXPECT_EQ(s.crystalSystem, c.code);
    for (int k = 0; k < 6; ++k) {
        EXPECT_FLOAT_EQ(s.dataPoints[0].cell[k], c.cell[k]) << "cell " << k;
        EXPECT_FLOAT_EQ(s.dataPoints[0].sigCell[k], c.sig[k]) << "esd " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Readfile, CrystalSystems,
    ::testing::Values(
        SystemCase{"TITLE", 0, {5, 6, 7, 80, 100, 110}, {0.05f, 0.06f, 0.07f, 0.8f, 0.9f, 0.1f}},
        SystemCase{"SYSTEM monoclinic", 1, {5, 6, 7, 90, 100, 90}, {0.05f, 0.06f, 0.07f, 0, 0.9f, 0}},
        SystemCase{"SYSTEM ORTHORHOMBIC", 2, {5, 6, 7, 90, 90, 90}, {0.05f, 0.06f, 0.07f, 0, 0, 0}},
        SystemCase{"SYSTEM TETRAGONAL", 3, {5, 5, 7, 90, 90, 90}, {0.05f, 0.05f, 0.07f, 0, 0, 0}},
        SystemCase{"SYSTEM HEXAGONAL", 4, {5, 5, 7, 90, 90, 120}, {0.05f, 0.05f, 0.07f, 0, 0, 0}},
        SystemCase{"SYSTEM trigonal", 4, {5, 5, 7, 90, 90, 120}, {0.05f, 0.05f, 0.07f, 0, 0, 0}},
        SystemCase{"SYSTEM CUBIC", 5, {5, 5, 5, 90, 90, 90}, {0.05f, 0.05f, 0.05f, 0, 0, 0}},
        // a later word of the search order overrides an earlier one
        SystemCase{"SYSTEM CUBIC (PSEUDO-MONOCLINIC)", 5, {5, 5, 5, 90, 90, 90}, {0.05f, 0.05f, 0.05f, 0, 0, 0}}));

struct BadCase {
    const char* name;
    const char* text;
};

class ReadErrors : public ::testing::TestWithParam<BadCase> {};

TEST_P(ReadErrors, ReportErrorReadingFile) {
    std::vector<std::string> status;
    const RunState s = readText(GetParam().text, &status);
    EXPECT_EQ(s.runError, 1);
    EXPECT_EQ(s.nData, 0);
    ASSERT_EQ(status.size(), 1u);
    EXPECT_EQ(status[0], "error reading file");
}

INSTANTIATE_TEST_SUITE_P(
    Readfile, ReadErrors,
    ::testing::Values(BadCase{"NonNumber", "LINE1 T A\nDATA\n1 2\nx 3\n"},
                      BadCase{"CommentBetweenDataLines", "LINE1 T A\nDATA\n1 2\n# comment\n3 4\n"},
                      BadCase{"NumberWithJunk", "LINE1 T A\nDATA\n1 2abc\n"},
                      BadCase{"EndsBeforeData", "TITLE x\nLINE1 T A\n"},
                      BadCase{"EmptyFile", ""}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(Readfile, NumberForms) {
    const RunState s = readText("LINE1 A B C ALPHA BETA GAMMA\nDATA\n+5 6.0E0 7d0 .9e2 90. 1.2D2\n");
    ASSERT_EQ(s.nData, 1);
    const std::array<float, 7> expected{5, 6, 7, 90, 90, 120, 0};
    EXPECT_EQ(s.dataPoints[0].cell, expected);
}

TEST(Readfile, NoColumnLineGivesZeroCells) {
    const RunState s = readText("TITLE none\nDATA\n1 2 3\n4 5 6\n");
    EXPECT_EQ(s.runError, 0);
    EXPECT_EQ(s.nData, 2);
    EXPECT_FLOAT_EQ(s.dataPoints[1].cell[0], 0.0f);
}

TEST(Readfile, TableGrowsBeyondTwoHundredPointsAndNineteenColumns) {
    std::string text = "LINE1 T A";
    for (int k = 0; k < 25; ++k) text += " SKIP";
    text += " B\nDATA\n";
    for (int n = 1; n <= 250; ++n) {
        text += std::to_string(n) + " 5";
        for (int k = 0; k < 25; ++k) text += " 0";
        text += " 6\n";
    }
    const RunState s = readText(text);
    ASSERT_EQ(s.nData, 250);
    EXPECT_FLOAT_EQ(s.dataPoints[249].t, 250.0f);
    EXPECT_FLOAT_EQ(s.dataPoints[249].cell[1], 6.0f);
}

}  // namespace
