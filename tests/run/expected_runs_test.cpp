// Four whole runs on real series, compared record by record with their expected files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <regex>

#include "run_support.hpp"

namespace {

using namespace testing_support;

struct ExpectedRun {
    const char* folder;
    const char* dataFile;
    bool principalFile;
};

RunOptions optionsOf(const std::filesystem::path& folder) {
    RunOptions options;
    std::ifstream in(folder / "options.txt");
    std::string line;
    while (std::getline(in, line)) {
        const int value = std::atoi(line.substr(line.rfind(' ') + 1).c_str());
        if (line.starts_with("axial convention")) options.axisConvention = AxialSet{value};
        if (line.starts_with("strain type")) options.strainType = StrainType{value};
        if (line.starts_with("incremental")) options.incremental = value != 0;
    }
    return options;
}

// Two numbers printed in the same field agree when they differ by at most one unit of their
// last digit: the room that rounding in library functions leaves.
bool withinLastDigit(const std::string& got, const std::string& want) {
    static const std::regex number(R"(-?\d*\.\d+)");
    if (got.size() != want.size()) return false;
    if (std::regex_replace(got, number, "#") != std::regex_replace(want, number, "#")) return false;
    auto g = std::sregex_iterator(got.begin(), got.end(), number);
    auto w = std::sregex_iterator(want.begin(), want.end(), number);
    for (; g != std::sregex_iterator() && w != std::sregex_iterator(); ++g, ++w) {
        const std::string a = g->str(), b = w->str();
        const auto decimals = a.size() - a.find('.') - 1;
        if (decimals != b.size() - b.find('.') - 1) return false;
        if (std::fabs(std::stod(a) - std::stod(b)) > 1.0001 * std::pow(10.0, -double(decimals))) return false;
    }
    return true;
}

class ExpectedRuns : public ::testing::TestWithParam<ExpectedRun> {};

TEST_P(ExpectedRuns, EveryRecordMatches) {
    const ExpectedRun c = GetParam();
    const std::filesystem::path expected = std::filesystem::path(TENZIO_SOURCE_DIR) / "tests/run/expected" / c.folder;
    TempFolder out(c.folder);
    const RunResult run = runOnce(expected / c.dataFile, out / "run.prt", optionsOf(expected));
    ASSERT_EQ(run.outcome, RunOutcome::completed);

    std::vector<std::string> files = {"run.prt", "run_strain.cal", "run_tensor.cal"};
    if (c.principalFile) files.push_back("run_prin.cal");
    EXPECT_EQ(std::filesystem::exists(out / "run_prin.cal"), c.principalFile);
    int exact = 0, close = 0;
    for (const auto& name : files) {
        const std::string gotText = slurp(out / name);
        const auto got = linesOf(gotText);
        const auto want = linesOf(slurp(expected / name));
        ASSERT_EQ(got.size(), want.size()) << name;
        EXPECT_TRUE(gotText.ends_with("\r\n")) << name;
        for (std::size_t k = 0; k < got.size(); ++k) {
            if (got[k] == want[k]) ++exact;
            else if (withinLastDigit(got[k], want[k])) ++close;
            else ADD_FAILURE() << name << " line " << k + 1 << "\n got: [" << got[k] << "]\nwant: [" << want[k] << "]";
        }
    }
    // Single precision throughout should reproduce nearly every record exactly.
    EXPECT_LE(close, exact / 100) << close << " records differ in a last digit";
}

INSTANTIATE_TEST_SUITE_P(
    WholeRun, ExpectedRuns,
    ::testing::Values(ExpectedRun{"triclinic-default", "bestcsp_phenylpiracetam_formA_triclinic_T.dat", true},
                      ExpectedRun{"monoclinic-axes2-inflag-first", "bestcsp_metacetamol_formII_monoclinic_T.dat", true},
                      ExpectedRun{"tetragonal-P-axes3-finlag", "burnman_stishovite_Andrault2003_tetragonal_P.dat", false},
                      ExpectedRun{"monoclinic-P-noesd-infeul", "pascal_Ag3CoCN6_phaseII_P.dat", true}),
    [](const auto& testInfo) {
        std::string name = testInfo.param.folder;
        std::erase(name, '-');
        return name;
    });

TEST(WholeRun, LastDigitComparison) {
    EXPECT_TRUE(withinLastDigit("  0.001339  -0.5", "  0.001340  -0.5"));
    EXPECT_FALSE(withinLastDigit("  0.001339", "  0.001341"));
    EXPECT_FALSE(withinLastDigit("A 0.10", "B 0.10"));
}

}  // namespace
