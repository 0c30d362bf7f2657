// Four whole runs on real series, compared record by record with their expected files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <regex>

#include "run_support.hpp"

#include <nlohmann/json.hpp>

#include "LIBRARIES/records/record_writer.hpp"
#include "export/json_output.hpp"

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

// A JSON number (null: NaN) as the result files print it.
std::string fieldOf(const nlohmann::json& value, int w, int d) {
    return formatF(w, d, value.is_null() ? std::nanf("") : value.get<float>());
}

// The data lines of a result file: those after its header block and column heads.
std::vector<std::string> dataLines(const std::filesystem::path& file, std::size_t headerLines) {
    auto lines = linesOf(slurp(file));
    lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(std::min(headerLines, lines.size())));
    return lines;
}

// The JSON export of a run holds the very numbers its result files print, field by field.
TEST_P(ExpectedRuns, JsonAgreesWithResultFiles) {
    const ExpectedRun c = GetParam();
    const std::filesystem::path expected = std::filesystem::path(TENZIO_SOURCE_DIR) / "tests/run/expected" / c.folder;
    TempFolder out(std::string(c.folder) + "-json");
    JsonOutput json(out / "run.json");
    const RunResult run = runOnce(expected / c.dataFile, out / "run.prt", optionsOf(expected), {&json});
    ASSERT_EQ(run.outcome, RunOutcome::completed);
    const nlohmann::json doc = nlohmann::json::parse(slurp(out / "run.json"));
    const auto& calculations = doc.at("calculations");

    static constexpr int kOrder[6][2] = {{0, 0}, {1, 1}, {2, 2}, {0, 1}, {0, 2}, {1, 2}};
    const auto strainLines = dataLines(out / "run_strain.cal", 7);
    const auto tensorLines = dataLines(out / "run_tensor.cal", 7);
    ASSERT_EQ(strainLines.size(), calculations.size());
    ASSERT_EQ(tensorLines.size(), calculations.size());
    for (std::size_t n = 0; n < calculations.size(); ++n) {
        const auto& calc = calculations[n];
        for (const auto& [line, tensor] : {std::pair{strainLines[n], calc.at("strain")},
                                           std::pair{tensorLines[n], calc.at("property")}}) {
            EXPECT_EQ(line.substr(4, 7), fieldOf(calc.at("delta").at("midpoint"), 7, 2));
            for (int k = 0; k < 6; ++k) {
                const auto [i, j] = kOrder[k];
                const auto start = static_cast<std::size_t>(11 + 24 * k);
                EXPECT_EQ(line.substr(start, 12), fieldOf(tensor.at("tensor")[i][j], 12, 8)) << n << " " << k;
                // A run without cell esds prints zero strain esds; the JSON says they are absent.
                const auto& esd = tensor.at("esd");
                EXPECT_EQ(line.substr(start + 12, 12), esd.is_null() ? formatF(12, 8, 0.0f) : fieldOf(esd[i][j], 12, 8));
            }
        }
    }

    if (!c.principalFile) {
        for (const auto& calc : calculations) EXPECT_TRUE(calc.at("principal").is_null());
        return;
    }
    const auto principalLines = dataLines(out / "run_prin.cal", 6);
    ASSERT_EQ(principalLines.size(), 3 * calculations.size());
    for (std::size_t n = 0; n < principalLines.size(); ++n) {
        const std::string& line = principalLines[n];
        const auto& axis = calculations[n / 3].at("principal")[n % 3];
        const auto orBlank = [](const nlohmann::json& v, int w, int d) {
            return v.is_null() ? std::string(static_cast<std::size_t>(w), ' ') : fieldOf(v, w, d);
        };
        EXPECT_EQ(line.substr(17, 10), fieldOf(axis.at("strain"), 10, 6));
        EXPECT_EQ(line.substr(27, 10), orBlank(axis.at("strain_esd"), 10, 6));
        EXPECT_EQ(line.substr(37, 10), fieldOf(axis.at("property"), 10, 6));
        EXPECT_EQ(line.substr(47, 10), orBlank(axis.at("property_esd"), 10, 6));
        const auto& direction = axis.at("direction");
        if (direction.is_null()) {
            EXPECT_NE(line.find("CIRCULAR SECTION"), std::string::npos) << n;
            continue;
        }
        std::size_t at = 62;
        for (const char* group : {"to_xyz", "to_abc"}) {
            const std::string esdKey = std::string(group) + "_esd";
            for (int i = 0; i < 3; ++i, at += 13) {
                EXPECT_EQ(line.substr(at, 7), fieldOf(direction.at(group)[i], 7, 1)) << n;
                if (!direction.at(esdKey).is_null()) {
                    EXPECT_EQ(line.substr(at + 8, 4), fieldOf(direction.at(esdKey)[i], 4, 1));
                }
            }
        }
        // The direction is a unit vector whose angles to X, Y, Z are those printed.
        float norm = 0.0f;
        for (int i = 0; i < 3; ++i) norm += direction.at("vector")[i].get<float>() * direction.at("vector")[i].get<float>();
        EXPECT_NEAR(norm, 1.0f, 1e-5f);
    }
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
