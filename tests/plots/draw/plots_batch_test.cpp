// tenzio-batch --plots: the files it writes, and its failures, each with exit status 1 and the
// report and result files kept.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "../../run/run_support.hpp"
#include "../../support.hpp"
#include "plots/data/figures.hpp"
#include "plots/data/plot_writer_client.hpp"

namespace {

using namespace testing_support;

const std::filesystem::path kExample =
    std::filesystem::path(TENZIO_SOURCE_DIR) / "examples/metacetamol_monoclinic_T.dat";

// The exit status; standard error goes to `errors`.
int batch(const std::filesystem::path& program, const std::string& arguments, const std::filesystem::path& errors) {
    const std::string command = shellQuoted(program) + " " + arguments + " >/dev/null 2>" + shellQuoted(errors);
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

const char* const kPlots[] = {"coefficients", "strains", "cell", "surface"};

TEST(BatchPlots, WritesEachFigureWithItsNumbersIntoAFolderItCreates) {
    TempFolder dir("plots-eight");
    const std::filesystem::path plots = dir / "new" / "plots";
    ASSERT_EQ(batch(TENZIO_BATCH, shellQuoted(kExample) + " --print " + shellQuoted(dir / "r.prt") + " --plots " + shellQuoted(plots),
                    dir / "errors"),
              0)
        << slurp(dir / "errors");
    for (const char* plot : kPlots) {
        for (const char* suffix : {".svg", ".png"}) {
            const std::filesystem::path file = plots / (std::string("r_") + plot + suffix);
            ASSERT_TRUE(std::filesystem::exists(file)) << file;
            EXPECT_GT(std::filesystem::file_size(file), 1000u) << file;
        }
    }
    // Only files that the batch command checks against its other files beforehand: eleven of
    // them for a temperature series (no pressure figures).
    std::set<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(plots)) written.insert(entry.path().filename().string());
    const std::vector<std::string> named = plotFileNames("r");
    for (const std::string& file : written)
        EXPECT_NE(std::find(named.begin(), named.end(), file), named.end()) << file;
    EXPECT_EQ(written.size(), 11u);
    // The numbers behind each figure (not the surface) as CSV beside it.
    for (const char* plot : {"coefficients", "strains", "cell"}) {
        const std::string csv = slurp(plots / (std::string("r_") + plot + ".csv"));
        EXPECT_EQ(csv.substr(0, 2), "x,") << plot;
        EXPECT_EQ(csv.substr(csv.size() - 2), "\r\n") << plot;
    }
    // Each edge's fitted curve beside its points.
    EXPECT_EQ(slurp(plots / "r_cell.csv").substr(0, 43), "x,a,a_esd,a_fit,a_fit_esd,b,b_esd,b_fit,b_f");
    // The report and result files are written as without plots.
    EXPECT_TRUE(std::filesystem::exists(dir / "r_prin.cal"));
    // Only the run's status lines: Qt's own notes stay out of standard error.
    EXPECT_EQ(slurp(dir / "errors"), "PROCESSING DATA\nTENZIO FINISHED SUCCESSFULLY\n");
}

std::vector<std::string> fieldsOf(const std::string& line, char separator) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, separator)) fields.push_back(field);
    if (!line.empty() && line.back() == separator) fields.emplace_back();
    return fields;
}

