// The data exports: the CSV holds the JSON's numbers, undefined values are empty or null, and a
// failed run leaves an earlier export as it was.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <charconv>
#include <set>
#include <sstream>

#include "export/csv_output.hpp"
#include "export/json_output.hpp"
#include "run_support.hpp"

namespace {

using namespace testing_support;

std::vector<std::string> fieldsOf(const std::string& row) {
    std::vector<std::string> fields;
    std::stringstream in(row);
    std::string f;
    while (std::getline(in, f, ',')) fields.push_back(f);
    if (!row.empty() && row.back() == ',') fields.emplace_back();
    return fields;
}

// Two cells at one temperature, then a third: the first pair has no thermal expansion.
constexpr const char* kSeries =
    "TITLE exports\nLINE1 T A SIGA B SIGB C SIGC ALPHA BETA GAMMA\nDATA\n"
    "20 5 0.001 6 0.001 7 0.001 90 91 90\n20 5.001 0.001 6 0.001 7 0.001 90 91 90\n"
    "40 5.004 0.001 6.002 0.001 7.001 0.001 90 91.02 90\n";

TEST(Exports, CsvRowsHoldTheJsonNumbers) {
    TempFolder dir("exports");
    writeFile(dir / "cells.dat", kSeries);
    JsonOutput json(dir / "run.json");
    CsvOutput csv(dir / "run.csv");
    RunOptions options;
    options.incremental = false;
    ASSERT_EQ(runOnce(dir / "cells.dat", dir / "run.prt", options, {&json, &csv}).outcome, RunOutcome::completed);

    const nlohmann::json doc = nlohmann::json::parse(slurp(dir / "run.json"));
    EXPECT_EQ(doc.at("title"), "exports");
    EXPECT_EQ(doc.at("series"), "temperature");
    EXPECT_EQ(doc.at("options").at("incremental"), false);
    ASSERT_EQ(doc.at("points").size(), 3u);
    EXPECT_EQ(doc.at("points")[2].at("cell")[4].get<float>(), 91.02f);

    const auto rows = linesOf(slurp(dir / "run.csv"));
    ASSERT_EQ(rows.size(), 3u);  // a header and two calculations, CR LF ends
    const auto head = fieldsOf(rows[0]);
    const auto& calculations = doc.at("calculations");
    for (std::size_t n = 0; n < 2; ++n) {
        const auto fields = fieldsOf(rows[n + 1]);
        ASSERT_EQ(fields.size(), head.size());
        const auto column = [&](const std::string& name) {
            return fields[static_cast<std::size_t>(std::find(head.begin(), head.end(), name) - head.begin())];
        };
        const auto& calc = calculations[n];
        EXPECT_EQ(column("second"), std::to_string(calc.at("second").get<int>()));
        EXPECT_EQ(std::stof(column("strain_13")), calc.at("strain").at("tensor")[0][2].get<float>());
        EXPECT_EQ(std::stof(column("strain_22_esd")), calc.at("strain").at("esd")[1][1].get<float>());
        EXPECT_EQ(std::stof(column("principal_2_strain")), calc.at("principal")[1].at("strain").get<float>());
    }
    // No change of T: the property is undefined, null in the JSON and empty in the CSV.
    const auto& undefined = calculations[0].at("property");
    EXPECT_FALSE(undefined.at("defined").get<bool>());
    EXPECT_TRUE(undefined.at("tensor")[0][0].is_null());
    EXPECT_TRUE(calculations[0].at("principal")[0].at("property").is_null());
    const auto first = fieldsOf(rows[1]);
    EXPECT_EQ(first[static_cast<std::size_t>(std::find(head.begin(), head.end(), "property_11") - head.begin())], "");
    EXPECT_TRUE(calculations[1].at("property").at("defined").get<bool>());
}

TEST(Exports, APropertyWithoutEsdsHasANullEsdAndNoNumberIsMinusZero) {
    // No cell esds. Under pressure the property is minus the strain per GPa, so the components
    // that do not change (b, c, the shears) would be -0 unless written as 0.
    TempFolder dir("exports-no-esds");
    const std::string head = "TITLE no esds\nLINE1 P SIGP A B C ALPHA BETA GAMMA\nDATA\n";
    const std::string cells = "0 @ 5 6 7 90 90 90\n1 @ 4.99 6 7 90 90 90\n";
    for (const std::string sigP : {"0", "0.05"}) {
        std::string text = head + cells;
        for (std::size_t at; (at = text.find('@')) != std::string::npos;) text.replace(at, 1, sigP);
        writeFile(dir / "cells.dat", text);
        JsonOutput json(dir / "run.json");
        ASSERT_EQ(runOnce(dir / "cells.dat", dir / "run.prt", {}, {&json}).outcome, RunOutcome::completed);
        const std::string written = slurp(dir / "run.json");
        for (const char* minusZero : {"-0.0,", "-0.0]", "-0.0}"})
            EXPECT_EQ(written.find(minusZero), std::string::npos) << written;
        const auto property = nlohmann::json::parse(written).at("calculations")[0].at("property");
        EXPECT_TRUE(nlohmann::json::parse(written).at("calculations")[0].at("strain").at("esd").is_null());
        if (sigP == "0") {
            EXPECT_TRUE(property.at("esd").is_null()) << property;
        } else {
            // The esd of P gives the property one: about 0.002 per GPa times the relative esd of the
            // change of P, 0.05 sqrt(2) / 1.
            ASSERT_TRUE(property.at("esd").is_array()) << property;
            EXPECT_NEAR(property.at("esd")[0][0].get<double>(), 0.002 * std::sqrt(2.0) * 0.05, 2e-6);
        }
    }
}

TEST(Exports, AFailedRunLeavesAnEarlierExportAsItWas) {
    TempFolder dir("exports-failed");
    writeFile(dir / "cells.dat", "LINE1 T A B C ALPHA BETA GAMMA\nDATA\n1 5 6 7 90 90 90\n2 5 6 x 90 90 90\n");
    writeFile(dir / "run.json", "earlier");
    writeFile(dir / "run.csv", "earlier");
    JsonOutput json(dir / "run.json");
    CsvOutput csv(dir / "run.csv");
    EXPECT_EQ(runOnce(dir / "cells.dat", dir / "run.prt", {}, {&json, &csv}).outcome, RunOutcome::readError);
    EXPECT_EQ(slurp(dir / "run.json"), "earlier");
    EXPECT_EQ(slurp(dir / "run.csv"), "earlier");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 4);  // no temporary file left
}

