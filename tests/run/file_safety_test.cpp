// What keeps a run from damaging files: it never writes into its input, it holds its files
// against other runs while it writes them, and the result files' names never split a character.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "report/result_files.hpp"
#include "run_support.hpp"

namespace {

using namespace testing_support;

const char* kSeries = "LINE1 T A B C ALPHA BETA GAMMA\nDATA\n10 5 6 7 90 90 90\n20 5.01 6.02 7.03 90 90 90\n";

// The run's own check, for both front ends: the dialog refuses such a choice already, the batch
// command such arguments.
struct Clash {
    const char* name;
    const char* dataName;
    const char* printName;
    const char* status;
};

void PrintTo(const Clash& c, std::ostream* os) { *os << c.name; }

class OutputIsTheInput : public ::testing::TestWithParam<Clash> {};

TEST_P(OutputIsTheInput, RefusesTheRunBeforeReadingOrWriting) {
    const Clash& c = GetParam();
    TempFolder dir(std::string("clash-") + c.name);
    writeFile(dir / c.dataName, kSeries);
    RunState state;
    std::vector<std::string> status;
    state.statusSink = [&](std::string_view s) { status.emplace_back(s); };
    state.resultFolder = dir.path();
    ASSERT_TRUE(openInputFile(state, dir / c.dataName));
    ASSERT_TRUE(openPrintFile(state, dir / c.printName));
    const std::size_t files = std::distance(std::filesystem::directory_iterator(dir.path()), {});

    EXPECT_EQ(runSeries(state), RunOutcome::refused);
    EXPECT_EQ(status, std::vector<std::string>{c.status});
    EXPECT_EQ(std::ftell(state.inputFile.get()), 0);  // not even read
    EXPECT_TRUE(state.printFile.close());
    EXPECT_EQ(slurp(dir / c.dataName), kSeries);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), files);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, OutputIsTheInput,
    ::testing::Values(Clash{"PrintFile", "cells.dat", "cells.dat", "PRINT FILE IS THE INPUT FILE"},
                      Clash{"ResultFile", "run_strain.cal", "run.prt", "RESULT FILE IS THE INPUT FILE"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// Another run (here: this test) holds a file by the lock that every run takes.
class HeldByAnotherRun {
public:
    explicit HeldByAnotherRun(const std::filesystem::path& file)
        : descriptor_(::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0666)) {}
    ~HeldByAnotherRun() { ::close(descriptor_); }
    bool held() const { return descriptor_ >= 0 && ::flock(descriptor_, LOCK_EX | LOCK_NB) == 0; }

private:
    int descriptor_;
};

TEST(RunLocks, APrintFileInUseStopsTheRunBeforeItWritesAnything) {
    TempFolder dir("held-print");
    writeFile(dir / "cells.dat", kSeries);
    writeFile(dir / "run.prt", "earlier report\r\n");
    HeldByAnotherRun other(dir / "run.prt");
    ASSERT_TRUE(other.held());
    const RunResult run = runOnce(dir / "cells.dat", dir / "run.prt");
    EXPECT_EQ(run.outcome, RunOutcome::refused);
    EXPECT_EQ(run.status.back(), "PRINT FILE IN USE BY ANOTHER RUN");
    EXPECT_EQ(slurp(dir / "run.prt"), "earlier report\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "run_strain.cal"));
}

// run.prt and run.log write the same result files.
TEST(RunLocks, ResultFilesInUseUnderAnotherPrintNameStopTheRun) {
    TempFolder dir("held-results");
    writeFile(dir / "cells.dat", kSeries);
    writeFile(dir / "run_strain.cal", "another run\r\n");
    HeldByAnotherRun other(dir / "run_strain.cal");
    ASSERT_TRUE(other.held());
    const RunResult run = runOnce(dir / "cells.dat", dir / "run.log");
    EXPECT_EQ(run.outcome, RunOutcome::refused);
    EXPECT_EQ(run.status.back(), "RESULT FILES IN USE BY ANOTHER RUN");
    EXPECT_EQ(slurp(dir / "run_strain.cal"), "another run\r\n");
    EXPECT_EQ(slurp(dir / "run.log"), "");
    EXPECT_FALSE(std::filesystem::exists(dir / "run_tensor.cal"));
}

// The dialog keeps its print file open after a run that failed; the locks end with each run.
TEST(RunLocks, AreReleasedWhenTheRunEnds) {
    TempFolder dir("released");
    writeFile(dir / "cells.dat", kSeries);
    RunState state;
    state.resultFolder = dir.path();
    ASSERT_TRUE(openInputFile(state, dir / "cells.dat"));
    ASSERT_TRUE(openPrintFile(state, dir / "run.prt"));
    ASSERT_EQ(runSeries(state), RunOutcome::completed);
    ASSERT_TRUE(state.printFile.isOpen());
    EXPECT_TRUE(HeldByAnotherRun(dir / "run.prt").held());
    EXPECT_TRUE(HeldByAnotherRun(dir / "run_strain.cal").held());
}

// For both front ends: a device chosen as the print file (/dev/null, a terminal) receives the
// report, and no result files are made beside it, in the device's folder; the run says so.
TEST(RunFiles, ADeviceAsThePrintFileHasNoResultFiles) {
    TempFolder dir("print-device");
    writeFile(dir / "cells.dat", kSeries);
    // As root a node of the test's own with /dev/null's numbers; otherwise the system's.
    const std::filesystem::path node = dir / "null";
    const std::filesystem::path device = ::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0 ? node : "/dev/null";
    RunState state;
    std::vector<std::string> details;
    state.detailSink = [&](std::string_view s) { details.emplace_back(s); };
    state.resultFolder = device.parent_path();
    ASSERT_TRUE(openInputFile(state, dir / "cells.dat"));
    ASSERT_TRUE(openPrintFile(state, device));
    // A device is shared by every process: another run writing to it does not stop this one.
    const HeldByAnotherRun other(device);
    ASSERT_TRUE(other.held());
    EXPECT_EQ(runSeries(state), RunOutcome::completed);
    EXPECT_EQ(details, std::vector<std::string>{device.string() + " is a device: no result files are written"});
    for (const std::filesystem::path& result : ResultFileNames(device.parent_path(), "null").all())
        EXPECT_FALSE(std::filesystem::exists(result)) << result;
}

TEST(ResultFileNames, NeverSplitACharacter) {
    const std::string e = "\xC3\xA9";  // é, two bytes
    // The suffix takes the place of the "." and the ten characters after it, whatever their bytes.
    EXPECT_EQ(resultFileName("r.a" + e + e + e + e + e + e + e + e + e + "rest", "_strain.cal"), "r_strain.calrest");
    EXPECT_EQ(resultFileName("r." + e + e + e + e + e + e + e + e + e + e + e, "_strain.cal"), "r_strain.cal" + e);
    EXPECT_EQ(resultFileName("r\xE2\x82\xAC.prt", "_tensor.cal"), "r\xE2\x82\xAC_tensor.cal");  // €
    // The "." must come within the first 70 characters, not bytes.
    std::string wide;
    for (int k = 0; k < 60; ++k) wide += e;
    EXPECT_EQ(resultFileName(wide + ".prt", "_prin.cal  "), wide + "_prin.cal");
}

TEST(FileNames, OnlyASlashSeparatesFolders) {
    EXPECT_EQ(fileNameOf("/data/run.prt"), "run.prt");
    EXPECT_EQ(fileNameOf("run.prt"), "run.prt");
    EXPECT_EQ(fileNameOf("/data/old\\run.prt"), "old\\run.prt");
    EXPECT_EQ(resultFileName(fileNameOf("/data/old\\run.prt"), "_strain.cal"), "old\\run_strain.cal");
}

}  // namespace
