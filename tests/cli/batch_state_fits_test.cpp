// tenzio-batch with the equations of state in T and in P and T: a series of volumes serves the
// fits only (no print or result files, one line saying so), a P-V-T series is fitted by the
// P-V-T models, and bad values of the new options are refused with their cause.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <set>
#include <string>

#include "../support.hpp"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

std::string batch() { return std::string(TENZIO_BATCH); }

// P of a BM3 whose V0 follows Berman's V(T) and whose K0 falls with T.
double bm3Berman(double v, double t) {
    const double v0 = 40.0 * (1.0 + 3e-5 * (t - 298.15)), k0 = 200.0 - 0.03 * (t - 298.15), kp = 4.5;
    const double f = 0.5 * (std::pow(v0 / v, 2.0 / 3.0) - 1.0);
    return 3.0 * k0 * f * std::pow(1.0 + 2.0 * f, 2.5) * (1.0 + 1.5 * (kp - 4.0) * f);
}

// A P-V-T data file of volumes: 6 temperatures, 8 volumes each.
std::string pvtFile() {
    std::string text = "TITLE made from a known BM3 with a Berman coupling\nUNITS P GPa T K\nLINE1 T SIGT P SIGP V SIGV\nDATA\n";
    for (const double t : {300.0, 450.0, 600.0, 750.0, 900.0, 1050.0})
        for (int k = 0; k < 8; ++k) {
            const double v = 40.0 * (1.0 - 0.01 * k);
            text += std::to_string(t) + " 1 " + std::to_string(bm3Berman(v, t)) + " 0.01 " + std::to_string(v) + " 0.002\n";
        }
    return text;
}

TEST(BatchStateFits, AVolumeOnlyPvtSeriesWritesTheFitsAndNoPrintFile) {
    TempFolder dir("batch-pvt");
    writeFile(dir / "pvt.dat", pvtFile());
    const std::string command = batch() + " " + shellQuoted(dir / "pvt.dat") + " --print " + shellQuoted(dir / "pvt.prt") +
                                " --json " + shellQuoted(dir / "pvt.json") + " --fits " + shellQuoted(dir / "pvt.txt") +
                                " --at-pt 3:500 2>" + shellQuoted(dir / "errors");
    ASSERT_EQ(shell(command), 0) << slurp(dir / "errors");
    EXPECT_FALSE(fs::exists(dir / "pvt.prt"));
    EXPECT_FALSE(fs::exists(dir / "pvt_strain.cal"));
    EXPECT_NE(slurp(dir / "errors").find("holds volumes and no cells"), std::string::npos) << slurp(dir / "errors");

    const nlohmann::json document = nlohmann::json::parse(slurp(dir / "pvt.json"));
    // Its points are volumes, as read, not cells.
    const auto& first = document.at("points").at(0);
    EXPECT_TRUE(first.at("cell").is_null());
    EXPECT_EQ(first.at("volume").get<float>(), 40.0f);
    EXPECT_EQ(first.at("volume_esd").get<float>(), 0.002f);
    const nlohmann::json& fits = document.at("fits");
    EXPECT_EQ(fits.at("variable"), "pressure-temperature");
    EXPECT_TRUE(fits.at("volume_only").get<bool>());
    ASSERT_EQ(fits.at("pvt").size(), 1u);
    const auto& pvt = fits.at("pvt")[0];
    EXPECT_EQ(pvt.at("model"), "bm3-berman");
    EXPECT_EQ(pvt.at("status"), "ok");
    // The data file rounds P to 6 decimals: the law comes back to about that.
    EXPECT_NEAR(pvt.at("V0").get<double>(), 40.0, 1e-4);
    EXPECT_NEAR(pvt.at("K0").get<double>(), 200.0, 0.1);
    EXPECT_NEAR(pvt.at("dKdT").get<double>(), -0.03, 1e-3);
    EXPECT_NEAR(pvt.at("a0").get<double>(), 3e-5, 1e-7);
    for (const char* key : {"V0_esd", "K0_esd", "Kp", "Kp_esd", "a1", "a1_esd", "correlation", "chi2", "dof", "aicc", "residuals", "Tref"})
        EXPECT_TRUE(pvt.contains(key)) << key;
    EXPECT_EQ(pvt.at("residuals").size(), 48u);
    ASSERT_EQ(pvt.at("at").size(), 1u);
    EXPECT_EQ(pvt.at("at")[0].at("P"), 3.0);
    EXPECT_TRUE(pvt.at("at")[0].at("V").is_number());
    // Six free parameters: 15 pairs at two levels, each of 72 points.
    ASSERT_EQ(pvt.at("ellipses").size(), 30u);
    EXPECT_EQ(pvt.at("ellipses")[0].at("points").size(), 72u);
    EXPECT_EQ(pvt.at("ellipses")[0].at("delta_chi2"), 2.30);

    const std::string report = slurp(dir / "pvt.txt");
    for (const char* section : {"EQUATIONS OF STATE IN P AND T", "MODEL CHOICE", "CONFIDENCE ELLIPSES", "bm3-berman"})
        EXPECT_NE(report.find(section), std::string::npos) << section;
}

