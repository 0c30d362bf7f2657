// tenzio-batch with the fits: the JSON holds them, --fits writes the report, and neither changes
// the print file or the result files.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sys/wait.h>

#include "../run/run_support.hpp"
#include "LIBRARIES/text/restrict_warning.hpp"

// This file builds its command lines and texts with operator+ throughout: silenced for all of it.
BEGIN_GCC_RESTRICT_FALSE_POSITIVE

namespace {

using namespace testing_support;

const std::filesystem::path kStishovite = std::filesystem::path(TENZIO_SOURCE_DIR) /
                                          "tests/run/expected/tetragonal-P-axes3-finlag/"
                                          "burnman_stishovite_Andrault2003_tetragonal_P.dat";

int batch(const std::string& arguments) {
    const std::string command = std::string(TENZIO_BATCH) + " " + arguments + " 2>/dev/null >/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string masked(std::string text) {
    const std::string marker = "RUN ON: ";
    for (std::size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at + 1))
        text.replace(at + marker.size(), 24, 24, '#');
    return text;
}

TEST(BatchFits, JsonHoldsTheFitsAndThePrintAndResultFilesStayAsTheyWere) {
    TempFolder dir("batch-fits");
    const std::string out = dir.path().string();
    ASSERT_EQ(batch("'" + kStishovite.string() + "' --axes 3 --strain finite-lagrangian --print '" + out +
                    "/fits.prt' --json '" + out + "/run.json' --fits '" + out + "/fits.txt' --at 70,80"),
              0);
    // The same run without any fits, through the driver.
    RunOptions options;
    options.axisConvention = AxialSet::xAStarYB;
    options.strainType = StrainType::finiteLagrangian;
    ASSERT_EQ(runOnce(kStishovite, dir / "plain.prt", options).outcome, RunOutcome::completed);
    for (const char* suffix : {".prt", "_strain.cal", "_tensor.cal"})
        EXPECT_EQ(masked(slurp(dir / ("fits" + std::string(suffix)))), masked(slurp(dir / ("plain" + std::string(suffix)))))
            << suffix;

    const nlohmann::json doc = nlohmann::json::parse(slurp(dir / "run.json"));  // no NaN anywhere
    const auto& fits = doc.at("fits");
    EXPECT_EQ(fits.at("variable"), "pressure");
    EXPECT_EQ(fits.at("reference"), 1);
    EXPECT_EQ(fits.at("strain"), "finite-lagrangian");
    const auto& linear = fits.at("linear");
    ASSERT_EQ(linear.at("principal").size(), 3u);
    for (const char* key : {"coefficient", "esd", "intercept", "uvw"}) EXPECT_TRUE(linear.at("principal")[0].contains(key)) << key;
    for (const char* q : {"a", "b", "c", "volume"}) {
        EXPECT_TRUE(linear.at(q).at("coefficient").is_number()) << q;
        EXPECT_TRUE(linear.at(q).at("esd").is_number()) << q;
    }
    // Compression: every coefficient positive.
    EXPECT_GT(linear.at("volume").at("coefficient").get<double>(), 0.0);

    const auto& tensor = fits.at("tensor");
    EXPECT_EQ(tensor.at("order"), 2);  // the default for pressure
    const auto& at = tensor.at("at");
    ASSERT_EQ(at.size(), 27u + 2u);  // every measured P, then the two asked for
    EXPECT_EQ(at[27].at("x"), 70.0);
    for (const char* key : {"value", "esd", "vector", "uvw", "to_abc", "to_abc_esd"})
        EXPECT_TRUE(at[0].at("principal")[0].contains(key)) << key;
    EXPECT_EQ(at[0].at("tensor").size(), 3u);

    // BM2, BM3, Vinet3 for the volume, then for a and c (tetragonal: b is a).
    const auto& eos = fits.at("eos");
    ASSERT_EQ(eos.size(), 9u);
    EXPECT_EQ(eos[1].at("model"), "BM3");
    EXPECT_EQ(eos[1].at("quantity"), "volume");
    for (const char* key : {"V0", "V0_esd", "K0", "K0_esd", "Kp", "Kp_esd", "Kpp", "Kpp_esd", "correlation", "chi2", "dof",
                            "max_residual", "residuals", "status"})
        EXPECT_TRUE(eos[1].contains(key)) << key;
    // A residual for every point, in P at its volume, the flag beside the residual in esds.
    ASSERT_EQ(eos[1].at("residuals").size(), 27u);
    for (const auto& r : eos[1].at("residuals")) {
        EXPECT_EQ(r.at("outlier").get<bool>(), std::fabs(r.at("weighted").get<double>()) > 3.0);
        EXPECT_TRUE(r.at("x").is_number() && r.at("observed").is_number() && r.at("calculated").is_number());
    }
    EXPECT_EQ(eos[1].at("residuals")[4].at("point"), 5);
    EXPECT_EQ(eos[1].at("status"), "ok");
    EXPECT_TRUE(eos[0].at("Kp_esd").is_null());  // BM2 fixes K'
    EXPECT_EQ(eos[0].at("Kp"), 4.0);
    EXPECT_EQ(eos[3].at("quantity"), "a");
    for (const char* key : {"x0", "x0_esd", "M0", "M0_esd", "Mp", "Mp_esd"}) EXPECT_TRUE(eos[4].contains(key)) << key;
    EXPECT_EQ(fits.at("empirical").size(), 3u);
    for (const char* key : {"eps0", "eps0_esd", "lambda", "lambda_esd", "pc", "pc_esd", "nu", "nu_esd", "K", "residuals", "status"})
        EXPECT_TRUE(fits.at("empirical")[0].contains(key)) << key;
    ASSERT_FALSE(fits.at("ff").empty());
    for (const char* key : {"x", "f", "f_esd", "F", "F_esd"}) EXPECT_TRUE(fits.at("ff")[0].contains(key)) << key;

    const std::string report = slurp(dir / "fits.txt");
    for (const char* text : {"LINEAR FITS", "TENSOR FIT", "EQUATIONS OF STATE", "BM3, volume: V0 = ", "F-f",
                             "possible outliers, more than 3 esds from the curve"})
        EXPECT_NE(report.find(text), std::string::npos) << text;
}

