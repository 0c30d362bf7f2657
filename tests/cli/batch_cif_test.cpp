// tenzio-batch with CIF input: several files as one series, --sort, --data-out, and bad CIF.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>

#include "../run/run_support.hpp"
#include "input/readfile.hpp"
#include "LIBRARIES/text/restrict_warning.hpp"

// This file builds its command lines and texts with operator+ throughout: silenced for all of it.
BEGIN_GCC_RESTRICT_FALSE_POSITIVE

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

const fs::path kCif = fs::path(TENZIO_SOURCE_DIR) / "examples/cif";

// Exit status of one command; its standard error in `err`.
int batch(const std::string& arguments, const fs::path& err) {
    const std::string command = std::string(TENZIO_BATCH) + " " + arguments + " >/dev/null 2>" + shellQuoted(err);
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

ReadResult readDataFile(const fs::path& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    ReadResult r = readSeriesFile(f);
    if (f) std::fclose(f);
    return r;
}

const std::string kCell =
    "_cell_length_a 5\n_cell_length_b 6\n_cell_length_c 7\n_cell_angle_alpha 90\n"
    "_cell_angle_beta 90\n_cell_angle_gamma 90\n";

TEST(BatchCif, DataOutAloneConvertsWithoutARun) {
    TempFolder dir("batch-cif-convert");
    std::string files;
    for (int n = 4685; n <= 4691; ++n)
        files += shellQuoted(kCif / "amcsd_gypsum_Comodi2008_monoclinic_P" / ("0" + std::to_string(n) + ".cif")) + " ";
    ASSERT_EQ(batch(files + "--data-out " + shellQuoted(dir / "g.dat"), dir / "err"), 0) << slurp(dir / "err");
    EXPECT_EQ(slurp(dir / "err"), "DATA FILE WRITTEN\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);  // g.dat and err
    const ReadResult back = readDataFile(dir / "g.dat");
    ASSERT_TRUE(back.ok()) << back.reason;
    EXPECT_EQ(back.series.points.size(), 7u);
    EXPECT_TRUE(back.series.pressureRun);
    EXPECT_EQ(back.series.crystalSystem, CrystalSystem::monoclinic);
    EXPECT_EQ(back.series.points[6].p, std::strtof("3.94", nullptr));
    EXPECT_EQ(back.series.title, "Gypsum");  // _chemical_name_mineral before the formula
}

TEST(BatchCif, SortOrdersByTStablyAndTheRunUsesThatOrder) {
    TempFolder dir("batch-cif-sort");
    // Falling T, and two blocks at 200 K whose order must stay.
    writeFile(dir / "s.cif", "data_a\n" + kCell + "_diffrn_ambient_temperature 300\n" + "data_b\n" + kCell +
                                 "_diffrn_ambient_temperature 200\n" + "data_c\n" + kCell +
                                 "_diffrn_ambient_temperature 100\n");
    std::string text = slurp(dir / "s.cif");
    text.replace(text.find("_cell_length_a 5", text.find("data_b")), 16, "_cell_length_a 5.1");
    text += "data_d\n" + kCell + "_diffrn_ambient_temperature 200\n";
    writeFile(dir / "s.cif", text);
    ASSERT_EQ(batch(shellQuoted(dir / "s.cif") + " --sort --data-out " + shellQuoted(dir / "s.dat") + " --json " + shellQuoted(dir / "s.json"),
                    dir / "err"),
              0)
        << slurp(dir / "err");
    const ReadResult back = readDataFile(dir / "s.dat");
    ASSERT_TRUE(back.ok()) << back.reason;
    ASSERT_EQ(back.series.points.size(), 4u);
    const float t[] = {100, 200, 200, 300};
    const float a[] = {5, 5.1f, 5, 5};
    for (std::size_t n = 0; n < 4; ++n) {
        EXPECT_EQ(back.series.points[n].t, t[n]) << n;
        EXPECT_EQ(back.series.points[n].cell[0], a[n]) << n;
    }
    // The run saw the sorted series: its points list 100 K first and 300 K last.
    const std::string json = slurp(dir / "s.json");
    const auto first = json.find("\"t\":100");
    const auto last = json.find("\"t\":300");
    ASSERT_NE(first, std::string::npos) << json;
    ASSERT_NE(last, std::string::npos) << json;
    EXPECT_LT(first, last);
}

TEST(BatchCif, ADataFileMustStandAlone) {
    TempFolder dir("batch-cif-alone");
    writeFile(dir / "c.dat", "LINE1 T A B C ALPHA BETA GAMMA\nDATA\n1 5 6 7 90 90 90\n2 5 6 7 90 90 90\n");
    const fs::path cif = kCif / "cod_C60hydroquinone_Blanc2000_trigonal_T.cif";
    EXPECT_EQ(batch(shellQuoted(cif) + " " + shellQuoted(dir / "c.dat") + " --print " + shellQuoted(dir / "r.prt"), dir / "err"), 2);
    EXPECT_NE(slurp(dir / "err").find("c.dat is a keyword data file: give it alone, or only CIF files"),
              std::string::npos)
        << slurp(dir / "err");
    EXPECT_FALSE(fs::exists(dir / "r.prt"));
    // --data-out never replaces an input.
    EXPECT_EQ(batch(shellQuoted(dir / "c.dat") + " --data-out " + shellQuoted(dir / "c.dat"), dir / "err"), 2);
    EXPECT_EQ(batch(shellQuoted(dir / "c.dat") + " --data-out " + shellQuoted(dir / "d.dat"), dir / "err"), 0);
}

TEST(BatchCif, ABadCifIsAReadErrorWithItsReasonAndWritesNothing) {
    TempFolder dir("batch-cif-bad");
    writeFile(dir / "a.cif", "data_a\n" + kCell + "_diffrn_ambient_temperature 100\n");
    std::string noBeta = "data_b\n" + kCell + "_diffrn_ambient_temperature 200\n";
    noBeta.replace(noBeta.find("_cell_angle_beta 90"), 19, "_cell_angle_beta ?");
    writeFile(dir / "b.cif", noBeta);
    EXPECT_EQ(batch(shellQuoted(dir / "a.cif") + " " + shellQuoted(dir / "b.cif") + " --print " + shellQuoted(dir / "r.prt") + " --data-out " +
                        shellQuoted(dir / "r.dat"),
                    dir / "err"),
              1);
    EXPECT_EQ(slurp(dir / "err"),
              "error reading file\ntenzio-batch: b.cif, data_b (line 1): no value for _cell_angle_beta\n");
    EXPECT_FALSE(fs::exists(dir / "r.prt"));
    EXPECT_FALSE(fs::exists(dir / "r.dat"));
}

}  // namespace

END_GCC_RESTRICT_FALSE_POSITIVE
