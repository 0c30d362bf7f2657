// tenzio-batch --plots writes its files as one set: every one of them, or none replaced; two runs
// never put their sets into one folder at once.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <map>
#include <thread>

#include "../../support.hpp"
#include "LIBRARIES/text/restrict_warning.hpp"

// This file builds its command lines and texts with operator+ throughout: silenced for all of it.
BEGIN_GCC_RESTRICT_FALSE_POSITIVE

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

// Two series whose plots differ in every file.
const fs::path kEarlier = fs::path(TENZIO_SOURCE_DIR) / "examples/metacetamol_monoclinic_T.dat";
const fs::path kLater = fs::path(TENZIO_SOURCE_DIR) / "examples/phenylpiracetam_triclinic_T.dat";

std::string plotsCommand(const fs::path& series, const fs::path& folder, const std::string& more = {}) {
    return shellQuoted(TENZIO_BATCH) + " " + shellQuoted(series) + " --plots " + shellQuoted(folder) + " --print " +
           shellQuoted(folder.parent_path() / "r.prt") + more;
}

// The exit status of a command run by bash; standard error goes to `errors`.
int run(const std::string& command, const fs::path& errors) {
    return shell("bash -c " + shellQuoted(fs::path(command)) + " >/dev/null 2>" + shellQuoted(errors));
}

std::map<std::string, std::string> contentsOf(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files[entry.path().filename().string()] = entry.is_regular_file() ? slurp(entry.path()) : "<not a file>";
    return files;
}

// A folder with the plots of the earlier series in it.
struct EarlierPlots {
    explicit EarlierPlots(const std::string& tag) : dir(tag), plots(dir / "plots") {
        EXPECT_EQ(run(plotsCommand(kEarlier, plots), dir / "errors"), 0) << slurp(dir / "errors");
        before = contentsOf(plots);
    }
    TempFolder dir;
    fs::path plots;
    std::map<std::string, std::string> before;
};

struct PartWayCase {
    const char* name;
    const char* prepare;  // a shell command run in the plot folder first, or ""
    const char* limit;    // a file size limit in blocks of 512 bytes for the run, or ""
    const char* failure;  // the start of what follows "no plots written: ", PLOTS the folder
};

void PrintTo(const PartWayCase& c, std::ostream* os) { *os << c.name; }

class PlotSet : public ::testing::TestWithParam<PartWayCase> {};

// Mended fault: a plot that could not be written part-way through the set left the files before
// it replaced and those after it as they were: a set of two runs.
TEST_P(PlotSet, AFailurePartWayLeavesTheEarlierSet) {
    const PartWayCase& c = GetParam();
    EarlierPlots earlier(std::string("plot-set-") + c.name);
    if (*c.prepare) {
        ASSERT_EQ(shell("cd " + shellQuoted(earlier.plots) + " && " + c.prepare), 0);
        earlier.before = contentsOf(earlier.plots);
    }
    std::string command = plotsCommand(kLater, earlier.plots);
    if (*c.limit) command = "trap '' XFSZ; ulimit -f " + std::string(c.limit) + "; " + command;
    EXPECT_EQ(run(command, earlier.dir / "errors"), 1);
    std::string failure = c.failure;
    failure.replace(failure.find("PLOTS"), 5, earlier.plots.string());
    const std::string errors = slurp(earlier.dir / "errors");
    EXPECT_TRUE(errors.starts_with("PROCESSING DATA\ntenzio-batch: no plots written: " + failure)) << errors;
    EXPECT_TRUE(errors.ends_with("; no plot file was replaced\n")) << errors;
    EXPECT_TRUE(contentsOf(earlier.plots) == earlier.before) << "the earlier plots changed";
    // The run's own files stay.
    EXPECT_TRUE(fs::exists(earlier.dir / "r_prin.cal"));
}