TEST(BatchFits, TwoPointsGiveNullFitsAndTheReason) {
    TempFolder dir("batch-fits-two");
    writeFile(dir / "two.dat", "LINE1 T A B C ALPHA BETA GAMMA\nDATA\n100 5 6 7 90 90 90\n200 5.01 6 7 90 90 90\n");
    // --fits alone is a complete run.
    ASSERT_EQ(batch("'" + (dir / "two.dat").string() + "' --json '" + (dir / "run.json").string() + "' --fits '" +
                    (dir / "fits.txt").string() + "'"),
              0);
    const nlohmann::json doc = nlohmann::json::parse(slurp(dir / "run.json"));
    EXPECT_TRUE(doc.at("fits").is_null());
    EXPECT_EQ(doc.at("fits_reason"), "fewer than 3 points");
    EXPECT_NE(slurp(dir / "fits.txt").find("No fits: fewer than 3 points."), std::string::npos);
}

TEST(BatchFits, FitOptionsAreChecked) {
    const std::string data = "'" + kStishovite.string() + "' --fits /dev/null";
    EXPECT_EQ(batch(data + " --fit-order 5"), 2);
    EXPECT_EQ(batch(data + " --eos BM3,BM7"), 2);
    EXPECT_EQ(batch(data + " --weights sometimes"), 2);
    EXPECT_EQ(batch(data + " --at 1,x"), 2);
}

