// tenzio-batch's options and data as a user gives them: an x outside the measured range is
// computed and flagged.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "../support.hpp"

namespace {

using namespace testing_support;

// Three temperatures, 100 to 300, with a straight-line expansion of a.
constexpr const char* kSeries =
    "TITLE options\nUNITS T K\nLINE1 T A SIGA B C ALPHA BETA GAMMA\nDATA\n"
    "100 5.000 0.001 6 7 90 90 90\n200 5.001 0.001 6 7 90 90 90\n300 5.002 0.001 6 7 90 90 90\n";

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

// Inside the measured range [100, 300], ends included, an x is interpolated; outside, it is
// computed all the same and flagged.
TEST(BatchOptions, AnXOutsideTheMeasuredRangeIsComputedAndFlaggedAsExtrapolated) {
    TempFolder dir("batch-options-at");
    writeFile(dir / "series.dat", kSeries);
    const Batch run = batch(dir, shellQuoted(dir / "series.dat") + " --json - --fits " + shellQuoted(dir / "fits.txt") +
                                     " --at 100,150,300,99.5,1000");
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

}  // namespace
