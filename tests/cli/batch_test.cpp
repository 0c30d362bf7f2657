// tenzio-batch as a user runs it: options, exit status, file placement and awkward paths.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>

#include "../run/run_support.hpp"

namespace {

using namespace testing_support;

const std::filesystem::path kExample = std::filesystem::path(TENZIO_SOURCE_DIR) / "examples/phenylpiracetam_triclinic_T.dat";

std::string quoted(const std::filesystem::path& p) {
    std::string q = "'";
    for (char c : p.string()) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

int batch(const std::string& arguments) {
    const std::string command = std::string(TENZIO_BATCH) + " " + arguments + " 2>/dev/null >/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The date-and-time text differs between runs; blank it out before comparing.
std::string masked(std::string text) {
    const std::string marker = "RUN ON: ";
    for (std::size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at + 1))
        text.replace(at + marker.size(), 24, 24, '#');
    return text;
}

TEST(Batch, UsageErrorsAndHelp) {
    EXPECT_EQ(batch(""), 2);
    EXPECT_EQ(batch(quoted(kExample)), 2);  // no print file
    EXPECT_EQ(batch(quoted(kExample) + " --print x.prt --axes 4"), 2);
    EXPECT_EQ(batch(quoted(kExample) + " --print x.prt --strain sideways"), 2);
    EXPECT_EQ(batch("--help"), 0);
    EXPECT_EQ(batch("--version"), 0);
}

TEST(Batch, SameFilesAsTheRunItCalls) {
    TempFolder dir("batch-same");
    std::filesystem::create_directories(dir / "cli");
    std::filesystem::create_directories(dir / "lib");
    ASSERT_EQ(batch(quoted(kExample) + " --print " + quoted(dir / "cli" / "r.prt") +
                    " --axes 2 --strain infinitesimal-lagrangian --against-first"),
              0);
    RunOptions options;
    options.axisConvention = AxialSet::yBZCStar;
    options.strainType = StrainType::infinitesimalLagrangian;
    options.incremental = false;
    ASSERT_EQ(runOnce(kExample, dir / "lib" / "r.prt", options).outcome, RunOutcome::completed);
    for (const char* name : {"r.prt", "r_strain.cal", "r_tensor.cal", "r_prin.cal"}) {
        EXPECT_EQ(masked(slurp(dir / "cli" / name)), masked(slurp(dir / "lib" / name))) << name;
    }
}

TEST(Batch, AwkwardPathsWork) {
    TempFolder dir("batch-paths");
    std::filesystem::path folder = dir / "folder with blanks ÄÖÜ";
    for (int k = 0; k < 14; ++k) folder /= "a rather long folder name number " + std::to_string(k);
    std::filesystem::create_directories(folder);
    ASSERT_GT(folder.string().size(), 512u);
    std::filesystem::copy_file(kExample, folder / "cell data é.dat");
    ASSERT_EQ(batch(quoted(folder / "cell data é.dat") + " --print " + quoted(folder / "rapport été.prt")), 0);
    EXPECT_TRUE(std::filesystem::exists(folder / "rapport été_strain.cal"));
    EXPECT_TRUE(std::filesystem::exists(folder / "rapport été_prin.cal"));
    EXPECT_NE(slurp(folder / "rapport été.prt").find("INPUT FILE IS: cell data é.dat"), std::string::npos);
}

TEST(Batch, FailuresExitWithOneAndKeepThePrintFile) {
    TempFolder dir("batch-fail");
    writeFile(dir / "bad.dat", "LINE1 T A\nDATA\n1 x\n");
    writeFile(dir / "r.prt", "kept\r\n");
    EXPECT_EQ(batch(quoted(dir / "bad.dat") + " --print " + quoted(dir / "r.prt")), 1);
    EXPECT_EQ(slurp(dir / "r.prt"), "kept\r\n");
    EXPECT_EQ(batch(quoted(dir / "missing.dat") + " --print " + quoted(dir / "r.prt")), 1);
    EXPECT_EQ(batch(quoted(kExample) + " --print " + quoted(dir / "no folder" / "r.prt")), 1);
    std::filesystem::create_directory(dir / "r_strain.cal");  // a result file that cannot be opened
    EXPECT_EQ(batch(quoted(kExample) + " --print " + quoted(dir / "r.prt")), 1);
    EXPECT_TRUE(slurp(dir / "r.prt").starts_with("kept\r\n"));
}

}  // namespace