TEST(Exports, NumbersAreTheShortestThatReadBack) {
    EXPECT_EQ(csvNumber(0.1f), "0.1");
    EXPECT_EQ(csvNumber(-2.5e-7f), "-2.5e-07");
    EXPECT_EQ(csvNumber(std::nanf("")), "");
}

// The units of T and P as the series names them, null where it names none.
TEST(Exports, TheJsonCarriesTheUnitsTheSeriesNames) {
    struct Case {
        const char* header;
        nlohmann::json units;
    };
    const Case cases[] = {
        {"", {{"T", nullptr}, {"P", nullptr}}},
        {"UNITS T C\n", {{"T", "\u00b0C"}, {"P", nullptr}}},
        {"UNITS P kbar T K\n", {{"T", "K"}, {"P", "kbar"}}},
    };
    for (const Case& c : cases) {
        TempFolder dir("exports-units");
        writeFile(dir / "cells.dat", std::string(c.header) + kSeries);
        JsonOutput json(dir / "run.json");
        ASSERT_EQ(runOnce(dir / "cells.dat", dir / "run.prt", {}, {&json}).outcome, RunOutcome::completed);
        EXPECT_EQ(nlohmann::json::parse(slurp(dir / "run.json")).at("units"), c.units) << c.header;
    }
}

// Each P of the fits' tables (the tensor at each measured P, the compressibility of the empirical
// law, F-f) reads back as the decimal the data file gives it, not as its float widened to a
// double (0.19, not 0.1899999976158142); the fitted numbers are the doubles computed.
TEST(Exports, TOrPIsWrittenAsTheDataFileGivesItAndFittedNumbersInFull) {
    const std::filesystem::path data = std::filesystem::path(TENZIO_SOURCE_DIR) / "examples/Ag3CoCN6_monoclinic_P.dat";
    std::set<double> typed;  // the first column, P, of each data line, as a double
    const std::string text = slurp(data);
    std::stringstream lines(text.substr(text.find("\nDATA") + 1));
    std::string line;
    std::getline(lines, line);  // DATA
    while (std::getline(lines, line)) {
        double p = 0.0;
        if (std::from_chars(line.data(), line.data() + line.size(), p).ec == std::errc{}) typed.insert(p);
    }
    ASSERT_GT(typed.size(), 10u);
    ASSERT_NE(static_cast<double>(static_cast<float>(*typed.begin())), *typed.begin());  // 0.19 is no float

    TempFolder dir("exports-shortest");
    JsonOutput json(dir / "run.json");
    ASSERT_EQ(runOnce(data, dir / "run.prt", {}, {&json}).outcome, RunOutcome::completed);
    const nlohmann::json fits = nlohmann::json::parse(slurp(dir / "run.json")).at("fits");
    std::vector<double> written;
    for (const auto& at : fits.at("tensor").at("at"))
        if (at.at("measured").get<bool>()) written.push_back(at.at("x"));
    int lawsFitted = 0;
    for (const auto& law : fits.at("empirical")) {
        if (law.at("status") != "ok") continue;
        ++lawsFitted;
        for (const auto& k : law.at("K")) written.push_back(k.at("x"));
    }
    for (const auto& point : fits.at("ff")) written.push_back(point.at("x"));
    EXPECT_GT(lawsFitted, 0);
    EXPECT_GT(written.size(), 3 * typed.size());
    for (const double x : written) EXPECT_EQ(typed.count(x), 1u) << x;

    const auto isFloat = [](double v) { return static_cast<double>(static_cast<float>(v)) == v; };
    const nlohmann::json& bm3 = fits.at("eos")[1];
    ASSERT_EQ(bm3.at("model"), "BM3");
    EXPECT_FALSE(isFloat(bm3.at("K0").get<double>()));
    EXPECT_FALSE(isFloat(fits.at("tensor").at("at")[0].at("tensor")[0][0].get<double>()));
    EXPECT_FALSE(isFloat(fits.at("ff")[0].at("f").get<double>()));
}

}  // namespace
