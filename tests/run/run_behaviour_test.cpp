// Whole runs on small made-up series: what a run writes, where, and what it leaves alone.
#include <gtest/gtest.h>

#include <algorithm>

#include "report/result_files.hpp"
#include "run_support.hpp"

namespace {

using namespace testing_support;

std::size_t countLines(const std::vector<std::string>& lines, std::string_view piece) {
    return static_cast<std::size_t>(
        std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(piece) != std::string::npos; }));
}

const char* kOrthogonalPair =
    "TITLE identical cells\nLINE1 T A B C ALPHA BETA GAMMA\nDATA\n"
    "10 5 6 7 90 90 90\n20 5 6 7 90 90 90\n";

TEST(RunBehaviour, IdenticalCellsGiveCircularSectionsAndTheLargestScale) {
    TempFolder dir("identical");
    writeFile(dir / "cells.dat", kOrthogonalPair);
    ASSERT_EQ(runOnce(dir / "cells.dat", dir / "run.prt").outcome, RunOutcome::completed);
    const auto report = linesOf(slurp(dir / "run.prt"));
    EXPECT_EQ(countLines(report, "CIRCULAR SECTION OF STRAIN ELLIPSOID - NO EIGENVECTOR DEFINED"), 3u);
    EXPECT_EQ(countLines(report, "         VALUES MULTIPLIED BY 10**9                              VALUES MULTIPLIED BY 10**9"), 1u);
    const auto prin = linesOf(slurp(dir / "run_prin.cal"));
    EXPECT_EQ(countLines(prin, "            15.00  0.000000            0.000000           CIRCULAR SECTION"), 3u);
}

TEST(RunBehaviour, NoChangeOfTemperatureLeavesThePropertyUndefined) {
    TempFolder dir("samet");
    writeFile(dir / "cells.dat",
              "LINE1 T A B C ALPHA BETA GAMMA\nDATA\n10 5 6 7 90 90 90\n10 5.01 6.02 7.03 90 90 90\n");
    ASSERT_EQ(runOnce(dir / "cells.dat", dir / "run.prt").outcome, RunOutcome::completed);
    const auto report = linesOf(slurp(dir / "run.prt"));
    EXPECT_EQ(countLines(report, "THERMAL EXPANSION TENSOR UNDEFINED: THE TEMPERATURE DID NOT CHANGE"), 1u);
    EXPECT_EQ(countLines(report, "      NaN      "), 3u + 3u);  // property rows and principal axes
    const auto tensor = linesOf(slurp(dir / "run_tensor.cal"));
    EXPECT_NE(tensor.back().find("         NaN         NaN"), std::string::npos);
    // The strain itself is still reported.
    EXPECT_NE(linesOf(slurp(dir / "run_strain.cal")).back().find("0.00"), std::string::npos);
}

TEST(RunBehaviour, OrthorhombicRunHasNoPrincipalAxes) {
    TempFolder dir("ortho");
    writeFile(dir / "cells.dat",
              "SYSTEM ORTHORHOMBIC\nLINE1 T A B C\nDATA\n10 5 6 7\n20 5.01 6.02 7.03\n30 5.02 6.04 7.06\n");
    ASSERT_EQ(runOnce(dir / "cells.dat", dir / "run.prt").outcome, RunOutcome::completed);
    EXPECT_FALSE(std::filesystem::exists(dir / "run_prin.cal"));
    EXPECT_EQ(countLines(linesOf(slurp(dir / "run.prt")), "PRINCIPAL STRAIN"), 0u);
    EXPECT_EQ(linesOf(slurp(dir / "run_strain.cal")).size(), 7u + 2u);  // header block and two pairs
}

TEST(RunBehaviour, AgainstTheFirstCellKeepsTheFirstCell) {
    TempFolder dir("first");
    writeFile(dir / "cells.dat", "LINE1 T A B C ALPHA BETA GAMMA\nDATA\n10 5 6 7 90 90 90\n"
                                 "20 5.01 6.02 7.03 90 90 90\n30 5.02 6.04 7.06 90 90 90\n");
    RunOptions options;
    options.incremental = false;
    ASSERT_EQ(runOnce(dir / "cells.dat", dir / "run.prt", options).outcome, RunOutcome::completed);
    const auto report = linesOf(slurp(dir / "run.prt"));
    std::vector<std::string> before;
    for (const auto& l : report)
        if (l.starts_with(" BEFORE") && l.find("AT P") != std::string::npos) before.push_back(l);
    ASSERT_EQ(before.size(), 2u);
    EXPECT_EQ(before[0], before[1]);
    EXPECT_EQ(countLines(report, "OUTPUT FROM CALCULATION NO.   2"), 1u);
    EXPECT_NE(linesOf(slurp(dir / "run_strain.cal")).back().find("  20.00"), std::string::npos);  // midpoint of 10, 30
}