// The batch command makes, writes and lets go of one figure at a time: for a pressure series it
// still writes every figure the results window shows, each with the table the window has, and
// the surface; and the cell's table holds the data file's numbers.
TEST(BatchPlots, APressureSeriesGetsEveryFigureOfTheWindowWithItsTable) {
    TempFolder dir("plots-pressure");
    const std::filesystem::path example = std::filesystem::path(TENZIO_SOURCE_DIR) / "examples/stishovite_tetragonal_P.dat";
    ASSERT_EQ(batch(TENZIO_BATCH, shellQuoted(example) + " --print " + shellQuoted(dir / "r.prt") + " --plots " + shellQuoted(dir / "p"),
                    dir / "errors"),
              0)
        << slurp(dir / "errors");
    std::filesystem::create_directories(dir / "window");
    PlotRecorder record;
    ASSERT_EQ(runOnce(example, dir / "window" / "r.prt", {}, {&record}).outcome, RunOutcome::completed);
    std::set<std::string> expected{"r_surface.svg", "r_surface.png"};
    for (const NamedFigure& f : plotFigures(record)) {
        for (const char* suffix : {".svg", ".png", ".csv"}) expected.insert("r_" + f.stem + suffix);
        EXPECT_EQ(slurp(dir / "p" / ("r_" + f.stem + ".csv")), f.csv) << f.stem;
    }
    std::set<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "p")) written.insert(entry.path().filename().string());
    EXPECT_EQ(written, expected);
    for (const char* pressureFigure : {"r_ff.csv", "r_compressibility.csv", "r_ellipse.csv"})
        EXPECT_TRUE(written.count(pressureFigure)) << pressureFigure;

    // P, c and its esd of each data point, as the file gives them (columns P SIGP A SIGA C SIGC V SIGV).
    std::vector<std::array<float, 3>> data;
    std::ifstream in(example);
    bool inData = false;
    for (std::string line; std::getline(in, line);) {
        if (inData && !line.empty()) {
            std::istringstream fields(line);
            float p = 0, sigP = 0, a = 0, sigA = 0, c = 0, sigC = 0;
            fields >> p >> sigP >> a >> sigA >> c >> sigC;
            data.push_back({p, c, sigC});
        }
        inData = inData || line == "DATA";
    }
    ASSERT_GT(data.size(), 5u);
    std::istringstream table(slurp(dir / "p" / "r_cell.csv"));
    std::string line;
    ASSERT_TRUE(std::getline(table, line));
    const std::vector<std::string> head = fieldsOf(line.substr(0, line.size() - 1), ',');
    const auto column = [&](const std::string& name) {
        return static_cast<std::size_t>(std::find(head.begin(), head.end(), name) - head.begin());
    };
    const std::size_t c = column("c"), cEsd = column("c_esd");
    ASSERT_LT(cEsd, head.size());
    std::size_t point = 0;
    while (std::getline(table, line)) {
        const std::vector<std::string> row = fieldsOf(line.substr(0, line.size() - 1), ',');
        ASSERT_EQ(row.size(), head.size()) << line;
        if (row[c].empty()) continue;  // a row of the fitted curves alone
        ASSERT_LT(point, data.size());
        EXPECT_EQ(std::stof(row[0]), data[point][0]) << line;
        EXPECT_EQ(std::stof(row[c]), data[point][1]) << line;
        EXPECT_EQ(std::stof(row[cEsd]), data[point][2]) << line;
        ++point;
    }
    EXPECT_EQ(point, data.size());
}

TEST(BatchPlots, WithoutAPrintFileTheDataFileNamesThePlots) {
    TempFolder dir("plots-alone");
    ASSERT_EQ(batch(TENZIO_BATCH, shellQuoted(kExample) + " --plots " + shellQuoted(dir.path()) + " --surface 1", dir / "errors"),
              0)
        << slurp(dir / "errors");
    EXPECT_TRUE(std::filesystem::exists(dir / "metacetamol_monoclinic_T_surface.svg"));
    EXPECT_TRUE(std::filesystem::exists(dir / "metacetamol_monoclinic_T_cell.png"));
}

