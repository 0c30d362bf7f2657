// tenzio-batch as a user runs it: options, exit status, file placement and awkward paths.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <set>
#include <sstream>

#include "../run/run_support.hpp"

namespace {

using namespace testing_support;

const std::filesystem::path kExample = std::filesystem::path(TENZIO_SOURCE_DIR) / "examples/phenylpiracetam_triclinic_T.dat";

int batch(const std::string& arguments) {
    const std::string command = std::string(TENZIO_BATCH) + " " + arguments + " 2>/dev/null >/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct BatchRun {
    int exit;
    std::string errors;  // standard error: status lines and reasons
};

// tenzio-batch with its standard error kept in `errors` (a file of the folder that holds it).
BatchRun batchKeepingErrors(const std::filesystem::path& errors, const std::string& arguments) {
    const std::string command = std::string(TENZIO_BATCH) + " " + arguments + " 2>" + shellQuoted(errors) + " >/dev/null";
    const int status = std::system(command.c_str());
    BatchRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(errors)};
    std::filesystem::remove(errors);
    return run;
}

// Every file of a folder with its content.
std::map<std::string, std::string> contentsOf(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files[entry.path().filename().string()] = entry.is_regular_file() ? slurp(entry.path()) : "<not a file>";
    return files;
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
    EXPECT_EQ(batch(shellQuoted(kExample)), 2);  // no print file
    EXPECT_EQ(batch(shellQuoted(kExample) + " --print x.prt --axes 4"), 2);
    EXPECT_EQ(batch(shellQuoted(kExample) + " --print x.prt --strain sideways"), 2);
    EXPECT_EQ(batch("--help"), 0);
    EXPECT_EQ(batch("--version"), 0);
}

