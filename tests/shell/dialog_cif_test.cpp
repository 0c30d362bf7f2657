// The dialog with CIF input: several files chosen together, read in natural name order and
// counted in the name display; a bad CIF, or a data file among others, shown with its reason; an
// input that cannot be opened or read, with the file and the reason.
#include <gtest/gtest.h>

#include <deque>
#include <map>

#include "../support.hpp"
#include "shell/dialog_controls.hpp"
#include "shell/dialog_logic.hpp"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

class View final : public DialogView {
public:
    void setText(int id, std::string_view t) override { text[id] = std::string(t); }
    void setEnabled(int id, bool e) override { enabled[id] = e; }
    bool isChecked(int id) const override {
        return id == ctl::axis1 || id == ctl::eulerian || id == ctl::finite || id == ctl::incremental;
    }
    void setChecked(int, bool) override {}
    void flush() override {}
    void showDetail(std::string_view t) override { details.emplace_back(t); }
    void setToolTip(int, std::string_view) override {}

    std::map<int, std::string> text;
    std::map<int, bool> enabled;
    std::vector<std::string> details;
};

// Answers with queued selections of one or more files, and keeps each request.
class Chooser final : public FileChooser {
public:
    std::optional<std::string> choose(const FileRequest& request) override {
        const auto files = chooseFiles(request);
        return files ? std::optional<std::string>(files->front()) : std::nullopt;
    }
    std::optional<std::vector<std::string>> chooseFiles(const FileRequest& request) override {
        requests.push_back(request);
        if (answers.empty()) return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::deque<std::optional<std::vector<std::string>>> answers;
    std::vector<FileRequest> requests;
};

std::string cifBlock(const std::string& name, int t, const std::string& beta = "90") {
    return "data_" + name + "\n_cell_length_a " + std::to_string(5 + t / 1000.0) +
           "\n_cell_length_b 6\n_cell_length_c 7\n_cell_angle_alpha 90\n_cell_angle_beta " + beta +
           "\n_cell_angle_gamma 90\n_cell_measurement_temperature " + std::to_string(t) + "\n";
}

class DialogCifTest : public ::testing::Test {
protected:
    DialogCifTest() : dir_("dialog-cif"), saved_(fs::current_path()) { logic.start(); }
    ~DialogCifTest() override { fs::current_path(saved_); }

    fs::path file(const std::string& name, const std::string& text) {
        writeFile(dir_ / name, text);
        return dir_ / name;
    }
    void chooseInput(const std::vector<fs::path>& files) {
        std::vector<std::string> paths;
        for (const auto& f : files) paths.push_back(f.string());
        chooser.answers.push_back(paths);
        logic.press(ctl::inputBrowse);
    }
    void choosePrint() {
        chooser.answers.push_back(std::vector<std::string>{(dir_ / "run.prt").string()});
        logic.press(ctl::printBrowse);
    }
    RunOutcome seriesRun(RunState& s) {
        const ReadResult r = s.reader ? s.reader() : ReadResult{};
        for (const DataPoint& d : r.series.points) temperatures.push_back(d.t);
        reportName = s.inputFileName;
        return RunOutcome::completed;
    }

