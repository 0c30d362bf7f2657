// A series read from CIF gives the same outputs as the same series typed as a keyword data file:
// print file, result files, JSON and CSV, byte for byte.
#include <gtest/gtest.h>

#include <memory>

#include "export/csv_output.hpp"
#include "export/json_output.hpp"
#include "input/cif_reader.hpp"
#include "run_support.hpp"
#include "run/input_choice.hpp"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

const fs::path kSource = TENZIO_SOURCE_DIR;

// Every output of one run, in `folder`; CIF files go through the reader of the front ends.
RunOutcome runAll(const std::vector<fs::path>& inputs, const fs::path& folder, const RunOptions& options) {
    fs::create_directories(folder);
    RunState state;
    state.options = options;
    state.clock = [] { return std::string(kFixedDateTime); };
    state.resultFolder = folder;
    if (!openInputFiles(state, inputs).ok() || !openPrintFile(state, folder / "run.prt")) return RunOutcome::readError;
    // The two inputs carry different names; the reports must differ in nothing else.
    state.inputFileName = "series";
    state.inputPath = "series";
    JsonOutput json(folder / "run.json");
    CsvOutput csv(folder / "run.csv");
    state.extraOutputs = {&json, &csv};
    const RunOutcome outcome = runSeries(state);
    state.printFile.close();
    return outcome;
}

struct Pair {
    const char* name;
    std::vector<fs::path> cif;
    fs::path dataFile;
    RunOptions options;
};

TEST(CifRun, EveryOutputEqualsThatOfTheSameSeriesAsADataFile) {
    std::vector<fs::path> gypsum;
    for (int n = 4685; n <= 4691; ++n)
        gypsum.push_back(kSource / "examples/cif/amcsd_gypsum_Comodi2008_monoclinic_P" /
                         ("0" + std::to_string(n) + ".cif"));
    RunOptions lagrangianAgainstFirst;
    lagrangianAgainstFirst.strainType = StrainType::infinitesimalLagrangian;
    lagrangianAgainstFirst.incremental = false;
    lagrangianAgainstFirst.axisConvention = AxialSet::yBZCStar;
    const Pair pairs[] = {
        {"gypsum", gypsum, kSource / "tests/run/cif/gypsum_P.dat", {}},
        {"gypsum-options", gypsum, kSource / "tests/run/cif/gypsum_P.dat", lagrangianAgainstFirst},
        {"c60",
         {kSource / "examples/cif/cod_C60hydroquinone_Blanc2000_trigonal_T.cif"},
         kSource / "tests/run/cif/c60hydroquinone_T.dat",
         {}},
        {"phenylpiracetam",
         {kSource / "tests/run/cif/phenylpiracetam_T.cif"},
         kSource / "tests/run/cif/phenylpiracetam_T.dat",
         {}},
    };
    TempFolder dir("cif-run");
    for (const Pair& pair : pairs) {
        const fs::path fromCif = dir / (std::string(pair.name) + "-cif");
        const fs::path fromData = dir / (std::string(pair.name) + "-dat");
        ASSERT_EQ(runAll(pair.cif, fromCif, pair.options), RunOutcome::completed) << pair.name;
        ASSERT_EQ(runAll({pair.dataFile}, fromData, pair.options), RunOutcome::completed) << pair.name;
        for (const char* file :
             {"run.prt", "run_strain.cal", "run_tensor.cal", "run_prin.cal", "run.json", "run.csv"}) {
            ASSERT_EQ(fs::exists(fromCif / file), fs::exists(fromData / file)) << pair.name << " " << file;
            if (!fs::exists(fromCif / file)) continue;
            const std::string expected = slurp(fromData / file);
            EXPECT_FALSE(expected.empty()) << pair.name << " " << file;
            EXPECT_TRUE(slurp(fromCif / file) == expected) << pair.name << " " << file << " differs";
        }
    }
}

TEST(CifRun, AnUnconstrainedSeriesSaysWhyUnderTheInputFileName) {
    TempFolder dir("cif-note");
    std::string text;
    for (int n = 0; n < 2; ++n)
        text += "data_p" + std::to_string(n) +
                "\n_space_group_IT_number 4\n_cell_length_a 5\n_cell_length_b 6\n_cell_length_c " +
                std::to_string(7 + n) +
                "\n_cell_angle_alpha 90\n_cell_angle_beta 90\n_cell_angle_gamma 105\n"
                "_diffrn_ambient_temperature " +
                std::to_string(100 * (n + 1)) + "\n";
    writeFile(dir / "c.cif", text);
    ASSERT_EQ(runAll({dir / "c.cif"}, dir / "out", {}), RunOutcome::completed);
    const std::vector<std::string> lines = linesOf(slurp(dir / "out" / "run.prt"));
    ASSERT_GT(lines.size(), 14u);
    EXPECT_EQ(lines[12], "        INPUT FILE IS: series                                  ");
    EXPECT_EQ(lines[13], "    CRYSTAL SYSTEM MONOCLINIC WITH UNIQUE AXIS C IN CIF: CELLS NOT CONSTRAINED");
    // Unconstrained, the principal axes are reported.
    EXPECT_TRUE(fs::exists(dir / "out" / "run_prin.cal"));
}

}  // namespace
