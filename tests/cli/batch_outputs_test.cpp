// What tenzio-batch does to the files it writes besides the print file: devices and named pipes
// receive the data and stay what they are, "-" is the standard output; a link to nothing or a file
// that may not be written is refused; a device as the print file has no result files.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <map>

#include "../support.hpp"
#include "report/result_files.hpp"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

const fs::path kExample = fs::path(TENZIO_SOURCE_DIR) / "examples/phenylpiracetam_triclinic_T.dat";

std::string batchCommand(const std::string& arguments) { return std::string(TENZIO_BATCH) + " " + arguments; }

mode_t typeOf(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? (info.st_mode & S_IFMT) : 0;
}

// A character device like /dev/null (1, 3) or /dev/full (1, 7): made in the test's folder as
// root, so that a mistake cannot replace the system's own; otherwise the system's, which only
// root could replace.
fs::path deviceNode(const TempFolder& dir, const char* name, unsigned minor) {
    const fs::path made = dir / name;
    if (fs::exists(made)) return made;
    if (::mknod(made.c_str(), S_IFCHR | 0666, makedev(1, minor)) == 0) return made;
    return fs::path("/dev") / name;
}

const char* const kDataOptions[] = {"--json", "--csv", "--data-out"};

// The file an option writes to a regular file, for comparison.
std::string reference(const TempFolder& dir, const std::string& option) {
    const fs::path file = dir / ("reference" + option);
    EXPECT_EQ(shell(batchCommand(shellQuoted(kExample) + " " + option + " " + shellQuoted(file) + " 2>/dev/null")), 0);
    return slurp(file);
}

// Mended fault: --json F with F a device node replaced the node by a regular file (as root,
// --json /dev/null would have replaced the system's /dev/null); a named pipe alike.
TEST(BatchOutputs, ADeviceIsWrittenInPlaceNeverReplaced) {
    TempFolder dir("outputs-device");
    for (const char* option : kDataOptions) {
        const fs::path null = deviceNode(dir, "null", 3);
        EXPECT_EQ(shell(batchCommand(shellQuoted(kExample) + " " + option + " " + shellQuoted(null) + " 2>/dev/null")), 0) << option;
        EXPECT_EQ(typeOf(null), S_IFCHR) << option;
        // A device that refuses the data fails the run, and stays.
        const fs::path full = deviceNode(dir, "full", 7);
        EXPECT_EQ(shell(batchCommand(shellQuoted(kExample) + " " + option + " " + shellQuoted(full) + " 2>" + shellQuoted(dir / "errors"))), 1)
            << option;
        EXPECT_EQ(typeOf(full), S_IFCHR) << option;
        EXPECT_NE(slurp(dir / "errors").find("cannot write " + full.string() + ": No space left on device"),
                  std::string::npos)
            << slurp(dir / "errors");
    }
}

TEST(BatchOutputs, ANamedPipeFeedsItsReader) {
    TempFolder dir("outputs-fifo");
    for (const char* option : kDataOptions) {
        const std::string expected = reference(dir, option);
        const fs::path fifo = dir / "pipe";
        fs::remove(fifo);
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        // The reader is bounded in time, so that a run that never opens the pipe cannot hang the test.
        const std::string reader = "timeout 20 cat " + shellQuoted(fifo) + " >" + shellQuoted(dir / "received") + " & ";
        EXPECT_EQ(shell(reader + batchCommand(shellQuoted(kExample) + " " + option + " " + shellQuoted(fifo) + " 2>/dev/null; s=$?; wait; exit $s")),
                  0)
            << option;
        EXPECT_EQ(typeOf(fifo), S_IFIFO) << option;
        EXPECT_TRUE(slurp(dir / "received") == expected) << option;
    }
}

TEST(BatchOutputs, ADashIsTheStandardOutput) {
    TempFolder dir("outputs-dash");
    for (const char* option : kDataOptions) {
        const std::string expected = reference(dir, option);
        EXPECT_EQ(shell("cd " + shellQuoted(dir.path()) + " && " +
                        batchCommand(shellQuoted(kExample) + " " + option + " - >" + shellQuoted(dir / "out") + " 2>/dev/null")),
                  0)
            << option;
        EXPECT_TRUE(slurp(dir / "out") == expected) << option;
        EXPECT_FALSE(fs::exists(dir / "-")) << option;
    }
}

// Through a symbolic link, the file it names is replaced; the link stays.
TEST(BatchOutputs, ALinkStaysALink) {
    TempFolder dir("outputs-link");
    for (const char* option : kDataOptions) {
        const std::string expected = reference(dir, option);
        fs::remove(dir / "link");
        writeFile(dir / "real", "earlier");
        fs::create_symlink("real", dir / "link");
        EXPECT_EQ(shell(batchCommand(shellQuoted(kExample) + " " + option + " " + shellQuoted(dir / "link") + " 2>/dev/null")), 0) << option;
        EXPECT_EQ(typeOf(dir / "link"), S_IFLNK) << option;
        EXPECT_TRUE(slurp(dir / "real") == expected) << option;
    }
}