TEST(BatchStateFits, VolumesAloneInTFitOnStandardOutputWhenNothingElseIsAsked) {
    TempFolder dir("batch-vt");
    std::string text = "TITLE volumes against T\nUNITS T C\nLINE1 T SIGT V SIGV\nDATA\n";
    for (int k = 0; k < 12; ++k) {
        const double t = -100.0 + 60.0 * k;  // °C
        const double d = t + 273.15 - 298.15;
        text += std::to_string(t) + " 0.5 " + std::to_string(100.0 * (1.0 + 2.5e-5 * d + 0.5 * 1e-8 * d * d)) + " 0.001\n";
    }
    writeFile(dir / "vt.dat", text);
    ASSERT_EQ(shell(batch() + " " + shellQuoted(dir / "vt.dat") + " --print " + shellQuoted(dir / "vt.prt") + " >" +
                    shellQuoted(dir / "out.txt") + " 2>/dev/null"),
              0);
    EXPECT_FALSE(fs::exists(dir / "vt.prt"));
    const std::string report = slurp(dir / "out.txt");
    EXPECT_NE(report.find("EQUATIONS OF STATE IN T"), std::string::npos) << report;
    EXPECT_NE(report.find("berman, volume"), std::string::npos);
    EXPECT_NE(report.find("fei, volume"), std::string::npos);

    ASSERT_EQ(shell(batch() + " " + shellQuoted(dir / "vt.dat") + " --json " + shellQuoted(dir / "vt.json") + " --tref 25 2>/dev/null"), 0);
    const nlohmann::json fits = nlohmann::json::parse(slurp(dir / "vt.json")).at("fits");
    EXPECT_EQ(fits.at("variable"), "temperature");
    ASSERT_EQ(fits.at("thermal").size(), 2u);
    const auto& berman = fits.at("thermal")[0];
    EXPECT_EQ(berman.at("model"), "berman");
    EXPECT_NEAR(berman.at("Tref").get<double>(), 298.15, 1e-9);
    EXPECT_NEAR(berman.at("V0").get<double>(), 100.0, 1e-4);
    EXPECT_NEAR(berman.at("a0").get<double>(), 2.5e-5, 1e-8);
    EXPECT_EQ(berman.at("alpha").size(), 12u);
}

TEST(BatchStateFits, BadValuesOfTheNewOptionsAreRefusedWithTheirCause) {
    TempFolder dir("batch-state-options");
    writeFile(dir / "pvt.dat", pvtFile());
    const struct {
        const char* arguments;
        const char* message;
    } cases[] = {
        {"--pvt bm3-foo", "unknown P-V-T model bm3-foo"},
        {"--pvt bm9-berman", "unknown P-V-T model bm9-berman"},
        {"--thermal einstein", "unknown V(T) model einstein"},
        {"--fix K0", "K0 is not NAME=VALUE"},
        {"--fix Zeta=3", "no model has a parameter Zeta"},
        {"--fix Kp=four", "the value of Kp: four is not a finite number"},
        {"--at-pt 5", "5 is not P:T"},
        {"--at-pt 5:hot", "T of 5:hot: hot is not a finite number"},
        {"--atoms -2", "-2 is not above 0"},
        {"--tref abc", "abc is not a number"},
    };
    for (const auto& c : cases) {
        const std::string errors = (dir / "errors").string();
        EXPECT_EQ(shell(batch() + " " + shellQuoted(dir / "pvt.dat") + " --json " + shellQuoted(dir / "x.json") + " " + c.arguments +
                        " 2>" + shellQuoted(errors)),
                  2)
            << c.arguments;
        EXPECT_NE(slurp(errors).find(c.message), std::string::npos) << c.arguments << ": " << slurp(errors);
    }
    // A -mgd model without --atoms fails with the reason, and the run still completes.
    ASSERT_EQ(shell(batch() + " " + shellQuoted(dir / "pvt.dat") + " --json " + shellQuoted(dir / "m.json") + " --pvt bm3-mgd 2>/dev/null"), 0);
    const nlohmann::json doc = nlohmann::json::parse(slurp(dir / "m.json"));
    const auto& mgd = doc.at("fits").at("pvt")[0];
    EXPECT_NE(mgd.at("status").get<std::string>().find("--atoms"), std::string::npos);
    EXPECT_TRUE(mgd.at("V0").is_null());
}

}  // namespace