TEST(RunBehaviour, SecondRunAppendsAfterEarlierContent) {
    TempFolder dir("append");
    writeFile(dir / "cells.dat", kOrthogonalPair);
    writeFile(dir / "run.prt", "notes kept from before\r\n");
    ASSERT_EQ(runOnce(dir / "cells.dat", dir / "run.prt").outcome, RunOutcome::completed);
    const std::string first = slurp(dir / "run.prt");
    ASSERT_EQ(runOnce(dir / "cells.dat", dir / "run.prt").outcome, RunOutcome::completed);
    const std::string both = slurp(dir / "run.prt");
    EXPECT_TRUE(both.starts_with(first));
    EXPECT_TRUE(first.starts_with("notes kept from before\r\n"));
    EXPECT_EQ(countLines(linesOf(slurp(dir / "run_strain.cal")), "STRAIN TENSOR FROM WIN-TENZIO RUN ON: "), 2u);
}

struct FailingRun {
    const char* name;
    const char* data;
    RunOutcome outcome;
    const char* message;
};

class FailingRuns : public ::testing::TestWithParam<FailingRun> {};

TEST_P(FailingRuns, WriteNothingAndSaySo) {
    const FailingRun c = GetParam();
    TempFolder dir(c.name);
    writeFile(dir / "cells.dat", c.data);
    writeFile(dir / "run.prt", "earlier report\r\n");
    const RunResult run = runOnce(dir / "cells.dat", dir / "run.prt");
    EXPECT_EQ(run.outcome, c.outcome);
    ASSERT_FALSE(run.status.empty());
    EXPECT_EQ(run.status.back(), c.message);
    EXPECT_EQ(slurp(dir / "run.prt"), "earlier report\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "run_strain.cal"));
}

INSTANTIATE_TEST_SUITE_P(
    RunBehaviour, FailingRuns,
    ::testing::Values(
        FailingRun{"OneDatum", "LINE1 T A B C ALPHA BETA GAMMA\nDATA\n10 5 6 7 90 90 90\n", RunOutcome::onlyOneDatum, "ONLY ONE DATUM IN INPUT FILE"},
        FailingRun{"NoData", "LINE1 T A B C\nDATA\n", RunOutcome::onlyOneDatum, "ONLY ONE DATUM IN INPUT FILE"},
        FailingRun{"ReadError", "LINE1 T A B C ALPHA BETA GAMMA\nDATA\n10 5 6 7 90 90 90\n20 5 six 7 90 90 90\n", RunOutcome::readError,
                   "error reading file"},
        FailingRun{"ZeroEdge", "LINE1 T A B C ALPHA BETA GAMMA\nDATA\n10 5 6 7 90 90 90\n20 5 0 7 90 90 90\n",
                   RunOutcome::invalidCell, "INVALID CELL IN DATA POINT 2"},
        FailingRun{"AnglesThatCannotClose", "LINE1 T A B C ALPHA BETA GAMMA\nDATA\n10 5 6 7 30 30 100\n20 5 6 7 90 90 90\n",
                   RunOutcome::invalidCell, "INVALID CELL IN DATA POINT 1"},
        FailingRun{"NoCellColumns", "LINE1 T\nDATA\n10\n20\n", RunOutcome::invalidCell, "INVALID CELL IN DATA POINT 1"},
        // Cells whose S-matrix single precision cannot hold, and a pair whose strain it cannot.
        FailingRun{"TinyEdge", "LINE1 T A B C ALPHA BETA GAMMA\nDATA\n10 5 6 7 90 90 90\n20 1e-30 6 7 90 90 90\n",
                   RunOutcome::invalidCell, "INVALID CELL IN DATA POINT 2"},
        FailingRun{"HugeEdge", "LINE1 T A B C ALPHA BETA GAMMA\nDATA\n10 5 6 1e30 90 90 90\n20 5 6 7 90 90 90\n",
                   RunOutcome::invalidCell, "INVALID CELL IN DATA POINT 1"},
        FailingRun{"EdgeFallsToASubnormal", "LINE1 T A B C ALPHA BETA GAMMA\nDATA\n10 5 6 7 90 90 90\n20 5 1e-45 7 90 90 90\n",
                   RunOutcome::invalidCell, "INVALID CELL IN DATA POINT 2"},
        FailingRun{"OneDatumTooSmall", "LINE1 T A B C ALPHA BETA GAMMA\nDATA\n10 1e-30 6 7 90 90 90\n",
                   RunOutcome::invalidCell, "INVALID CELL IN DATA POINT 1"},
        // A cell of edges 1e15 and 6 has no finite reciprocal cell in single precision.
        FailingRun{"EdgesTooDifferent",
                   "LINE1 T A B C ALPHA BETA GAMMA\nDATA\n10 5 6 7 90 90 90\n20 1e15 6 7 90 90 90\n30 1e-15 6 7 90 90 90\n",
                   RunOutcome::invalidCell, "INVALID CELL IN DATA POINT 2"},
        FailingRun{"StrainBeyondSinglePrecision",
                   "LINE1 T A B C ALPHA BETA GAMMA\nDATA\n10 5 6 7 90 90 90\n20 1e15 1e15 1e15 90 90 90\n"
                   "30 1e-15 1e-15 1e-15 90 90 90\n",
                   RunOutcome::invalidCell, "STRAIN OUT OF RANGE FOR DATA POINTS 2 AND 3"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(RunBehaviour, ResultFileThatCannotBeOpenedIsAFailure) {
    TempFolder dir("blocked");
    writeFile(dir / "cells.dat", kOrthogonalPair);
    std::filesystem::create_directory(dir / "run_tensor.cal");  // a folder where a file should go
    const RunResult run = runOnce(dir / "cells.dat", dir / "run.prt");
    EXPECT_EQ(run.outcome, RunOutcome::writeError);
    EXPECT_NE(std::find(run.status.begin(), run.status.end(), "ERROR OPENING RESULT FILE"), run.status.end());
    // What could be written still was.
    EXPECT_EQ(countLines(linesOf(slurp(dir / "run.prt")), "OUTPUT FROM CALCULATION NO.   1"), 1u);
    EXPECT_EQ(linesOf(slurp(dir / "run_strain.cal")).size(), 8u);
}

TEST(RunBehaviour, FullDiskIsAFailureNotASuccess) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    TempFolder dir("full");
    writeFile(dir / "cells.dat", kOrthogonalPair);
    RunState state;
    std::vector<std::string> status;
    state.statusSink = [&](std::string_view s) { status.emplace_back(s); };
    state.resultFolder = dir.path();
    ASSERT_TRUE(openInputFile(state, dir / "cells.dat"));
    ASSERT_TRUE(openPrintFile(state, "/dev/full"));
    state.printFileName = "full.prt";
    EXPECT_EQ(runSeries(state), RunOutcome::writeError);
    ASSERT_FALSE(status.empty());
    EXPECT_EQ(status.back(), "ERROR WRITING REPORT OR RESULT FILES");
    // A device as the print file has no result files beside it.
    EXPECT_FALSE(std::filesystem::exists(dir / "full_strain.cal"));
}

TEST(ResultFileNames, FormedFromThePrintFileName) {
    EXPECT_EQ(resultFileName("run1.exp", "_strain.cal"), "run1_strain.cal");
    EXPECT_EQ(resultFileName("run1.exp", "_prin.cal  "), "run1_prin.cal");
    EXPECT_EQ(resultFileName("a.b.exp", "_tensor.cal"), "a_tensor.cal");
    // Characters more than ten places after the first "." stay.
    EXPECT_EQ(resultFileName("x.123456789012", "_strain.cal"), "x_strain.cal12");
    // Without a "." in the first 70 characters, or longer than 80, nothing is cut.
    EXPECT_EQ(resultFileName("report", "_strain.cal"), "report_strain.cal");
    EXPECT_EQ(resultFileName("report", "_prin.cal  "), "report_prin.cal");
    const std::string longName = std::string(75, 'n') + ".prt";
    EXPECT_EQ(resultFileName(longName, "_strain.cal"), longName + "_strain.cal");
    const std::string veryLong = "r." + std::string(100, 'x');
    EXPECT_EQ(resultFileName(veryLong, "_strain.cal"), "r_strain.cal" + std::string(90, 'x'));
}

}  // namespace