    TempFolder dir_;
    fs::path saved_;
    RunState state;
    View view;
    Chooser chooser;
    DialogLogic logic{state, view, chooser, [this](RunState& s) { return seriesRun(s); }};
    std::vector<float> temperatures;
    std::string reportName;
};

TEST_F(DialogCifTest, TheInputDialogAllowsSeveralFilesThePrintDialogOne) {
    chooseInput({});
    choosePrint();
    ASSERT_EQ(chooser.requests.size(), 2u);
    EXPECT_TRUE(chooser.requests[0].multiple);
    EXPECT_FALSE(chooser.requests[1].multiple);
}

TEST_F(DialogCifTest, SeveralCifFilesAreReadInNaturalNameOrderAndCounted) {
    const fs::path k1000 = file("T1000K.cif", cifBlock("a", 1000));
    const fs::path k100 = file("T100K.cif", cifBlock("b", 100));
    const fs::path k20 = file("T20K.cif", "# two blocks in one file\n" + cifBlock("c", 20) + cifBlock("d", 50));
    chooseInput({k1000, k20, k100});
    EXPECT_EQ(view.text[ctl::inputName], "3 CIF files, 4 points");
    EXPECT_TRUE(state.fileChosen.input);
    EXPECT_TRUE(view.details.empty());
    choosePrint();
    EXPECT_EQ(view.text[ctl::statusLine], "RUN PROGRAM");
    logic.press(ctl::run);
    EXPECT_EQ(temperatures, (std::vector<float>{20, 50, 100, 1000}));
    EXPECT_EQ(reportName, "T20K.cif AND 2 MORE");
}

TEST_F(DialogCifTest, OneCifFileShowsItsNameAndPointsAndIsOfferedAgainByName) {
    chooseInput({file("series.cif", cifBlock("a", 100) + cifBlock("b", 200))});
    EXPECT_EQ(view.text[ctl::inputName], "series.cif, 2 points");
    chooseInput({file("b.cif", cifBlock("a", 100)), file("a.cif", cifBlock("b", 200))});
    EXPECT_EQ(view.text[ctl::inputName], "2 CIF files, 2 points");
    chooser.answers.push_back(std::nullopt);
    logic.press(ctl::inputBrowse);
    EXPECT_EQ(chooser.requests.back().initialName, "a.cif");  // the first in name order
    EXPECT_TRUE(state.fileChosen.input);                        // a cancel keeps the choice
}

TEST_F(DialogCifTest, ABadCifShowsTheReadErrorAndItsReasonAndKeepsTheEarlierInput) {
    choosePrint();
    chooseInput({file("a.cif", cifBlock("a", 100)), file("b.cif", cifBlock("b", 200, "?"))});
    EXPECT_EQ(view.text[ctl::statusLine], "error reading file");
    ASSERT_EQ(view.details.size(), 1u);
    EXPECT_EQ(view.details[0], "b.cif, data_b (line 1): no value for _cell_angle_beta");
    EXPECT_FALSE(state.fileChosen.input);
    EXPECT_FALSE(view.enabled[ctl::run]);
    EXPECT_FALSE(state.reader);
    // After a good choice, a bad one costs nothing: the good one stays.
    chooseInput({file("c.cif", cifBlock("c", 100)), file("d.cif", cifBlock("d", 200))});
    EXPECT_EQ(view.text[ctl::inputName], "2 CIF files, 2 points");
    chooseInput({file("a.cif", cifBlock("a", 100)), file("b.cif", cifBlock("b", 200, "?"))});
    EXPECT_EQ(view.text[ctl::statusLine], "error reading file");
    EXPECT_EQ(view.text[ctl::inputName], "2 CIF files, 2 points");
    EXPECT_TRUE(state.fileChosen.input);
    ASSERT_TRUE(state.reader);
    EXPECT_EQ(state.reader().series.points.size(), 2u);
}

TEST_F(DialogCifTest, ADataFileAmongOthersIsRefusedWithItsName) {
    const fs::path data =
        file("cells.dat", "LINE1 T A B C ALPHA BETA GAMMA\nDATA\n1 5 6 7 90 90 90\n2 5 6 7 90 90 90\n");
    chooseInput({file("a.cif", cifBlock("a", 100)), data});
    EXPECT_EQ(view.text[ctl::statusLine], "A DATA FILE MUST BE CHOSEN ALONE");
    ASSERT_EQ(view.details.size(), 1u);
    EXPECT_EQ(view.details[0], "cells.dat is a keyword data file: choose it alone, or only CIF files");
    EXPECT_FALSE(state.fileChosen.input);
    // Alone it is the input as before, read by the data file reader.
    chooseInput({data});
    EXPECT_EQ(view.text[ctl::inputName], "cells.dat");
    EXPECT_FALSE(state.reader);
}

TEST_F(DialogCifTest, AReasonFromTheRunIsShownToo) {
    // The file is good when chosen and broken before Run.
    const fs::path cif = file("a.cif", cifBlock("a", 100) + cifBlock("b", 200));
    DialogLogic real(state, view, chooser);
    real.start();
    chooser.answers.push_back(std::vector<std::string>{cif.string()});
    real.press(ctl::inputBrowse);
    chooser.answers.push_back(std::vector<std::string>{(dir_ / "run.prt").string()});
    real.press(ctl::printBrowse);
    writeFile(cif, cifBlock("a", 100));
    real.press(ctl::run);
    EXPECT_EQ(view.text[ctl::statusLine], "error reading file");
    ASSERT_EQ(view.details.size(), 1u);
    EXPECT_EQ(view.details[0], "a.cif, data_a (line 1): the only data block with a cell; a series needs two or more");
    EXPECT_EQ(fs::file_size(dir_ / "run.prt"), 0u);
}

// Mended fault: "ERROR OPENING INPUT DATA FILE" came without its reason.
TEST_F(DialogCifTest, AnInputThatCannotBeOpenedShowsWhy) {
    fs::create_directories(dir_ / "folder.dat");
    const struct {
        fs::path input;
        const char* detail;
    } cases[] = {{dir_ / "missing.dat", "missing.dat: cannot be opened: No such file or directory"},
                 {dir_ / "folder.dat", "folder.dat: cannot be opened: Is a directory"}};
    for (const auto& c : cases) {
        view.details.clear();
        chooseInput({c.input});
        EXPECT_EQ(view.text[ctl::statusLine], "ERROR OPENING INPUT DATA FILE");
        EXPECT_EQ(view.details, std::vector<std::string>{c.detail});
    }
}

// A keyword data file's read error names the file beside its line, as a CIF's does.
TEST_F(DialogCifTest, AKeywordFilesReasonNamesTheFile) {
    const fs::path data = file("cells.dat", "LINE1 T A B C ALPHA BETA GAMMA\nDATA\n1 5 6 7 90 90 90\n2 5 6 x 90 90 90\n");
    DialogLogic real(state, view, chooser);
    real.start();
    chooser.answers.push_back(std::vector<std::string>{data.string()});
    real.press(ctl::inputBrowse);
    chooser.answers.push_back(std::vector<std::string>{(dir_ / "run.prt").string()});
    real.press(ctl::printBrowse);
    real.press(ctl::run);
    EXPECT_EQ(view.text[ctl::statusLine], "error reading file");
    EXPECT_EQ(view.details, std::vector<std::string>{"cells.dat, line 4: \"x\" is not a number"});
}

}  // namespace