namespace {

TEST(BatchStateFits, ThePlotsOfAVolumeOnlySeriesAreTheEllipseAlone) {
    if (!TENZIO_HAS_PLOT_WRITER) GTEST_SKIP() << "no plot writer in this build";
    TempFolder dir("batch-pvt-plots");
    writeFile(dir / "pvt.dat", pvtFile());
    ASSERT_EQ(shell(batch() + " " + shellQuoted(dir / "pvt.dat") + " --plots " + shellQuoted(dir / "plots") + " 2>/dev/null"), 0);
    std::set<std::string> written;
    for (const auto& entry : fs::directory_iterator(dir / "plots")) written.insert(entry.path().filename().string());
    EXPECT_EQ(written, (std::set<std::string>{"pvt_ellipse.csv", "pvt_ellipse.png", "pvt_ellipse.svg"}));
    EXPECT_EQ(slurp(dir / "plots" / "pvt_ellipse.csv").substr(0, 29), "level,delta_chi2,point,K0,Kp\r");
}

}  // namespace

namespace {

TEST(BatchStateFits, PvtNoneTurnsTheFitsOfPAndTOff) {
    TempFolder dir("batch-pvt-none");
    writeFile(dir / "pvt.dat", pvtFile());
    ASSERT_EQ(shell(batch() + " " + shellQuoted(dir / "pvt.dat") + " --json " + shellQuoted(dir / "n.json") + " --pvt none 2>/dev/null"), 0);
    const nlohmann::json doc = nlohmann::json::parse(slurp(dir / "n.json"));
    EXPECT_TRUE(doc.at("fits").at("pvt").empty());
    EXPECT_EQ(doc.at("fits").at("variable"), "pressure-temperature");
}

}  // namespace

namespace {

const fs::path kStishovite = fs::path(TENZIO_SOURCE_DIR) / "examples/stishovite_tetragonal_P.dat";

TEST(BatchStateFits, PcAndDiagnosticsAddToTheEquationsOfStateOfASeriesOfCells) {
    TempFolder dir("batch-pc");
    const auto eosOf = [&](const std::string& options) {
        EXPECT_EQ(shell(batch() + " " + shellQuoted(kStishovite) + " --json " + shellQuoted(dir / "s.json") + options + " 2>/dev/null"), 0);
        return nlohmann::json::parse(slurp(dir / "s.json")).at("fits").at("eos");
    };
    const nlohmann::json plain = eosOf("");
    EXPECT_FALSE(plain[1].contains("aicc"));  // a plain series of cells: as before
    const nlohmann::json diagnosed = eosOf(" --diagnostics");
    ASSERT_EQ(diagnosed[1].at("model"), "BM3");
    EXPECT_TRUE(diagnosed[1].at("aicc").is_number());
    EXPECT_EQ(diagnosed[1].at("ellipses").size(), 6u);  // V0-K0, V0-Kp, K0-Kp at two levels
    EXPECT_FALSE(diagnosed[1].contains("Pc"));
    // P - Pc fitted: V0 is the volume at Pc, below the one at P = 0, and the modulus there higher.
    const nlohmann::json shifted = eosOf(" --pc 10");
    EXPECT_EQ(shifted[1].at("Pc"), 10.0);
    EXPECT_LT(shifted[1].at("V0").get<double>(), plain[1].at("V0").get<double>());
    EXPECT_GT(shifted[1].at("K0").get<double>(), plain[1].at("K0").get<double>());
    // Held: K' of BM3 at 4, with no esd and one parameter fewer.
    const nlohmann::json held = eosOf(" --fix Kp=4");
    EXPECT_EQ(held[1].at("Kp"), 4.0);
    EXPECT_TRUE(held[1].at("Kp_esd").is_null());
    EXPECT_EQ(held[1].at("parameters").size(), 2u);
    EXPECT_EQ(held[1].at("dof").get<int>(), plain[1].at("dof").get<int>() + 1);
}

}  // namespace
