// tenzio-batch --each: one line per input, each the --json document of that input run alone
// with the same options, in the order of the inputs whatever the jobs; a bad series fails alone.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sstream>

#include "../support.hpp"
#include "LIBRARIES/text/restrict_warning.hpp"

// This file builds its command lines and texts with operator+ throughout: silenced for all of it.
BEGIN_GCC_RESTRICT_FALSE_POSITIVE

namespace {

using namespace testing_support;
namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

std::string batch(const std::string& arguments) { return std::string(TENZIO_BATCH) + " " + arguments; }

std::vector<std::string> bundledInputs() {
    std::vector<std::string> inputs;
    for (const char* folder : {"examples", "examples/cif"})
        for (const auto& entry : fs::directory_iterator(fs::path(TENZIO_SOURCE_DIR) / folder))
            if (entry.path().extension() == ".dat" || entry.path().extension() == ".cif")
                inputs.push_back(entry.path().string());
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

std::string quotedAll(const std::vector<std::string>& inputs) {
    std::string text;
    for (const std::string& input : inputs) text += " " + shellQuoted(input);
    return text;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(BatchEach, EveryLineIsTheJsonDocumentOfItsInputRunAlone) {
    TempFolder dir("each-documents");
    const std::vector<std::string> inputs = bundledInputs();
    const std::string options = " --against-first --axes 2 --at 40";
    ASSERT_EQ(shell(batch("--each" + quotedAll(inputs) + options + " --jsonl " + shellQuoted(dir / "all.jsonl") +
                          " --jobs 2 2>" + shellQuoted(dir / "err"))),
              0);
    EXPECT_EQ(slurp(dir / "err"), "");
    const std::vector<std::string> lines = linesOf(slurp(dir / "all.jsonl"));
    ASSERT_EQ(lines.size(), inputs.size());
    for (std::size_t k = 0; k < inputs.size(); ++k) {
        ASSERT_EQ(shell(batch(shellQuoted(inputs[k]) + options + " --json " + shellQuoted(dir / "one.json") +
                              " 2>/dev/null")),
                  0);
        // The input first, then the status, then the rest of the document.
        EXPECT_TRUE(lines[k].starts_with("{\"input\": " + Json(inputs[k]).dump() + ",\"status\":\"ok\",")) << lines[k];
        Json line = Json::parse(lines[k]);
        line.erase("status");
        Json document = Json::parse(slurp(dir / "one.json"));
        document.erase("input");
        line.erase("input");
        EXPECT_EQ(line, document) << inputs[k];
    }
}

TEST(BatchEach, ABadSeriesFailsAloneAndIsCounted) {
    TempFolder dir("each-bad");
    const std::string good = (fs::path(TENZIO_SOURCE_DIR) / "examples/periclase_cubic_T.dat").string();
    const std::string one = (fs::path(TENZIO_SOURCE_DIR) / "tests/bad-input/one_datum.dat").string();
    const std::string missing = (dir / "missing.dat").string();
    const int status = shell(batch("--each" + quotedAll({good, missing, one, good}) + " --jsonl " +
                                   shellQuoted(dir / "out.jsonl") + " 2>" + shellQuoted(dir / "err")));
    EXPECT_EQ(status, 1);
    const std::vector<std::string> lines = linesOf(slurp(dir / "out.jsonl"));
    ASSERT_EQ(lines.size(), 4u);
    const std::vector<std::string> inputs = {good, missing, one, good};
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const Json line = Json::parse(lines[k]);
        EXPECT_EQ(line["input"], inputs[k]);
        EXPECT_EQ(line["status"], k == 1 || k == 2 ? "error" : "ok") << k;
    }
    // The message is what the batch says of that input alone: its status line and its reason.
    for (const std::size_t k : {std::size_t{1}, std::size_t{2}}) {
        shell(batch(shellQuoted(inputs[k]) + " --json " + shellQuoted(dir / "x.json") + " 2>" +
                    shellQuoted(dir / "alone")));
        const std::vector<std::string> said = linesOf(slurp(dir / "alone"));
        ASSERT_GE(said.size(), 2u);
        const std::string reason = said.back().substr(std::string("tenzio-batch: ").size());
        EXPECT_EQ(Json::parse(lines[k])["error"], said[said.size() - 2] + ": " + reason);
    }
    EXPECT_EQ(slurp(dir / "err"), "tenzio-batch: 2 of 4 series failed\n");
}

TEST(BatchEach, LinesGoToStandardOutputInOrderWhateverTheJobs) {
    TempFolder dir("each-jobs");
    std::vector<std::string> inputs;
    for (int round = 0; round < 4; ++round)
        for (const std::string& input : bundledInputs()) inputs.push_back(input);
    ASSERT_EQ(shell(batch("--each" + quotedAll(inputs) + " --jobs 1 > " + shellQuoted(dir / "one"))), 0);
    ASSERT_EQ(shell(batch("--each" + quotedAll(inputs) + " --jobs 3 --jsonl - > " + shellQuoted(dir / "three"))), 0);
    ASSERT_EQ(shell(batch("--each" + quotedAll(inputs) + " > " + shellQuoted(dir / "all"))), 0);
    EXPECT_EQ(linesOf(slurp(dir / "one")).size(), inputs.size());
    EXPECT_EQ(slurp(dir / "three"), slurp(dir / "one"));
    EXPECT_EQ(slurp(dir / "all"), slurp(dir / "one"));
}

// On a terminal (here the pseudo-terminal of script(1)) standard error shows how far the run has
// come, ending with every series done; elsewhere nothing but the count of failures (above).
TEST(BatchEach, AProgressLineOnlyOnATerminal) {
    if (shell("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "script(1) is not installed";
    TempFolder dir("each-progress");
    std::string inputs;
    for (int k = 0; k < 5; ++k)
        inputs += " " + shellQuoted(fs::path(TENZIO_SOURCE_DIR) / "examples/periclase_cubic_T.dat");
    const std::string command = batch("--each" + inputs + " --jsonl " + shellQuoted(dir / "out.jsonl"));
    ASSERT_EQ(shell("script -qec " + shellQuoted(command) + " /dev/null > " + shellQuoted(dir / "terminal")), 0);
    const std::string shown = slurp(dir / "terminal");
    EXPECT_NE(shown.find("\r5 of 5 series, "), std::string::npos) << shown;
    EXPECT_NE(shown.find(" s left"), std::string::npos) << shown;
    EXPECT_EQ(linesOf(slurp(dir / "out.jsonl")).size(), 5u);
}

TEST(BatchEach, FilesOfOneSeriesAreUsageErrors) {
    TempFolder dir("each-usage");
    const std::string good = shellQuoted(fs::path(TENZIO_SOURCE_DIR) / "examples/periclase_cubic_T.dat");
    for (const char* option : {"--print p.prt", "--csv c.csv", "--plots plots", "--json j.json",
                                      "--fits f.txt", "--data-out d.dat", "--sort"})
        EXPECT_EQ(shell("cd " + shellQuoted(dir.path()) + " && " + batch("--each " + good + " " + std::string(option) + " 2>/dev/null")), 2)
            << option;
    EXPECT_EQ(shell(batch(good + " --jsonl " + shellQuoted(dir / "x.jsonl") + " 2>/dev/null")), 2);
    EXPECT_EQ(shell(batch("--each " + good + " --jobs 0 2>/dev/null")), 2);
    EXPECT_TRUE(fs::is_empty(dir.path()));
    // The lines never go into an input.
    EXPECT_EQ(shell(batch("--each " + good + " --jsonl " + good + " 2>/dev/null")), 1);
}

}  // namespace

END_GCC_RESTRICT_FALSE_POSITIVE
