// tenzio-batch's options and data as a user gives them: a value that cannot be used is a usage
// error that names the option and the value; blanks, case and repeats in lists do no harm; an x
// outside the measured range is computed and flagged; --no-fits turns the fits off for every
// output; a UNITS word that is no unit is said once.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "../support.hpp"
#include "../test_names.hpp"

namespace {

using namespace testing_support;

// Three temperatures, 100 to 300, with a straight-line expansion of a.
constexpr const char* kSeries =
    "TITLE options\nUNITS T K\nLINE1 T A SIGA B C ALPHA BETA GAMMA\nDATA\n"
    "100 5.000 0.001 6 7 90 90 90\n200 5.001 0.001 6 7 90 90 90\n300 5.002 0.001 6 7 90 90 90\n";

const std::filesystem::path kExamples = std::filesystem::path(TENZIO_SOURCE_DIR) / "examples";

struct Batch {
    int exit;
    std::string out;     // standard output
    std::string errors;  // standard error
};

Batch batch(const TempFolder& dir, const std::string& arguments) {
    const std::filesystem::path out = dir / "stdout", errors = dir / "stderr";
    const int exit = shell(std::string(TENZIO_BATCH) + " " + arguments + " >" + shellQuoted(out) + " 2>" + shellQuoted(errors));
    return {exit, slurp(out), slurp(errors)};
}

struct Refused {
    std::string options;
    std::string message;  // on standard error
};

// The models as the README lists them.
const std::string kKnownModels = "(known: BM2, BM3, BM4, Vinet2, Vinet3, Murnaghan, NS2, NS3)";

const Refused kRefused[] = {
    {"--fit-order abc", "--fit-order: abc is not a whole number"},
    {"--fit-order 5", "--fit-order: 5 is not from 1 to 4"},
    {"--axes x", "--axes: x is not a whole number"},
    {"--plots DIR --surface last", "--surface: last is not a whole number"},
    {"--at nan", "--at: nan is not a finite number"},
    {"--at 150,inf", "--at: inf is not a finite number"},
    {"--at 150,x", "--at: x is not a number"},
    {"--at 1e39", "--at: 1e39 is beyond single precision"},
    {"--eos BM3,BM7", "--eos: unknown equation of state BM7 " + kKnownModels},
    {"--eos ' '", "--eos: an empty name is no equation of state " + kKnownModels},
    {"--fits DIR --no-fits", "--fits excludes --no-fits"},
};

void PrintTo(const Refused& r, std::ostream* out) { *out << r.options; }

class RefusedOption : public testing::TestWithParam<Refused> {};

TEST_P(RefusedOption, IsAUsageErrorWritingNothing) {
    TempFolder dir("batch-options-refused");
    writeFile(dir / "series.dat", kSeries);
    std::string options = GetParam().options;
    if (const std::size_t at = options.find("DIR"); at != std::string::npos) options.replace(at, 3, shellQuoted(dir / "plots"));
    const Batch run = batch(dir, shellQuoted(dir / "series.dat") + " --json " + shellQuoted(dir / "run.json") + " " + options);
    EXPECT_EQ(run.exit, 2);
    EXPECT_NE(run.errors.find(GetParam().message), std::string::npos) << run.errors;
    EXPECT_FALSE(std::filesystem::exists(dir / "run.json"));
    EXPECT_FALSE(std::filesystem::exists(dir / "plots"));
}

INSTANTIATE_TEST_SUITE_P(Options, RefusedOption, testing::ValuesIn(kRefused), testing_support::PrintedName());

std::vector<std::string> volumeModels(const nlohmann::json& fits) {
    std::vector<std::string> models;
    for (const auto& e : fits.at("eos"))
        if (e.at("quantity") == "volume") models.push_back(e.at("model"));
    return models;
}

TEST(BatchOptions, ListsTolerateBlanksCaseAndRepeats) {
    TempFolder dir("batch-options-lists");
    const Batch run = batch(dir, shellQuoted(kExamples / "stishovite_tetragonal_P.dat") + " --json - --eos ' vinet3 , BM3,bm3,Vinet3' --fit-order ' 1'");
    ASSERT_EQ(run.exit, 0) << run.errors;
    const nlohmann::json fits = nlohmann::json::parse(run.out).at("fits");
    EXPECT_EQ(volumeModels(fits), (std::vector<std::string>{"Vinet3", "BM3"}));  // each once, in the order first named
    EXPECT_EQ(fits.at("tensor").at("order"), 1);
}

// Inside the measured range [100, 300], ends included, an x is interpolated; outside, it is
// computed all the same and flagged.
TEST(BatchOptions, AnXOutsideTheMeasuredRangeIsComputedAndFlaggedAsExtrapolated) {
    TempFolder dir("batch-options-at");
    writeFile(dir / "series.dat", kSeries);
    const Batch run = batch(dir, shellQuoted(dir / "series.dat") + " --json - --fits " + shellQuoted(dir / "fits.txt") +
                                     " --at ' 100 ,150,300,99.5,1000'");
    ASSERT_EQ(run.exit, 0) << run.errors;
    const nlohmann::json at = nlohmann::json::parse(run.out).at("fits").at("tensor").at("at");
    ASSERT_EQ(at.size(), 3u + 5u);
    const std::pair<double, bool> asked[] = {{100, false}, {150, false}, {300, false}, {99.5, true}, {1000, true}};
    for (std::size_t k = 0; k < 3; ++k) EXPECT_FALSE(at[k].at("extrapolated").get<bool>()) << "measured " << k;
    for (std::size_t k = 0; k < 5; ++k) {
        const auto& entry = at[3 + k];
        EXPECT_EQ(entry.at("x").get<double>(), asked[k].first);
        EXPECT_FALSE(entry.at("measured").get<bool>());
        EXPECT_EQ(entry.at("extrapolated").get<bool>(), asked[k].second) << asked[k].first;
        // The straight line's slope is the same everywhere: extrapolation computes it as well.
        EXPECT_NEAR(entry.at("tensor")[0][0].get<double>(), 2e-6, 1e-8);
    }
    // The report marks each x asked for and says what its mark means, once.
    const std::string report = slurp(dir / "fits.txt");
    for (const char* text : {"         150*", "        99.5\u2020", "        1000\u2020", "  * asked for with --at\n",
                             "  \u2020 asked for with --at, outside the measured range of T: extrapolated\n"})
        EXPECT_NE(report.find(text), std::string::npos) << text;
    EXPECT_NE(report.find("         300 "), std::string::npos);  // measured: no mark
}

// --no-fits: the JSON says why it has none, and the plots have no fitted curve and no figure made
// of fits alone.
TEST(BatchOptions, NoFitsTurnsTheFitsOffForTheJsonAndThePlots) {
    TempFolder dir("batch-options-no-fits");
    const std::string input = shellQuoted(kExamples / "Ag3CoCN6_monoclinic_P.dat");
    // The plots need the plot writer, which a build without the window does not have.
    const auto plots = [&](const char* folder) {
        return TENZIO_HAS_PLOT_WRITER ? " --plots " + shellQuoted(dir / folder) : std::string();
    };
    const Batch with = batch(dir, input + " --json -" + plots("with"));
    const Batch without = batch(dir, input + " --json - --no-fits" + plots("without"));
    ASSERT_EQ(with.exit, 0) << with.errors;
    ASSERT_EQ(without.exit, 0) << without.errors;
    EXPECT_TRUE(nlohmann::json::parse(with.out).at("fits").is_object());
    const nlohmann::json doc = nlohmann::json::parse(without.out);
    EXPECT_TRUE(doc.at("fits").is_null());
    EXPECT_EQ(doc.at("fits_reason"), "turned off (--no-fits)");
    if (!TENZIO_HAS_PLOT_WRITER) return;
    for (const char* stem : {"ff", "compressibility"}) {
        const std::string name = "Ag3CoCN6_monoclinic_P_" + std::string(stem) + ".csv";
        EXPECT_TRUE(std::filesystem::exists(dir / "with" / name)) << name;
        EXPECT_FALSE(std::filesystem::exists(dir / "without" / name)) << name;
    }
}

// Said on standard error once, whether the series is read for --sort before the run or by the run.
TEST(BatchOptions, AnUnknownUnitIsSaidOnceOnStandardErrorAndKeptAsTheLabel) {
    TempFolder dir("batch-options-units");
    writeFile(dir / "series.dat", std::string(kSeries).replace(std::string(kSeries).find("UNITS T K"), 9, "UNITS T Rankine"));
    const std::string warning = "tenzio-batch: series.dat, line 2: UNITS: \"Rankine\" is no known unit of T; kept as its label\n";
    for (const char* sort : {"", " --sort"}) {
        const Batch run = batch(dir, shellQuoted(dir / "series.dat") + " --json -" + sort);
        ASSERT_EQ(run.exit, 0) << run.errors;
        const std::size_t at = run.errors.find(warning);
        EXPECT_NE(at, std::string::npos) << run.errors;
        EXPECT_EQ(run.errors.find(warning, at + 1), std::string::npos) << run.errors;
        EXPECT_EQ(nlohmann::json::parse(run.out).at("units").at("T"), "Rankine");
    }
}

}  // namespace