// Mended fault: a 0600 JSON file became 0644 when the run replaced it.
TEST(BatchOutputs, AReplacedFileKeepsItsModeAndOwner) {
    TempFolder dir("outputs-mode");
    const bool root = ::geteuid() == 0;
    for (const char* option : kDataOptions) {
        for (const mode_t mode : {mode_t{0600}, mode_t{0640}, mode_t{0604}}) {
            const fs::path file = dir / "kept";
            writeFile(file, "earlier");
            ASSERT_EQ(::chmod(file.c_str(), mode), 0);
            // Only root can give a file away; then the new file must go to the same owner.
            if (root) {
                ASSERT_EQ(::chown(file.c_str(), 4321, 4322), 0);
            }
            EXPECT_EQ(shell(batchCommand(shellQuoted(kExample) + " " + option + " " + shellQuoted(file) + " 2>/dev/null")), 0) << option;
            struct stat info {};
            ASSERT_EQ(::stat(file.c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 07777, mode) << option;
            if (root) {
                EXPECT_EQ(std::pair(info.st_uid, info.st_gid), std::pair(uid_t{4321}, gid_t{4322})) << option;
            }
            EXPECT_NE(slurp(file), "earlier") << option;
        }
    }
}

// Mended fault: a failed write said only "ERROR WRITING REPORT OR RESULT FILES". Writes beyond the
// process's file size limit (its signal ignored) fail as a full disk would.
TEST(BatchOutputs, AFailedOutputNamesItsFileAndTheSystemsReason) {
    TempFolder dir("outputs-reasons");
    std::string series = "TITLE long\nLINE1 T A SIGA B SIGB C SIGC ALPHA BETA GAMMA\nDATA\n";
    for (int i = 0; i < 400; ++i)
        series += std::to_string(100 + i) + " 6.1" + std::to_string(100 + i) + " 0.002 10.8 0.002 17.4 0.003 76.9 84.5 81.6\n";
    writeFile(dir / "series.dat", series);
    fs::create_directories(dir / "held" / "r_strain.cal");  // a result file that cannot be opened
    const struct {
        const char* arguments;  // DIR: the folder
        const char* reason;
    } cases[] = {
        {"--json DIR/r.json", "cannot write DIR/r.json: File too large"},
        {"--csv DIR/r.csv", "cannot write DIR/r.csv: File too large"},
        {"--data-out DIR/r.dat --json DIR/small.json", "cannot write DIR/r.dat: File too large"},
        {"--data-out DIR/r.dat", "cannot write DIR/r.dat: File too large"},
        {"--print DIR/r.prt", "cannot write DIR/r.prt: File too large"},
        {"--print DIR/held/r.prt", "cannot open DIR/held/r_strain.cal: Is a directory"},
    };
    for (const auto& c : cases) {
        std::string arguments = c.arguments;
        std::string reason = c.reason;
        for (std::string* text : {&arguments, &reason})
            for (auto at = text->find("DIR"); at != std::string::npos; at = text->find("DIR")) text->replace(at, 3, dir.path().string());
        const std::string command = "trap '' XFSZ; ulimit -f 8; " + batchCommand(shellQuoted(dir / "series.dat") + " " + arguments);
        EXPECT_EQ(shell("bash -c " + shellQuoted(command) + " 2>" + shellQuoted(dir / "errors")), 1) << arguments;
        EXPECT_NE(slurp(dir / "errors").find(reason), std::string::npos) << slurp(dir / "errors");
    }
}

// Every file of a folder with its content.
std::map<std::string, std::string> contentsOf(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) files[entry.path().filename().string()] = slurp(entry.path());
    return files;
}

// Mended fault: a bad CIF, /dev/zero as input or a refused run left a new, empty print file.
struct EarlyFailure {
    const char* name;
    const char* input;  // under tests/bad-input/, or a path from "/"
    const char* held;   // a file of the folder that another run holds, or ""
    const char* print;
};

void PrintTo(const EarlyFailure& c, std::ostream* os) { *os << c.name; }

class FailsBeforeItsFirstRecord : public ::testing::TestWithParam<EarlyFailure> {};