TEST(Batch, SameFilesAsTheRunItCalls) {
    TempFolder dir("batch-same");
    std::filesystem::create_directories(dir / "cli");
    std::filesystem::create_directories(dir / "lib");
    ASSERT_EQ(batch(shellQuoted(kExample) + " --print " + shellQuoted(dir / "cli" / "r.prt") +
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
    ASSERT_EQ(batch(shellQuoted(folder / "cell data é.dat") + " --print " + shellQuoted(folder / "rapport été.prt")), 0);
    EXPECT_TRUE(std::filesystem::exists(folder / "rapport été_strain.cal"));
    EXPECT_TRUE(std::filesystem::exists(folder / "rapport été_prin.cal"));
    EXPECT_NE(slurp(folder / "rapport été.prt").find("INPUT FILE IS: cell data é.dat"), std::string::npos);
}

TEST(Batch, FailuresExitWithOneAndKeepThePrintFile) {
    TempFolder dir("batch-fail");
    writeFile(dir / "bad.dat", "LINE1 T A\nDATA\n1 x\n");
    writeFile(dir / "r.prt", "kept\r\n");
    EXPECT_EQ(batch(shellQuoted(dir / "bad.dat") + " --print " + shellQuoted(dir / "r.prt")), 1);
    EXPECT_EQ(slurp(dir / "r.prt"), "kept\r\n");
    EXPECT_EQ(batch(shellQuoted(dir / "missing.dat") + " --print " + shellQuoted(dir / "r.prt")), 1);
    EXPECT_EQ(batch("/dev/zero --print " + shellQuoted(dir / "r.prt")), 1);  // a device never ends
    EXPECT_EQ(slurp(dir / "r.prt"), "kept\r\n");
    EXPECT_EQ(batch(shellQuoted(kExample) + " --print " + shellQuoted(dir / "no folder" / "r.prt")), 1);
    std::filesystem::create_directory(dir / "r_strain.cal");  // a result file that cannot be opened
    EXPECT_EQ(batch(shellQuoted(kExample) + " --print " + shellQuoted(dir / "r.prt")), 1);
    EXPECT_TRUE(slurp(dir / "r.prt").starts_with("kept\r\n"));
}

// Mended fault: the data file given as the print file (or reached as one through a link, or
// named like a result file of the run) received the report, and the run said it had finished.
struct SameFileCase {
    const char* name;
    const char* dataName;     // the data file's name in the folder
    const char* otherName;    // a second name made for it: "symlink NAME" or "hardlink NAME", or ""
    const char* arguments;    // after the data file; DIR stands for the folder
    const char* status;
};

void PrintTo(const SameFileCase& c, std::ostream* os) { *os << c.name; }

class SameFile : public ::testing::TestWithParam<SameFileCase> {};

TEST_P(SameFile, IsRefusedAndTheDataFileStays) {
    const SameFileCase& c = GetParam();
    TempFolder dir(std::string("batch-same-") + c.name);
    const std::filesystem::path folder = dir / "work";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(kExample, folder / c.dataName);
    const std::string other = c.otherName;
    if (other.starts_with("symlink ")) std::filesystem::create_symlink(folder / c.dataName, folder / other.substr(8));
    if (other.starts_with("hardlink ")) std::filesystem::create_hard_link(folder / c.dataName, folder / other.substr(9));
    const auto before = contentsOf(folder);

    std::string arguments = c.arguments;
    for (auto at = arguments.find("DIR"); at != std::string::npos; at = arguments.find("DIR")) arguments.replace(at, 3, shellQuoted(folder));
    const BatchRun run = batchKeepingErrors(dir / "errors", shellQuoted(folder / c.dataName) + " " + arguments);
    EXPECT_EQ(run.exit, 1);
    // The status line, then which output it was.
    EXPECT_TRUE(run.errors.starts_with(std::string(c.status) + "\ntenzio-batch: ")) << run.errors;
    EXPECT_TRUE(run.errors.ends_with(" is an input file\n")) << run.errors;
    EXPECT_EQ(contentsOf(folder), before);
    EXPECT_EQ(slurp(folder / c.dataName), slurp(kExample));
}

INSTANTIATE_TEST_SUITE_P(
    Batch, SameFile,
    ::testing::Values(
        SameFileCase{"PrintIsTheDataFile", "d.dat", "", "--print DIR/d.dat", "PRINT FILE IS THE INPUT FILE"},
        SameFileCase{"PrintThroughASymbolicLink", "d.dat", "symlink r.prt", "--print DIR/r.prt",
                     "PRINT FILE IS THE INPUT FILE"},
        SameFileCase{"PrintThroughAHardLink", "d.dat", "hardlink r.prt", "--print DIR/r.prt",
                     "PRINT FILE IS THE INPUT FILE"},
        SameFileCase{"DataFileNamedLikeAResultFile", "run_tensor.cal", "", "--print DIR/run.prt",
                     "RESULT FILE IS THE INPUT FILE"},
        SameFileCase{"ResultFileThroughALink", "d.dat", "symlink run_strain.cal", "--print DIR/run.prt",
                     "RESULT FILE IS THE INPUT FILE"},
        SameFileCase{"JsonIsTheDataFile", "d.dat", "", "--json DIR/d.dat", "JSON OR CSV FILE IS THE INPUT FILE"},
        SameFileCase{"CsvIsTheDataFile", "d.dat", "", "--print DIR/r.prt --csv DIR/d.dat",
                     "JSON OR CSV FILE IS THE INPUT FILE"},
        // Mended fault: the data file named like a plot file was overwritten by the plot.
        SameFileCase{"PlotFileIsTheDataFile", "a_cell.svg", "", "--print DIR/a.prt --plots DIR",
                     "PLOT FILE IS THE INPUT FILE"},
        SameFileCase{"PlotFileThroughALink", "d.dat", "symlink r_strains.png", "--print DIR/r.prt --plots DIR",
                     "PLOT FILE IS THE INPUT FILE"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// Mended fault: an output named like another output of the same run replaced it (--json run.prt
// wiped the print file's history), or both were written into one file.
struct TwoOutputsCase {
    const char* name;
    const char* link;       // "symlink NAME TARGET" or "hardlink NAME TARGET" made first, or ""
    const char* arguments;  // after the data file; DIR stands for the folder
    const char* first;      // the two outputs as the message names them, DIR for the folder
    const char* second;
};

void PrintTo(const TwoOutputsCase& c, std::ostream* os) { *os << c.name; }

class TwoOutputsInOneFile : public ::testing::TestWithParam<TwoOutputsCase> {};

TEST_P(TwoOutputsInOneFile, UsageErrorNamingBoth) {
    const TwoOutputsCase& c = GetParam();
    TempFolder dir(std::string("batch-outputs-") + c.name);
    const std::filesystem::path folder = dir / "work";
    std::filesystem::create_directories(folder / "sub");
    writeFile(folder / "run.prt", "an earlier report\r\n");
    writeFile(folder / "run_strain.cal", "earlier results\r\n");
    writeFile(folder / "old.json", "{}\n");
    std::istringstream link(c.link);
    std::string kind, name, target;
    link >> kind >> name >> target;
    if (kind == "symlink") std::filesystem::create_symlink(target, folder / name);
    if (kind == "hardlink") std::filesystem::create_hard_link(folder / target, folder / name);
    const auto before = contentsOf(folder);
    const auto withFolder = [&](std::string text) {
        for (auto at = text.find("DIR"); at != std::string::npos; at = text.find("DIR")) text.replace(at, 3, folder.string());
        return text;
    };
    std::string arguments = c.arguments;
    for (auto at = arguments.find("DIR"); at != std::string::npos; at = arguments.find("DIR"))
        arguments.replace(at, 3, shellQuoted(folder));

    const BatchRun run = batchKeepingErrors(dir / "errors", shellQuoted(kExample) + " " + arguments);
    EXPECT_EQ(run.exit, 2);
    EXPECT_EQ(run.errors, "tenzio-batch: " + withFolder(c.first) + " and " + withFolder(c.second) +
                              " are the same file\nRun with --help for more information.\n");
    EXPECT_EQ(contentsOf(folder), before);
}

INSTANTIATE_TEST_SUITE_P(
    Batch, TwoOutputsInOneFile,
    ::testing::Values(
        TwoOutputsCase{"JsonIsThePrintFile", "", "--print DIR/run.prt --json DIR/run.prt", "--print DIR/run.prt",
                       "--json DIR/run.prt"},
        TwoOutputsCase{"CsvIsAResultFile", "", "--print DIR/run.prt --csv DIR/run_strain.cal",
                       "the result file DIR/run_strain.cal", "--csv DIR/run_strain.cal"},
        TwoOutputsCase{"JsonAndCsvByTwoSpellings", "", "--json DIR/new.json --csv DIR/sub/../new.json",
                       "--json DIR/new.json", "--csv DIR/sub/../new.json"},
        TwoOutputsCase{"JsonAndCsvThroughAHardLink", "hardlink other.json old.json",
                       "--json DIR/old.json --csv DIR/other.json", "--json DIR/old.json", "--csv DIR/other.json"},
        TwoOutputsCase{"PrintLinkedToItsOwnResultFile", "symlink r.prt r_tensor.cal", "--print DIR/r.prt",
                       "--print DIR/r.prt", "the result file DIR/r_tensor.cal"},
        TwoOutputsCase{"DataOutIsAPlotFile", "", "--print DIR/run.prt --plots DIR --data-out DIR/run_cell.png",
                       "--data-out DIR/run_cell.png", "the plot file DIR/run_cell.png"},
        TwoOutputsCase{"BothToStandardOutput", "", "--json - --csv -", "--json - (standard output)",
                       "--csv - (standard output)"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// Mended fault: a print file named old\run.prt appended to another run's run_strain.cal.
TEST(Batch, ABackslashIsPartOfThePrintFileName) {
    TempFolder dir("batch-backslash");
    writeFile(dir / "run_strain.cal", "another run's results\r\n");
    ASSERT_EQ(batch(shellQuoted(kExample) + " --print " + shellQuoted(dir / "old\\run.prt")), 0);
    EXPECT_EQ(slurp(dir / "run_strain.cal"), "another run's results\r\n");
    for (const char* name : {"old\\run_strain.cal", "old\\run_tensor.cal", "old\\run_prin.cal"})
        EXPECT_TRUE(std::filesystem::exists(dir / name)) << name;
}

// Mended fault: two runs on one print file interleaved their reports and both said they had
// finished. Here the other run is this test, holding the locks that a run takes.
struct HeldFile {
    const char* name;
    const char* held;   // the file another run is writing
    const char* print;  // this run's print file
    const char* status;
    const char* detail;  // the reason that follows, DIR standing for the folder
};

// A case's text with DIR standing for a folder.
std::string inFolder(std::string text, const std::filesystem::path& folder) {
    for (auto at = text.find("DIR"); at != std::string::npos; at = text.find("DIR")) text.replace(at, 3, folder.string());
    return text;
}

void PrintTo(const HeldFile& c, std::ostream* os) { *os << c.name; }

class FilesInUse : public ::testing::TestWithParam<HeldFile> {};

TEST_P(FilesInUse, EndTheRunAtOnceAndWriteNothing) {
    const HeldFile& c = GetParam();
    TempFolder dir(std::string("batch-held-") + c.name);
    writeFile(dir / c.held, "being written\r\n");
    const auto before = contentsOf(dir.path());
    const int other = ::open((dir / c.held).c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    const BatchRun run = batchKeepingErrors(dir / "errors", shellQuoted(kExample) + " --print " + shellQuoted(dir / c.print));
    ::close(other);
    EXPECT_EQ(run.exit, 1);
    EXPECT_EQ(run.errors, std::string("PROCESSING DATA\n") + c.status + "\ntenzio-batch: " + inFolder(c.detail, dir.path()) + "\n");
    // Nothing changed, and no print file was created.
    EXPECT_EQ(contentsOf(dir.path()), before);
    // Once the other run has ended, the run goes ahead.
    EXPECT_EQ(batch(shellQuoted(kExample) + " --print " + shellQuoted(dir / c.print)), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Batch, FilesInUse,
    ::testing::Values(HeldFile{"ThePrintFile", "run.prt", "run.prt", "PRINT FILE IN USE BY ANOTHER RUN",
                               "another run is writing DIR/run.prt; this run wrote nothing"},
                      // run.log and run.prt share their result files.
                      HeldFile{"TheResultFiles", "run_strain.cal", "run.log", "RESULT FILES IN USE BY ANOTHER RUN",
                               "another run is writing the result files DIR/run_strain.cal and the others of its "
                               "name; this run wrote nothing"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// A triclinic series long enough that two runs of it overlap.
std::string longSeries(int points) {
    std::string text = "TITLE drifting cell\nLINE1 T A B C ALPHA BETA GAMMA\nDATA\n";
    for (int i = 0; i < points; ++i) {
        const std::string d = std::to_string(i % 1000);
        text += std::to_string(10 + i) + " 6.1" + d + " 10.8" + d + " 17.4" + d + " 76." + d + " 84." + d + " 81." + d + "\n";
    }
    return text;
}

// Two real runs started together: each one's records stay whole. Either the second finds the
// first's files in use and writes nothing, or it starts after the first has ended.
struct TwoRuns {
    const char* name;
    const char* print1;
    const char* print2;
    const char* status;  // of a run that finds the other's files in use
    const char* detail;  // the reason that follows, DIR standing for the folder
};

void PrintTo(const TwoRuns& c, std::ostream* os) { *os << c.name; }

class TwoRunsAtOnce : public ::testing::TestWithParam<TwoRuns> {};

TEST_P(TwoRunsAtOnce, NeverMixTheirRecords) {
    const TwoRuns& c = GetParam();
    TempFolder dir(std::string("batch-two-") + c.name);
    std::filesystem::create_directories(dir / "alone");
    std::filesystem::create_directories(dir / "both");
    writeFile(dir / "series.dat", longSeries(1500));
    // One run alone gives the records a run must leave whole.
    ASSERT_EQ(batch(shellQuoted(dir / "series.dat") + " --print " + shellQuoted(dir / "alone" / "run.prt")), 0);
    const std::string report = masked(slurp(dir / "alone" / "run.prt"));
    const std::string strain = masked(slurp(dir / "alone" / "run_strain.cal"));

    const auto start = [&](const char* print, const char* tag) {
        return std::string(TENZIO_BATCH) + " " + shellQuoted(dir / "series.dat") + " --print " + shellQuoted(dir / "both" / print) +
               " 2>" + shellQuoted(dir / tag) + " >/dev/null; echo $? >>" + shellQuoted(dir / tag);
    };
    const std::string both = "(" + start(c.print1, "1") + ") & (" + start(c.print2, "2") + ") & wait";
    ASSERT_EQ(std::system(both.c_str()), 0);

    int completed = 0;
    for (const char* tag : {"1", "2"}) {
        const std::string errors = slurp(dir / tag);
        if (errors == "PROCESSING DATA\nTENZIO FINISHED SUCCESSFULLY\n0\n") ++completed;
        else EXPECT_EQ(errors, std::string("PROCESSING DATA\n") + c.status + "\ntenzio-batch: " + inFolder(c.detail, dir / "both") + "\n1\n");
    }
    ASSERT_GE(completed, 1);
    std::string reports;
    for (const std::string& print : std::set<std::string>{c.print1, c.print2}) reports += masked(slurp(dir / "both" / print));
    std::string expectedReports;
    std::string expectedStrain;
    for (int k = 0; k < completed; ++k) {
        expectedReports += report;
        expectedStrain += strain;
    }
    EXPECT_TRUE(reports == expectedReports) << "the print files hold other than " << completed << " whole reports";
    EXPECT_TRUE(masked(slurp(dir / "both" / "run_strain.cal")) == expectedStrain)
        << "the strain file holds other than " << completed << " whole runs";
}

INSTANTIATE_TEST_SUITE_P(
    Batch, TwoRunsAtOnce,
    ::testing::Values(TwoRuns{"OnePrintFile", "run.prt", "run.prt", "PRINT FILE IN USE BY ANOTHER RUN",
                              "another run is writing DIR/run.prt; this run wrote nothing"},
                      TwoRuns{"PrintFilesSharingResultFiles", "run.prt", "run.log", "RESULT FILES IN USE BY ANOTHER RUN",
                              "another run is writing the result files DIR/run_strain.cal and the others of its name; "
                              "this run wrote nothing"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

}  // namespace