INSTANTIATE_TEST_SUITE_P(
    BatchPlots, PlotSet,
    ::testing::Values(
        // The last file of the set is a folder: every other file was written before it failed.
        PartWayCase{"LastFileIsAFolder", "rm r_surface.png && mkdir r_surface.png", "",
                    "cannot write PLOTS/r_surface.png: Is a directory"},
        // Writes beyond the process's file size limit fail as on a full disk.
        PartWayCase{"FullDisk", "", "200", "cannot write PLOTS/r_"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(BatchPlots, ReplacedPlotFilesKeepTheirModeAndOwner) {
    EarlierPlots earlier("plot-set-mode");
    const fs::path kept = earlier.plots / "r_cell.svg";
    ASSERT_EQ(::chmod(kept.c_str(), 0640), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(kept.c_str(), 4321, 4322), 0);
    }
    ASSERT_EQ(run(plotsCommand(kLater, earlier.plots), earlier.dir / "errors"), 0) << slurp(earlier.dir / "errors");
    struct stat info {};
    ASSERT_EQ(::stat(kept.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(std::pair(info.st_uid, info.st_gid), std::pair(uid_t{4321}, gid_t{4322}));
    }
    EXPECT_NE(slurp(kept), earlier.before.at("r_cell.svg"));
}

// Whether process `pid` waits for a lock (flock) another holds, by the system's list of locks.
bool waitsForALock(pid_t pid) {
    const std::string locks = slurp("/proc/locks");
    const std::string waiter = "-> FLOCK";
    for (auto at = locks.find(waiter); at != std::string::npos; at = locks.find(waiter, at + 1)) {
        const std::string line = locks.substr(at, locks.find('\n', at) - at);
        if (line.find(" " + std::to_string(pid) + " ") != std::string::npos) return true;
    }
    return false;
}

// Mended fault: two runs writing one plot folder at once could leave a set of files from both.
// Here the other run is this test, holding the folder's lock: the run waits for it before it
// puts its set in place, and then puts all of it there.
TEST(BatchPlots, ARunWaitsForAnotherPuttingItsSetInPlace) {
    if (!fs::exists("/proc/locks")) GTEST_SKIP() << "no list of locks to watch";
    EarlierPlots earlier("plot-set-lock");
    // Not inherited by the run, whose own copy of it would hold the lock the run waits for.
    const int folder = ::open(earlier.plots.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    ASSERT_EQ(::flock(folder, LOCK_EX | LOCK_NB), 0);
    const std::string command = "exec " + plotsCommand(kLater, earlier.plots) + " >/dev/null 2>" + shellQuoted(earlier.dir / "errors");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    bool waiting = false;
    for (int k = 0; k < 1200 && !waiting; ++k) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        waiting = waitsForALock(child);
    }
    EXPECT_TRUE(waiting) << "the run did not wait for the folder";
    EXPECT_TRUE(contentsOf(earlier.plots) == earlier.before) << "files were put in place while the folder was held";
    if (!waiting) ::kill(child, SIGKILL);  // whatever it does instead, the test does not wait for it
    ::close(folder);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << slurp(earlier.dir / "errors");
    const auto after = contentsOf(earlier.plots);
    ASSERT_EQ(after.size(), earlier.before.size());
    for (const auto& [name, content] : after) EXPECT_NE(content, earlier.before.at(name)) << name;
}

// Mended fault: plot files named with up to 255 bytes could not be replaced.
TEST(BatchPlots, NamesAsLongAsTheFileSystemAllowsWork) {
    TempFolder dir("plot-set-long");
    // NAME_coefficients.svg, the longest name of a temperature series' set, takes 255 bytes.
    const std::string name(255 - std::string("_coefficients.svg").size(), 'n');
    // Without a "." in a file's first 70 characters, NAME is its whole name.
    fs::create_directories(dir / "data");
    fs::copy_file(kEarlier, dir / "data" / name);
    for (const fs::path& series : {dir / "data" / name, kLater}) {
        const std::string command = shellQuoted(TENZIO_BATCH) + " " + shellQuoted(series) + " --plots " + shellQuoted(dir / "plots");
        // The second run's print file names its plots as the first's data file did.
        ASSERT_EQ(run(series == kLater ? command + " --print " + shellQuoted(dir / name) : command, dir / "errors"), 0)
            << slurp(dir / "errors");
    }
    const auto files = contentsOf(dir / "plots");
    EXPECT_EQ(files.size(), 11u);
    for (const auto& [file, content] : files) EXPECT_TRUE(file.starts_with(name + "_")) << file;
    EXPECT_TRUE(files.contains(name + "_coefficients.svg"));
}

}  // namespace

END_GCC_RESTRICT_FALSE_POSITIVE