TEST(BatchPlots, FailuresSayWhyAndExitWithOne) {
    TempFolder dir("plots-fail");
    writeFile(dir / "a file", "not a folder");

    // The plot folder is a file.
    EXPECT_EQ(batch(TENZIO_BATCH,
                    shellQuoted(kExample) + " --print " + shellQuoted(dir / "r.prt") + " --plots " + shellQuoted(dir / "a file"),
                    dir / "errors"),
              1);
    EXPECT_NE(slurp(dir / "errors").find("no plots written"), std::string::npos) << slurp(dir / "errors");
    EXPECT_TRUE(std::filesystem::exists(dir / "r_strain.cal"));  // the run's own files stay

    // A calculation the run does not have: the range it has, in a line, not the range of an int.
    for (const char* k : {"99", "0", "-1"}) {
        EXPECT_EQ(batch(TENZIO_BATCH, shellQuoted(kExample) + " --plots " + shellQuoted(dir / "p") + " --surface " + k,
                        dir / "errors"),
                  1)
            << k;
        const std::string points = std::to_string(readDataText(slurp(kExample)).series.points.size() - 1);
        EXPECT_EQ(slurp(dir / "errors"), "PROCESSING DATA\ntenzio-batch: no plots written: --surface: a calculation "
                                         "number from 1 to " + points + "\n")
            << k;
        EXPECT_FALSE(std::filesystem::exists(dir / "p" / "metacetamol_monoclinic_T_coefficients.svg"));
    }

    // --surface alone is a usage error.
    EXPECT_EQ(
        batch(TENZIO_BATCH, shellQuoted(kExample) + " --print " + shellQuoted(dir / "r.prt") + " --surface 1", dir / "errors"),
        2);

    // A copy of the program with no plot writer beside it.
    std::filesystem::create_directories(dir / "bin");
    std::filesystem::copy_file(TENZIO_BATCH, dir / "bin" / "tenzio-batch");
    EXPECT_EQ(batch(dir / "bin" / "tenzio-batch",
                    shellQuoted(kExample) + " --print " + shellQuoted(dir / "bin.prt") + " --plots " + shellQuoted(dir / "q"),
                    dir / "errors"),
              1);
    EXPECT_NE(slurp(dir / "errors").find("tenzio_plotwriter.so is missing"), std::string::npos)
        << slurp(dir / "errors");
    EXPECT_TRUE(std::filesystem::exists(dir / "bin_tensor.cal"));
}

mode_t typeOf(const std::filesystem::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? (info.st_mode & S_IFMT) : 0;
}