// Bytes of another encoding in a UNITS line, and a file name with a newline, reach the fits
// report and the JSON as U+FFFD: both stay UTF-8, and the report's lines stay lines.
TEST(BatchFits, RawBytesInUnitsAndNamesBecomeReplacementCharacters) {
    TempFolder dir("batch-fits-bytes");
    const std::filesystem::path data = dir / "odd\nname.dat";
    writeFile(data,
              "TITLE caf\xe9 series\nUNITS T K\xff\nLINE1 T A SIGA B SIGB C SIGC\nSYSTEM ORTHORHOMBIC\nDATA\n"
              "100 5.0000 0.0003 6.0000 0.0003 7.0000 0.0003\n200 5.0050 0.0003 6.0020 0.0003 7.0010 0.0003\n"
              "300 5.0100 0.0003 6.0041 0.0003 7.0020 0.0003\n400 5.0152 0.0003 6.0060 0.0003 7.0031 0.0003\n");
    ASSERT_EQ(batch("'" + data.string() + "' --fits '" + (dir / "fits.txt").string() + "' --json '" +
                    (dir / "run.json").string() + "'"),
              0);
    const std::string report = slurp(dir / "fits.txt");
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_NE(report.find("Input: odd" + replacement + "name.dat\n"), std::string::npos);
    EXPECT_NE(report.find("Title: caf" + replacement + " series\n"), std::string::npos);
    EXPECT_NE(report.find("T in K" + replacement), std::string::npos);
    EXPECT_EQ(report.find('\xff'), std::string::npos);
    EXPECT_EQ(report.find('\xe9'), std::string::npos);
    // The JSON parses, and with it its strings are UTF-8.
    const nlohmann::json doc = nlohmann::json::parse(slurp(dir / "run.json"));
    EXPECT_EQ(doc.at("title"), "caf" + replacement + " series");
}

// The fits of a long series run to megabytes of text, made beside the calculations and kept on
// disk until the calculations are written: the JSON and the report still hold every point's row,
// in order, and the JSON parses.
TEST(BatchFits, TheFitsOfALongSeriesAreWrittenWhole) {
    TempFolder dir("batch-fits-long");
    constexpr int kPoints = 12000;
    std::string data = "SYSTEM TRICLINIC\nLINE1 T SIGT A SIGA B SIGB C SIGC ALPHA SIGALPHA BETA SIGBETA GAMMA SIGGAMMA\nDATA\n";
    for (int i = 0; i < kPoints; ++i) {
        const double x = 0.025 * i;  // T from 100 K in steps of 0.025 K
        data += std::to_string(100.0 + x) + " 0.05 " + std::to_string(6.18 * (1 + 6e-5 * x)) + " 0.0003 " +
                std::to_string(10.83 * (1 + 1.2e-5 * x)) + " 0.0004 " + std::to_string(17.41 * (1 + 5e-5 * x)) +
                " 0.0005 " + std::to_string(76.87 + 1e-3 * x) + " 0.003 " + std::to_string(84.46 - 4e-3 * x) +
                " 0.008 " + std::to_string(81.58 - 3e-3 * x) + " 0.008\n";
    }
    writeFile(dir / "long.dat", data);
    ASSERT_EQ(batch("'" + (dir / "long.dat").string() + "' --print /dev/null --json '" + (dir / "run.json").string() +
                    "' --fits '" + (dir / "fits.txt").string() + "'"),
              0);
    const nlohmann::json doc = nlohmann::json::parse(slurp(dir / "run.json"));
    EXPECT_EQ(doc.at("calculations").size(), static_cast<std::size_t>(kPoints - 1));
    const auto& at = doc.at("fits").at("tensor").at("at");
    ASSERT_EQ(at.size(), static_cast<std::size_t>(kPoints));
    for (std::size_t i = 1; i < at.size(); ++i) ASSERT_LT(at[i - 1].at("x").get<double>(), at[i].at("x").get<double>()) << i;
    EXPECT_EQ(at.back().at("principal").size(), 3u);
    EXPECT_TRUE(doc.at("fits").at("linear").at("volume").at("coefficient").is_number());
    // Two tables of the report, coefficients and directions, each a row for every T.
    const std::string report = slurp(dir / "fits.txt");
    const std::string lastRow = "\n  " + std::string(12 - 8, ' ') + "399.975 ";
    EXPECT_GT(std::count(report.begin(), report.end(), '\n'), 2 * kPoints);
    const std::size_t first = report.find(lastRow);
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(report.find(lastRow, first + 1), std::string::npos);
}

}  // namespace

END_GCC_RESTRICT_FALSE_POSITIVE