TEST_P(FailsBeforeItsFirstRecord, AndCreatesNoFile) {
    const EarlyFailure& c = GetParam();
    TempFolder dir(std::string("outputs-early-") + c.name);
    const fs::path folder = dir / "work";
    fs::create_directories(folder);
    writeFile(folder / "run_strain.cal", "another run's results\r\n");
    const auto before = contentsOf(folder);
    const std::string input = c.input;
    const fs::path data = input.starts_with("/") ? fs::path(input) : fs::path(TENZIO_SOURCE_DIR) / "tests/bad-input" / input;
    int other = -1;
    if (*c.held) {
        other = ::open((folder / c.held).c_str(), O_WRONLY | O_APPEND);
        ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    }
    // The print file alone, and with every other output (--data-out reads the series first).
    for (const std::string& others : {std::string(), " --json " + shellQuoted(folder / "new.json") + " --csv " +
                                                        shellQuoted(folder / "new.csv") + " --data-out " + shellQuoted(folder / "new.dat")}) {
        EXPECT_EQ(shell(batchCommand(shellQuoted(data) + " --print " + shellQuoted(folder / c.print) + others + " 2>/dev/null")), 1) << others;
        EXPECT_EQ(contentsOf(folder), before) << others;
    }
    if (other >= 0) ::close(other);
}