// Mended fault: a plot file that was a named pipe, or a link to a device, was replaced by a
// regular file (through a link to /dev/full, the system's own device).
TEST(BatchPlots, ADeviceOrANamedPipeReceivesItsPlotAndStays) {
    TempFolder dir("plots-in-place");
    const std::filesystem::path plots = dir / "p";
    std::filesystem::create_directories(plots);
    ASSERT_EQ(::mkfifo((plots / "r_cell.svg").c_str(), 0600), 0);
    // As root a device node of the test's own: /dev/null's (1, 3), then /dev/full's (1, 7).
    const bool devices = ::mknod((plots / "r_cell.png").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    const std::string reader = "(timeout 60 cat " + shellQuoted(plots / "r_cell.svg") + " >" + shellQuoted(dir / "svg") + " &); ";
    ASSERT_EQ(std::system((reader + shellQuoted(TENZIO_BATCH) + " " + shellQuoted(kExample) + " --print " + shellQuoted(dir / "r.prt") +
                           " --plots " + shellQuoted(plots) + " >/dev/null 2>" + shellQuoted(dir / "errors"))
                              .c_str()),
              0)
        << slurp(dir / "errors");
    EXPECT_EQ(typeOf(plots / "r_cell.svg"), S_IFIFO);
    for (int k = 0; k < 100 && slurp(dir / "svg").size() < 1000; ++k) ::usleep(50000);
    EXPECT_TRUE(slurp(dir / "svg").starts_with("<?xml")) << slurp(dir / "svg").substr(0, 100);
    if (!devices) GTEST_SKIP() << "device nodes need root";
    EXPECT_EQ(typeOf(plots / "r_cell.png"), S_IFCHR);
    std::filesystem::remove(plots / "r_cell.png");
    std::filesystem::remove(plots / "r_cell.svg");
    ASSERT_EQ(::mknod((plots / "r_cell.png").c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
    EXPECT_EQ(batch(TENZIO_BATCH, shellQuoted(kExample) + " --plots " + shellQuoted(plots) + " --print " + shellQuoted(dir / "r.prt"),
                    dir / "errors"),
              1);
    EXPECT_EQ(typeOf(plots / "r_cell.png"), S_IFCHR);
    EXPECT_NE(slurp(dir / "errors").find("cannot write " + (plots / "r_cell.png").string() + ": No space left on device"),
              std::string::npos)
        << slurp(dir / "errors");
}

// Mended fault: a plot that could not be written for want of room said "Unknown error". Writes
// beyond the process's file size limit (its signal ignored) fail as on a full disk.
TEST(BatchPlots, AFailedPlotGivesTheSystemsReason) {
    TempFolder dir("plots-reason");
    const std::string command = "trap '' XFSZ; ulimit -f 16; " + std::string(TENZIO_BATCH) + " " + shellQuoted(kExample) +
                                " --plots " + shellQuoted(dir / "p");
    EXPECT_NE(std::system(("bash -c " + shellQuoted(std::filesystem::path(command)) + " 2>" + shellQuoted(dir / "errors")).c_str()), 0);
    EXPECT_NE(slurp(dir / "errors").find(": File too large"), std::string::npos) << slurp(dir / "errors");
    EXPECT_EQ(slurp(dir / "errors").find("Unknown error"), std::string::npos) << slurp(dir / "errors");
}

// Mended fault: 100,000 points took 162 s and wrote 150 MB of SVG; a million aborted. Beyond a
// few thousand points a figure is drawn as lines alone, and its caption says so.
TEST(BatchPlots, ALongSeriesIsDrawnAsLinesAloneAndSaysSo) {
    TempFolder dir("plots-long");
    const auto series = [&](int points) {
        std::string text = "TITLE drift\nLINE1 T A SIGA B C ALPHA BETA GAMMA\nDATA\n";
        for (int i = 0; i < points; ++i)
            text += std::to_string(100 + i) + " " + std::to_string(6.0 + 1e-5 * i) + " 0.001 10.8 17.4 76.9 84.5 81.6\n";
        return text;
    };
    const struct {
        const char* name;
        int points;
        bool linesOnly;
    } cases[] = {{"short", 200, false}, {"long", 2600, true}};
    for (const auto& c : cases) {
        writeFile(dir / (std::string(c.name) + ".dat"), series(c.points));
        ASSERT_EQ(batch(TENZIO_BATCH, shellQuoted(dir / (std::string(c.name) + ".dat")) + " --plots " + shellQuoted(dir / "p"), dir / "errors"),
                  0)
            << slurp(dir / "errors");
        // The cell plot has a point per data point, the coefficients one per calculation.
        for (const auto& [figure, drawn] : {std::pair{"_cell.svg", c.points}, std::pair{"_coefficients.svg", c.points - 1}}) {
            const std::string svg = slurp(dir / "p" / (std::string(c.name) + figure));
            const std::string caption = "Lines only (" + std::to_string(drawn) + " points)";
            EXPECT_EQ(svg.find(caption) != std::string::npos, c.linesOnly) << c.name << figure;
            // Markers and error bars of every point would take hundreds of bytes each.
            if (c.linesOnly) {
                EXPECT_LT(svg.size(), 150u * static_cast<std::size_t>(drawn)) << c.name << figure;
            }
        }
    }
}

TEST(BatchPlots, TheBatchCommandDoesNotLinkQt) {
    // Qt is loaded with the plot writer only; a run without plots starts without it.
    FILE* pipe = popen(("ldd " + shellQuoted(TENZIO_BATCH)).c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string libraries;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) libraries += buffer;
    ASSERT_EQ(pclose(pipe), 0);
    EXPECT_NE(libraries.find("libc.so"), std::string::npos);
    EXPECT_EQ(libraries.find("libQt"), std::string::npos) << libraries;
}

}  // namespace