INSTANTIATE_TEST_SUITE_P(
    BatchOutputs, FailsBeforeItsFirstRecord,
    ::testing::Values(EarlyFailure{"BadCif", "cif_syntax_error.cif", "", "new.prt"},
                      EarlyFailure{"DeviceAsInput", "/dev/zero", "", "new.prt"},
                      EarlyFailure{"NotANumber", "non_number.dat", "", "new.prt"},
                      EarlyFailure{"OneDatum", "one_datum.dat", "", "new.prt"},
                      EarlyFailure{"InvalidCell", "negative_edge.dat", "", "new.prt"},
                      EarlyFailure{"StrainOutOfRange", "strain_out_of_range.dat", "", "new.prt"},
                      // run.log shares its result files with run.prt, which another run is writing.
                      EarlyFailure{"ResultFilesInUse", "../../examples/periclase_cubic_T.dat", "run_strain.cal",
                                   "run.log"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// Every entry of a folder: a file's content, a link's target, or a mark for anything else.
std::map<std::string, std::string> entriesOf(const fs::path& folder) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const fs::path path = entry.path();
        entries[path.filename().string()] = fs::is_symlink(path)        ? "-> " + fs::read_symlink(path).string()
                                             : fs::is_regular_file(path) ? slurp(path)
                                                                         : "<not a file>";
    }
    return entries;
}

// Each output of the batch command, as its file is named: the option and what stands in it (OUT),
// and the file that the option's argument makes the run write (the result and plot files are
// named after the print file).
struct OutputCase {
    const char* name;
    const char* arguments;  // DIR the folder, OUT the output's file
    const char* written;    // the output file in DIR
    const char* role;       // as messages name it
};

const OutputCase kOutputCases[] = {
    {"Print", "--print DIR/OUT", "r.prt", "--print"},
    {"ResultFile", "--print DIR/r.prt", "r_tensor.cal", "the result file"},
    {"Json", "--json DIR/OUT", "r.json", "--json"},
    {"Csv", "--csv DIR/OUT", "r.csv", "--csv"},
    {"Fits", "--fits DIR/OUT", "r.txt", "--fits"},
    {"DataOut", "--json DIR/r.json --data-out DIR/OUT", "r.dat", "--data-out"},
    {"PlotFile", "--print DIR/r.prt --plots DIR", "r_cell.svg", "the plot file"},
};

std::string withFolder(std::string text, const fs::path& folder, const std::string& out = {}) {
    for (auto at = text.find("DIR"); at != std::string::npos; at = text.find("DIR")) text.replace(at, 3, folder.string());
    for (auto at = text.find("OUT"); at != std::string::npos; at = text.find("OUT")) text.replace(at, 3, out);
    return text;
}

// Mended fault: a symbolic link to nothing given as an output was replaced by a file (JSON, CSV,
// fits, data, plots), or had a file created where it pointed (print and result files).
TEST(BatchOutputs, ALinkToNothingIsRefusedByEveryOutput) {
    for (const OutputCase& c : kOutputCases) {
        TempFolder dir(std::string("outputs-dangling-") + c.name);
        fs::create_symlink("gone/missing", dir / c.written);
        const auto before = entriesOf(dir.path());
        EXPECT_EQ(shell(batchCommand(shellQuoted(kExample) + " " + withFolder(c.arguments, dir.path(), c.written) + " 2>" +
                                     shellQuoted(dir / "errors"))),
                  1)
            << c.name;
        EXPECT_EQ(slurp(dir / "errors"), "tenzio-batch: cannot write " + std::string(c.role) + " " + (dir / c.written).string() +
                                             ": a symbolic link to gone/missing, which does not exist; nothing was written\n")
            << c.name;
        fs::remove(dir / "errors");
        EXPECT_EQ(entriesOf(dir.path()), before) << c.name;
    }
}

// Mended fault: a read-only JSON, CSV, data or fits file was replaced as if it could be written
// (only the print and result files, appended to, were refused). Every output refuses it alike,
// before anything is written.
TEST(BatchOutputs, AFileThatMayNotBeWrittenIsRefusedByEveryOutput) {
    for (const OutputCase& c : kOutputCases) {
        TempFolder dir(std::string("outputs-read-only-") + c.name);
        giveToUnprivileged(dir.path());
        writeFile(dir / c.written, "earlier");
        giveToUnprivileged(dir / c.written);
        ASSERT_EQ(::chmod((dir / c.written).c_str(), 0444), 0);
        const auto before = entriesOf(dir.path());
        const std::string command = asUnprivileged(batchCommand(shellQuoted(kExample) + " " + withFolder(c.arguments, dir.path(), c.written)));
        if (command.empty()) GTEST_SKIP() << "no user whom permission bits stop";
        EXPECT_EQ(shell(command + " 2>" + shellQuoted(dir.path().parent_path() / (std::string("errors-") + c.name))), 1) << c.name;
        EXPECT_EQ(slurp(dir.path().parent_path() / (std::string("errors-") + c.name)),
                  "tenzio-batch: cannot write " + std::string(c.role) + " " + (dir / c.written).string() +
                      ": Permission denied; nothing was written\n")
            << c.name;
        fs::remove(dir.path().parent_path() / (std::string("errors-") + c.name));
        EXPECT_EQ(entriesOf(dir.path()), before) << c.name;
    }
}

// Mended fault: outputs named with 248 to 255 bytes failed ("File name too long"): the hidden
// name of the new file was longer than the name it was to replace.
TEST(BatchOutputs, NamesAsLongAsTheFileSystemAllowsWork) {
    TempFolder dir("outputs-long");
    for (const std::size_t length : {248u, 255u}) {
        for (const char* option : {"--json", "--csv", "--fits", "--data-out"}) {
            const std::string name = std::string(length - 4, 'o') + ".out";
            const fs::path file = dir / name;
            for (int run = 0; run < 2; ++run) {  // a new file, then one replaced
                EXPECT_EQ(shell(batchCommand(shellQuoted(kExample) + " " + option + " " + shellQuoted(file) + " 2>/dev/null")), 0)
                    << option << " " << length;
            }
            EXPECT_GT(fs::file_size(file), 100u) << option;
            EXPECT_EQ(entriesOf(dir.path()).size(), 1u) << option;
            fs::remove(file);
        }
        // The result files' names keep the print file's length when its "." comes early.
        const std::string print = "r." + std::string(length - 2, 'p');
        ASSERT_EQ(shell(batchCommand(shellQuoted(kExample) + " --print " + shellQuoted(dir / print) + " 2>/dev/null")), 0) << length;
        for (const fs::path& result : ResultFileNames(dir.path(), print).all()) {
            EXPECT_EQ(result.filename().string().size(), length);
            EXPECT_TRUE(fs::exists(result)) << result;
        }
        fs::remove_all(dir.path());
        fs::create_directories(dir.path());
    }
}

// Mended fault: --print /dev/null created /dev/null_strain.cal and the other result files. A
// device as the print file receives the report; the result files, which have no option of their
// own, are not written, and the run says so.
TEST(BatchOutputs, ADeviceAsThePrintFileWritesNoResultFiles) {
    TempFolder dir("outputs-print-device");
    const fs::path null = deviceNode(dir, "null", 3);
    const fs::path folder = null.parent_path();
    const auto before = entriesOf(folder);
    EXPECT_EQ(shell(batchCommand(shellQuoted(kExample) + " --print " + shellQuoted(null) + " --json " + shellQuoted(dir / "run.json") +
                                 " 2>" + shellQuoted(dir / "errors"))),
              0);
    EXPECT_EQ(slurp(dir / "errors"), "PROCESSING DATA\ntenzio-batch: " + null.string() +
                                         " is a device: no result files are written\nTENZIO FINISHED SUCCESSFULLY\n");
    EXPECT_EQ(typeOf(null), S_IFCHR);
    for (const fs::path& result : ResultFileNames(folder, "null").all()) EXPECT_FALSE(fs::exists(result)) << result;
    EXPECT_GT(fs::file_size(dir / "run.json"), 1000u);  // an output with its own name is written
    fs::remove(dir / "errors");
    fs::remove(dir / "run.json");
    if (folder == dir.path()) {
        EXPECT_EQ(entriesOf(folder), before);
    }
}

}  // namespace
