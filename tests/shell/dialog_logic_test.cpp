// The main dialog's handlers, driven through a fake window and a fake file dialog: every state
// and transition of the dialog, the options handed to the run, the status line, the choice of
// files, and runs with the real calculation on small data files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <ostream>
#include <functional>
#include <string>
#include <vector>

#include "run/process_data.hpp"
#include "shell/dialog_controls.hpp"
#include "shell/dialog_logic.hpp"
#include "../test_names.hpp"

namespace fs = std::filesystem;

// Test names and failure messages name the outcome.
void PrintTo(RunOutcome outcome, std::ostream* os) {
    switch (outcome) {
    case RunOutcome::completed: *os << "completed"; return;
    case RunOutcome::onlyOneDatum: *os << "onlyOneDatum"; return;
    case RunOutcome::readError: *os << "readError"; return;
    case RunOutcome::invalidCell: *os << "invalidCell"; return;
    case RunOutcome::writeError: *os << "writeError"; return;
    case RunOutcome::refused: *os << "refused"; return;
    }
}

namespace {

// The window: remembers every control's text, enabled and checked state, starting as the
// toolkit builds the dialog, and what the status line showed at each flush.
class FakeView final : public DialogView {
public:
    FakeView() {
        for (const DialogControl& c : mainDialogControls()) {
            if (c.id == ctl::none) continue;
            text[c.id] = std::string(c.text);
            enabled[c.id] = !c.disabled;
            checked[c.id] = startsChecked(c);
        }
    }
    void setText(int id, std::string_view t) override {
        text.at(id) = std::string(t);
        if (id == ctl::statusLine) statusTexts.emplace_back(t);
    }
    void setToolTip(int id, std::string_view t) override { toolTip[id] = std::string(t); }
    void setEnabled(int id, bool e) override {
        enabled.at(id) = e;
        enableCalls.emplace_back(id, e);
    }
    bool isChecked(int id) const override { return checked.at(id); }
    void setChecked(int, bool) override { ++setCheckedCalls; }
    void flush() override { flushedStatus.push_back(text.at(ctl::statusLine)); }
    void showDetail(std::string_view t) override { details.emplace_back(t); }

    std::string status() const { return text.at(ctl::statusLine); }
    // The status line at the last flush, or "<never flushed>".
    std::string lastFlushed() const { return flushedStatus.empty() ? "<never flushed>" : flushedStatus.back(); }

    std::map<int, std::string> text;
    std::map<int, std::string> toolTip;
    std::map<int, bool> enabled;
    std::map<int, bool> checked;
    std::vector<std::string> statusTexts;    // every text the status line was given
    std::vector<std::string> flushedStatus;  // the status line at each flush
    std::vector<std::pair<int, bool>> enableCalls;
    std::vector<std::string> details;  // what was shown beside the status line
    int setCheckedCalls = 0;
};

// The open-file dialog: answers with queued paths (or a cancel) and keeps each request.
class FakeChooser final : public FileChooser {
public:
    std::optional<std::string> choose(const FileRequest& request) override {
        requests.push_back(request);
        if (answers.empty()) return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::deque<std::optional<std::string>> answers;
    std::vector<FileRequest> requests;
};

// The rows of the dialog's state table.
struct DialogState {
    const char* name;
    std::string_view status;
    bool run, reset, exit, browse;
};
constexpr DialogState kOpened{"opened", "SELECT FILES", false, true, true, true};
constexpr DialogState kOneFile{"one file chosen", "SELECT FILES", false, true, true, true};
constexpr DialogState kBothFiles{"both files chosen", "RUN PROGRAM", true, true, true, true};
constexpr DialogState kRunning{"running", "PROCESSING DATA", false, false, false, true};
constexpr DialogState kCompleted{"completed", "TENZIO FINISHED SUCCESSFULLY", false, false, true, false};
// Exit stays enabled after a failed run, so that the program can be left.
constexpr DialogState kFailed{"failed", "error reading file", false, false, true, true};

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "_" + info->name();
        for (char& c : name)
            if (c == '/') c = '_';
        folder_ = fs::temp_directory_path() / ("tenzio_shell_" + std::to_string(::getpid()) + "_" + name);
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        savedFolder_ = fs::current_path();
        // The handlers change the current folder; start each test from the same one.
        fs::current_path(folder_);
    }
    void TearDown() override {
        fs::current_path(savedFolder_);
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }

    fs::path makeFile(const fs::path& name, const std::string& content) {
        const fs::path path = folder_ / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    // A user's click: only an enabled button can be clicked.
    Press click(int id) {
        EXPECT_TRUE(view.enabled.at(id)) << "button " << id << " is disabled";
        if (!view.enabled.at(id)) return Press::ignored;
        return logic.press(id);
    }
    void chooseInput(const std::optional<fs::path>& path) {
        chooser.answers.push_back(path ? std::optional<std::string>(path->string()) : std::nullopt);
        click(ctl::inputBrowse);
    }
    void choosePrint(const std::optional<fs::path>& path) {
        chooser.answers.push_back(path ? std::optional<std::string>(path->string()) : std::nullopt);
        click(ctl::printBrowse);
    }
    void chooseBoth() {
        chooseInput(makeFile("data.dat", "DATA\n"));
        choosePrint(folder_ / "report.prt");
    }

    static void expectState(const FakeView& v, const DialogState& s, std::string_view status) {
        SCOPED_TRACE(s.name);
        EXPECT_EQ(v.status(), status);
        EXPECT_EQ(v.enabled.at(ctl::run), s.run);
        EXPECT_EQ(v.enabled.at(ctl::reset), s.reset);
        EXPECT_EQ(v.enabled.at(ctl::exitButton), s.exit);
        EXPECT_EQ(v.enabled.at(ctl::inputBrowse), s.browse);
        EXPECT_EQ(v.enabled.at(ctl::printBrowse), s.browse);
    }
    void expectState(const DialogState& s, std::string_view status) const { expectState(view, s, status); }
    void expectState(const DialogState& s) const { expectState(view, s, s.status); }

    // The run the dialog starts; by default it records what it was handed and completes.
    RunOutcome fakeRun(RunState& s) {
        ++runs;
        optionsSeen = s.options;
        runErrorSeen = s.runError;
        inputPositionSeen = s.inputFile ? std::ftell(s.inputFile.get()) : -1;
        filesOpenSeen = s.inputFile != nullptr && s.printFile.isOpen();
        stateDuringRun = view;
        return outcome;
    }

    fs::path folder_;
    fs::path savedFolder_;

    RunState state;
    FakeView view;
    FakeChooser chooser;
    RunOutcome outcome = RunOutcome::completed;
    std::function<RunOutcome(RunState&)> process = [this](RunState& s) { return fakeRun(s); };
    DialogLogic logic{state, view, chooser, [this](RunState& s) { return process(s); }};

    int runs = 0;
    RunOptions optionsSeen;
    std::optional<RunError> runErrorSeen;
    long inputPositionSeen = -2;
    bool filesOpenSeen = false;
    std::optional<FakeView> stateDuringRun;
};

// ---------------------------------------------------------------------------------------------
// Opening and ending the dialog

TEST_F(DialogTest, StartShowsTheOpenedStateAndClearsRunError) {
    state.runError = RunError::dataRejected;
    logic.start();
    expectState(kOpened);
    EXPECT_EQ(state.runError, RunError::none);
    EXPECT_EQ(view.text.at(ctl::inputName), "No file selected");
    EXPECT_EQ(view.text.at(ctl::printName), "No file selected");
}

TEST_F(DialogTest, StartRoutesWlineToTheStatusLineAndFlushes) {
    logic.start();
    const auto flushes = view.flushedStatus.size();
    showStatus(state, "A MESSAGE");
    EXPECT_EQ(view.status(), "A MESSAGE");
    ASSERT_EQ(view.flushedStatus.size(), flushes + 1);
    EXPECT_EQ(view.lastFlushed(), "A MESSAGE");
}

TEST_F(DialogTest, ExitBeforeAnyChoiceEndsTheDialogAndWritesNothing) {
    logic.start();
    EXPECT_EQ(click(ctl::exitButton), Press::endsDialog);
    EXPECT_TRUE(fs::is_empty(folder_));
    EXPECT_TRUE(chooser.requests.empty());
}

TEST_F(DialogTest, OnlyTheFourHandledButtonsRunHandlers) {
    logic.start();
    EXPECT_EQ(logic.press(ctl::cancelButton), Press::endsDialog);
    EXPECT_EQ(logic.press(ctl::exitButton), Press::endsDialog);
    for (const int id : {ctl::axis1, ctl::eulerian, ctl::incremental, ctl::statusLine, ctl::inputFrame})
        EXPECT_EQ(logic.press(id), Press::ignored) << id;
    EXPECT_EQ(logic.press(ctl::reset), Press::handled);
    chooser.answers.push_back(std::nullopt);
    EXPECT_EQ(logic.press(ctl::inputBrowse), Press::handled);
    chooser.answers.push_back(std::nullopt);
    EXPECT_EQ(logic.press(ctl::printBrowse), Press::handled);
    EXPECT_EQ(chooser.requests.size(), 2u);
}

// The hidden cancel button (Esc, the close box) ends the dialog in every state; Exit whenever
// it is enabled.
TEST_F(DialogTest, CancelEndsTheDialogInEveryState) {
    logic.start();
    EXPECT_EQ(logic.press(ctl::cancelButton), Press::endsDialog);
    chooseInput(makeFile("data.dat", "DATA\n"));
    EXPECT_EQ(logic.press(ctl::cancelButton), Press::endsDialog);
    choosePrint(folder_ / "report.prt");
    EXPECT_EQ(logic.press(ctl::cancelButton), Press::endsDialog);
    outcome = RunOutcome::readError;
    process = [this](RunState& s) {
        s.runError = RunError::dataRejected;
        return fakeRun(s);
    };
    click(ctl::run);
    EXPECT_EQ(logic.press(ctl::cancelButton), Press::endsDialog);
    EXPECT_EQ(click(ctl::exitButton), Press::endsDialog);
    chooseInput(makeFile("data.dat", "DATA\n"));
    process = [this](RunState& s) { return fakeRun(s); };
    outcome = RunOutcome::completed;
    click(ctl::run);
    EXPECT_EQ(logic.press(ctl::cancelButton), Press::endsDialog);
    EXPECT_EQ(click(ctl::exitButton), Press::endsDialog);
}

// ---------------------------------------------------------------------------------------------
// Choosing files

TEST_F(DialogTest, OneFileChosenAsksForTheOther) {
    logic.start();
    chooseInput(makeFile("sub/series.dat", "DATA\n"));
    expectState(kOneFile);
    EXPECT_TRUE(state.fileChosen.input);
    EXPECT_FALSE(state.fileChosen.print);
    EXPECT_EQ(state.inputFileName, "series.dat");
    EXPECT_EQ(view.text.at(ctl::inputName), "series.dat");
    EXPECT_EQ(view.text.at(ctl::printName), "No file selected");
}

TEST_F(DialogTest, PrintFileAloneIsOneFileChosen) {
    logic.start();
    choosePrint(folder_ / "out.prt");
    expectState(kOneFile);
    EXPECT_TRUE(state.fileChosen.print);
    EXPECT_EQ(view.text.at(ctl::printName), "out.prt");
}

TEST_F(DialogTest, BothFilesChosenEnableRun) {
    logic.start();
    chooseInput(makeFile("data.dat", "DATA\n"));
    choosePrint(folder_ / "report.prt");
    expectState(kBothFiles);
    EXPECT_TRUE(state.inputFile != nullptr);
    EXPECT_TRUE(state.printFile.isOpen());
}

TEST_F(DialogTest, TheFileDialogsAreAskedForTheirTitlesFiltersAndRules) {
    logic.start();
    chooseInput(std::nullopt);
    choosePrint(std::nullopt);
    ASSERT_EQ(chooser.requests.size(), 2u);

    const FileRequest& in = chooser.requests[0];
    EXPECT_EQ(in.title, "Open Input Data File");
    ASSERT_EQ(in.filters.size(), 2u);
    EXPECT_EQ(in.filters[0].label, "Data and CIF files");
    EXPECT_EQ(in.filters[0].pattern, "*.dat *.cif");
    EXPECT_EQ(in.filters[1].label, "All Files");
    EXPECT_EQ(in.filters[1].pattern, "*.*");
    EXPECT_EQ(in.initialFilter, 0);
    EXPECT_EQ(in.defaultExtension, "exp");
    EXPECT_TRUE(in.mustExist);
    EXPECT_TRUE(in.readOnly);
    EXPECT_FALSE(in.refuseReadOnly);
    EXPECT_EQ(in.initialName, "");

    const FileRequest& pr = chooser.requests[1];
    EXPECT_EQ(pr.title, "Open Print File");
    ASSERT_EQ(pr.filters.size(), 3u);
    EXPECT_EQ(pr.filters[0].label, "All Files");
    EXPECT_EQ(pr.filters[0].pattern, "*.*");
    EXPECT_EQ(pr.filters[1].label, "Print");
    EXPECT_EQ(pr.filters[1].pattern, "*.prt");
    EXPECT_EQ(pr.filters[2].label, "Log");
    EXPECT_EQ(pr.filters[2].pattern, "*.log");
    EXPECT_EQ(pr.initialFilter, 1);
    EXPECT_EQ(pr.defaultExtension, "exp");
    EXPECT_FALSE(pr.mustExist);
    EXPECT_FALSE(pr.readOnly);
    EXPECT_TRUE(pr.refuseReadOnly);
}

TEST_F(DialogTest, TheDialogOffersTheCurrentNameOrTheLastAnswer) {
    logic.start();
    const fs::path data = makeFile("a/first.dat", "DATA\n");
    chooseInput(data);
    click(ctl::reset);
    chooseInput(std::nullopt);
    // Without a file chosen, the buffer keeps what the dialog returned last.
    EXPECT_EQ(chooser.requests.back().initialName, data.string());
    chooseInput(data);
    chooseInput(std::nullopt);
    // With a file chosen it offers that file's name.
    EXPECT_EQ(chooser.requests.back().initialName, "first.dat");
    // The other handler has its own buffer.
    choosePrint(std::nullopt);
    EXPECT_EQ(chooser.requests.back().initialName, "");
}

TEST_F(DialogTest, ANewPrintFileIsCreatedAndAnOldOneIsAppendedTo) {
    logic.start();
    const fs::path fresh = folder_ / "new.prt";
    choosePrint(fresh);
    EXPECT_TRUE(fs::exists(fresh));
    const fs::path old = makeFile("old.prt", "earlier report\r\n");
    choosePrint(old);
    state.printFile.record(" more");
    state.printFile.close();
    EXPECT_EQ(readAll(old), "earlier report\r\nmore\r\n");
}

TEST_F(DialogTest, ABackslashIsPartOfTheNameShown) {
    logic.start();
    // On this system a backslash is an ordinary character of a file name, not a folder separator.
    const fs::path path = makeFile("dir\\sub\\cells.dat", "DATA\n");
    chooseInput(path);
    EXPECT_EQ(view.text.at(ctl::inputName), "dir\\sub\\cells.dat");
    EXPECT_EQ(state.inputFileName, "dir\\sub\\cells.dat");
}

TEST_F(DialogTest, TheFullPathOfAChosenFileIsItsNamesToolTip) {
    logic.start();
    const fs::path data = makeFile("in/data.dat", "DATA\n");
    chooseInput(data);
    choosePrint(folder_ / "report.prt");
    EXPECT_EQ(view.toolTip.at(ctl::inputName), data.string());
    EXPECT_EQ(view.toolTip.at(ctl::printName), (folder_ / "report.prt").string());
    click(ctl::reset);
    EXPECT_EQ(view.toolTip.at(ctl::inputName), "");
    EXPECT_EQ(view.toolTip.at(ctl::printName), "");
}

TEST_F(DialogTest, TheResultFilesGoBesideTheFileChosenLast) {
    logic.start();
    state.resultFolder = "/somewhere/else";
    const fs::path before = fs::current_path();
    chooseInput(makeFile("in/data.dat", "DATA\n"));
    EXPECT_EQ(fs::canonical(state.resultFolder), fs::canonical(folder_ / "in"));
    choosePrint(folder_ / "out" / "report.prt");  // the folder does not exist: the open fails
    EXPECT_EQ(fs::canonical(state.resultFolder), fs::canonical(folder_ / "in"));
    fs::create_directories(folder_ / "out");
    choosePrint(folder_ / "out" / "report.prt");
    EXPECT_EQ(fs::canonical(state.resultFolder), fs::canonical(folder_ / "out"));
    EXPECT_EQ(fs::current_path(), before);  // the process's folder is left alone
}

TEST_F(DialogTest, ChoosingTheSameInputAgainReopensItFromTheStart) {
    logic.start();
    const fs::path data = makeFile("data.dat", "TITLE x\nDATA\n");
    chooseInput(data);
    std::FILE* first = state.inputFile.get();
    std::fgetc(first);
    std::fgetc(first);
    chooseInput(data);
    ASSERT_NE(state.inputFile, nullptr);
    EXPECT_EQ(std::ftell(state.inputFile.get()), 0);
    EXPECT_TRUE(state.fileChosen.input);
}

// ---------------------------------------------------------------------------------------------
// Failed opens, cancels and paths that do not fit

// Mended fault: a failed choice used to forget the earlier file, and checkRunnable replaced its
// message at once. It now costs nothing, like a cancel, and its message stays.
struct FailedChoice {
    const char* name;
    int browse;
    const char* message;
};

void PrintTo(const FailedChoice& c, std::ostream* os) { *os << c.name; }

class FailedChoiceTest : public DialogTest, public ::testing::WithParamInterface<FailedChoice> {};

TEST_P(FailedChoiceTest, KeepsTheEarlierFile) {
    const FailedChoice& c = GetParam();
    logic.start();
    chooseBoth();
    const std::string before = readAll(folder_ / "report.prt");
    fs::create_directories(folder_ / "a_folder");
    const fs::path bad = c.browse == ctl::inputBrowse ? folder_ / "missing.dat" : folder_ / "a_folder";
    const auto entries = std::distance(fs::directory_iterator(folder_), fs::directory_iterator());
    if (c.browse == ctl::inputBrowse) chooseInput(bad);
    else choosePrint(bad);
    expectState(kBothFiles, c.message);
    EXPECT_EQ(view.lastFlushed(), c.message);
    EXPECT_TRUE(state.fileChosen.input);
    EXPECT_TRUE(state.fileChosen.print);
    EXPECT_NE(state.inputFile, nullptr);
    EXPECT_TRUE(state.printFile.isOpen());
    EXPECT_EQ(view.text.at(ctl::inputName), "data.dat");
    EXPECT_EQ(view.text.at(ctl::printName), "report.prt");
    EXPECT_EQ(fs::canonical(state.resultFolder), fs::canonical(folder_));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), entries);
    // The run goes on with the earlier files.
    click(ctl::run);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(filesOpenSeen);
    EXPECT_EQ(readAll(folder_ / "report.prt"), before);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, FailedChoiceTest,
    ::testing::Values(FailedChoice{"InputThatCannotBeOpened", ctl::inputBrowse, "ERROR OPENING INPUT DATA FILE"},
                      FailedChoice{"PrintFileThatCannotBeOpened", ctl::printBrowse, "ERROR OPENING PRINT FILE"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(DialogTest, AFailedFirstChoiceLeavesTheRoleEmpty) {
    logic.start();
    choosePrint(folder_ / "no folder" / "report.prt");
    expectState(kOpened, "ERROR OPENING PRINT FILE");
    EXPECT_FALSE(state.fileChosen.print);
    EXPECT_EQ(view.text.at(ctl::printName), "No file selected");
}

// The data file chosen as the print file, or as a result file, would receive the report.
enum class OtherName { none, symbolicLink, hardLink };

struct SameFileChoice {
    const char* name;
    const char* input;    // the data file, in the folder "data"
    OtherName otherName;  // data/link.prt names it too
    const char* print;    // the print file, relative to the test folder
    bool printFirst;      // the print file is chosen first; otherwise the data file
    const char* message;
};

void PrintTo(const SameFileChoice& c, std::ostream* os) { *os << c.name; }

class SameFileChoiceTest : public DialogTest, public ::testing::WithParamInterface<SameFileChoice> {};

TEST_P(SameFileChoiceTest, IsRefusedBeforeOpening) {
    const SameFileChoice& c = GetParam();
    logic.start();
    const std::string content = "LINE1 T A B C\nDATA\n10 5 6 7\n20 5.1 6.1 7.1\n";
    const fs::path data = makeFile(fs::path("data") / c.input, content);
    if (c.otherName == OtherName::symbolicLink) fs::create_symlink(data, folder_ / "data" / "link.prt");
    if (c.otherName == OtherName::hardLink) fs::create_hard_link(data, folder_ / "data" / "link.prt");
    const auto filesIn = [](const fs::path& folder) {
        return std::distance(fs::directory_iterator(folder), fs::directory_iterator());
    };
    if (c.printFirst) {
        choosePrint(folder_ / c.print);
        const auto files = filesIn(folder_ / "data");
        chooseInput(data);
        EXPECT_EQ(filesIn(folder_ / "data"), files);
        EXPECT_FALSE(state.fileChosen.input);
        EXPECT_EQ(view.text.at(ctl::inputName), "No file selected");
    } else {
        chooseInput(data);
        choosePrint(folder_ / "earlier.prt");
        const auto files = filesIn(folder_ / "data");
        choosePrint(folder_ / c.print);
        EXPECT_EQ(filesIn(folder_ / "data"), files);
        // The earlier choice stands.
        EXPECT_EQ(state.printFileName, "earlier.prt");
        EXPECT_EQ(view.text.at(ctl::printName), "earlier.prt");
        EXPECT_TRUE(view.enabled.at(ctl::run));
    }
    EXPECT_EQ(view.status(), c.message);
    EXPECT_EQ(view.lastFlushed(), c.message);
    EXPECT_EQ(readAll(data), content);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, SameFileChoiceTest,
    ::testing::Values(
        SameFileChoice{"PrintIsTheDataFile", "d.dat", OtherName::none, "data/d.dat", false, "PRINT FILE IS THE INPUT FILE"},
        SameFileChoice{"PrintIsASymbolicLink", "d.dat", OtherName::symbolicLink, "data/link.prt", false,
                       "PRINT FILE IS THE INPUT FILE"},
        SameFileChoice{"PrintIsAHardLink", "d.dat", OtherName::hardLink, "data/link.prt", false,
                       "PRINT FILE IS THE INPUT FILE"},
        SameFileChoice{"DataFileAfterItsPrintFile", "d.dat", OtherName::none, "data/d.dat", true,
                       "PRINT FILE IS THE INPUT FILE"},
        SameFileChoice{"ResultFileIsTheDataFile", "run_tensor.cal", OtherName::none, "data/run.prt", false,
                       "RESULT FILE IS THE INPUT FILE"},
        // The file chosen last decides the folder of the result files.
        SameFileChoice{"ResultFileAfterTheDataFile", "run_prin.cal", OtherName::none, "run.prt", true,
                       "RESULT FILE IS THE INPUT FILE"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(DialogTest, CancelWithoutAFileChangesNothing) {
    logic.start();
    const auto statusTexts = view.statusTexts.size();
    const auto enableCalls = view.enableCalls.size();
    chooseInput(std::nullopt);
    choosePrint(std::nullopt);
    expectState(kOpened);
    EXPECT_EQ(view.statusTexts.size(), statusTexts);
    EXPECT_EQ(view.enableCalls.size(), enableCalls);
}

// Mended fault: a cancel used to close the earlier file but leave Run enabled.
TEST_F(DialogTest, CancelKeepsTheEarlierFileOpenAndRunStillWorks) {
    logic.start();
    chooseBoth();
    chooseInput(std::nullopt);
    choosePrint(std::nullopt);
    expectState(kBothFiles);
    EXPECT_TRUE(state.fileChosen.input);
    EXPECT_TRUE(state.fileChosen.print);
    EXPECT_NE(state.inputFile, nullptr);
    EXPECT_TRUE(state.printFile.isOpen());
    EXPECT_EQ(view.text.at(ctl::inputName), "data.dat");
    EXPECT_EQ(view.text.at(ctl::printName), "report.prt");
    click(ctl::run);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(filesOpenSeen);
}

// The name buffer holds 511 characters and its NUL: a longer path is refused, never cut.
TEST_F(DialogTest, APathLongerThanTheNameBufferIsRefused) {
    logic.start();
    chooseBoth();
    // An existing file whose full path is longer than the buffer.
    fs::path longPath = folder_;
    while (longPath.string().size() <= kLongestPath) longPath /= std::string(200, 'd');
    const fs::path longFile = makeFile(fs::relative(longPath / "long.dat", folder_), "DATA\n");
    ASSERT_TRUE(fs::exists(longFile));
    chooseInput(longFile);
    EXPECT_EQ(view.lastFlushed(), "FILE PATH TOO LONG (AT MOST 511 CHARACTERS)");
    EXPECT_EQ(view.status(), "FILE PATH TOO LONG (AT MOST 511 CHARACTERS)");
    // The earlier choice stands.
    EXPECT_EQ(state.inputFileName, "data.dat");
    EXPECT_EQ(view.text.at(ctl::inputName), "data.dat");
    EXPECT_TRUE(view.enabled.at(ctl::run));
    EXPECT_EQ(fs::canonical(state.resultFolder), fs::canonical(folder_));
}

TEST_F(DialogTest, APathOfExactly511CharactersIsAccepted) {
    logic.start();
    fs::path folder = folder_;
    while (folder.string().size() + 1 + 200 < kLongestPath - 20) folder /= std::string(200, 'e');
    const std::size_t nameLength = kLongestPath - folder.string().size() - 1;
    const fs::path file = folder / std::string(nameLength, 'f');
    ASSERT_EQ(file.string().size(), kLongestPath);
    makeFile(fs::relative(file, folder_), "DATA\n");
    chooseInput(file);
    EXPECT_TRUE(state.fileChosen.input);
    EXPECT_EQ(state.inputFileName, std::string(nameLength, 'f'));
}

TEST_F(DialogTest, PathLengthCountsCharactersNotBytes) {
    logic.start();
    // 240 two-byte characters in the folder names: more than 511 bytes, fewer than 511 characters.
    std::string name;
    for (int i = 0; i < 120; ++i) name += "\xC3\xA9";  // é
    fs::path folder = folder_ / fs::path(name) / fs::path(name);
    const fs::path file = folder / "x.dat";
    ASSERT_GT(file.string().size(), kLongestPath);
    makeFile(fs::relative(file, folder_), "DATA\n");
    chooseInput(file);
    EXPECT_TRUE(state.fileChosen.input);
    EXPECT_EQ(view.text.at(ctl::inputName), "x.dat");
}

// ---------------------------------------------------------------------------------------------
// Reset

TEST_F(DialogTest, ResetForgetsBothChoicesButKeepsTheFilesOpen) {
    logic.start();
    chooseBoth();
    click(ctl::reset);
    expectState(kOpened);
    EXPECT_FALSE(state.fileChosen.input);
    EXPECT_FALSE(state.fileChosen.print);
    EXPECT_EQ(state.inputFileName, "");
    EXPECT_EQ(state.printFileName, "");
    EXPECT_EQ(view.text.at(ctl::inputName), "No file selected");
    EXPECT_EQ(view.text.at(ctl::printName), "No file selected");
    EXPECT_NE(state.inputFile, nullptr);
    EXPECT_TRUE(state.printFile.isOpen());
}

TEST_F(DialogTest, ResetLeavesResetAndExitAsTheyWere) {
    logic.start();
    chooseBoth();
    view.enableCalls.clear();
    logic.resetFiles();
    for (const auto& [id, on] : view.enableCalls) {
        EXPECT_NE(id, ctl::reset);
        EXPECT_NE(id, ctl::exitButton);
    }
    EXPECT_FALSE(view.enabled.at(ctl::run));
}

TEST_F(DialogTest, AfterResetBothFilesMustBeChosenAgain) {
    logic.start();
    chooseBoth();
    click(ctl::reset);
    choosePrint(folder_ / "report2.prt");
    expectState(kOneFile);
    chooseInput(makeFile("data2.dat", "DATA\n"));
    expectState(kBothFiles);
}

// ---------------------------------------------------------------------------------------------
// A run

TEST_F(DialogTest, RunShowsTheRunningStateBeforeTheRunStarts) {
    logic.start();
    chooseBoth();
    click(ctl::run);
    ASSERT_TRUE(stateDuringRun.has_value());
    expectState(*stateDuringRun, kRunning, kRunning.status);
    // It was pushed to the screen before the run began.
    EXPECT_EQ(stateDuringRun->lastFlushed(), "PROCESSING DATA");
}

TEST_F(DialogTest, ACompletedRunLeavesOnlyExitAndClosesBothFiles) {
    logic.start();
    chooseBoth();
    click(ctl::run);
    EXPECT_EQ(runs, 1);
    expectState(kCompleted);
    EXPECT_EQ(view.lastFlushed(), "TENZIO FINISHED SUCCESSFULLY");
    EXPECT_EQ(state.inputFile, nullptr);
    EXPECT_FALSE(state.printFile.isOpen());
    EXPECT_EQ(click(ctl::exitButton), Press::endsDialog);
}

TEST_F(DialogTest, TheRunGetsDefaultOptionsWhenNothingWasChanged) {
    logic.start();
    chooseBoth();
    click(ctl::run);
    EXPECT_EQ(static_cast<int>(optionsSeen.axisConvention), 1);
    EXPECT_EQ(static_cast<int>(optionsSeen.strainType), 1);  // finite Eulerian
    EXPECT_TRUE(optionsSeen.incremental);
}

TEST_F(DialogTest, TheOptionControlsAreOnlyReadNeverSet) {
    logic.start();
    chooseBoth();
    view.checked[ctl::axis1] = false;
    view.checked[ctl::axis3] = true;
    click(ctl::run);
    EXPECT_EQ(view.setCheckedCalls, 0);
    EXPECT_TRUE(view.checked.at(ctl::axis3));
}

// A file chosen again after a failed run may have been read part way; the run rereads it.
TEST_F(DialogTest, EveryRunReadsTheDataFileFromItsStart) {
    logic.start();
    chooseBoth();
    std::fgetc(state.inputFile.get());
    click(ctl::run);
    EXPECT_EQ(inputPositionSeen, 0);
}

TEST_F(DialogTest, RunDoesNothingWithoutBothFilesOpen) {
    logic.start();
    chooseBoth();
    click(ctl::run);
    ASSERT_EQ(runs, 1);
    // After a completed run the files are closed; a stray call must not start another run.
    logic.runProgram();
    EXPECT_EQ(runs, 1);
    expectState(kCompleted);
}

TEST_F(DialogTest, AReportThatCannotBeWrittenOutIsReported) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    logic.start();
    chooseInput(makeFile("data.dat", "DATA\n"));
    choosePrint("/dev/full");
    process = [this](RunState& s) {
        s.printFile.record(" a line that the device refuses");
        return fakeRun(s);
    };
    click(ctl::run);
    EXPECT_EQ(view.status(), "ERROR WRITING PRINT FILE");
    EXPECT_FALSE(view.enabled.at(ctl::run));
    EXPECT_TRUE(view.enabled.at(ctl::exitButton));
}

// The option controls map to the run's options: strainType 1 finite Eulerian, 2 infinitesimal
// Eulerian, 3 finite Lagrangian, 4 infinitesimal Lagrangian.
struct OptionCase {
    int axisRadio;
    bool eulerian;
    bool infinitesimal;
    bool incremental;
    int axisConvention;
    int strainType;
};

void PrintTo(const OptionCase& c, std::ostream* os) {
    *os << "axes" << c.axisConvention << (c.infinitesimal ? " infinitesimal" : " finite")
        << (c.eulerian ? " Eulerian" : " Lagrangian") << (c.incremental ? " incremental" : " first");
}

class ChosenOptions : public DialogTest, public ::testing::WithParamInterface<OptionCase> {};

TEST_P(ChosenOptions, FromControls) {
    const OptionCase& c = GetParam();
    logic.start();
    chooseBoth();
    // The user sets the controls as the toolkit's groups allow: one of each group.
    for (const int id : {ctl::axis1, ctl::axis2, ctl::axis3}) view.checked[id] = id == c.axisRadio;
    view.checked[ctl::eulerian] = c.eulerian;
    view.checked[ctl::lagrangian] = !c.eulerian;
    view.checked[ctl::finite] = !c.infinitesimal;
    view.checked[ctl::infinitesimal] = c.infinitesimal;
    view.checked[ctl::incremental] = c.incremental;
    click(ctl::run);
    ASSERT_EQ(runs, 1);
    EXPECT_EQ(static_cast<int>(optionsSeen.axisConvention), c.axisConvention);
    EXPECT_EQ(static_cast<int>(optionsSeen.strainType), c.strainType);
    EXPECT_EQ(optionsSeen.incremental, c.incremental);
    EXPECT_EQ(static_cast<int>(state.options.strainType), c.strainType);
}

INSTANTIATE_TEST_SUITE_P(
    Run, ChosenOptions,
    ::testing::Values(OptionCase{ctl::axis1, true, false, true, 1, 1},
                      OptionCase{ctl::axis1, true, true, true, 1, 2},
                      OptionCase{ctl::axis1, false, false, true, 1, 3},
                      OptionCase{ctl::axis1, false, true, true, 1, 4},
                      OptionCase{ctl::axis2, true, false, false, 2, 1},
                      OptionCase{ctl::axis2, true, true, false, 2, 2},
                      OptionCase{ctl::axis2, false, false, false, 2, 3},
                      OptionCase{ctl::axis2, false, true, false, 2, 4},
                      OptionCase{ctl::axis3, true, false, true, 3, 1},
                      OptionCase{ctl::axis3, true, true, false, 3, 2},
                      OptionCase{ctl::axis3, false, false, true, 3, 3},
                      OptionCase{ctl::axis3, false, true, false, 3, 4}),
    testing_support::PrintedName());

// ---------------------------------------------------------------------------------------------
// Failed runs and the mended faults

class FailedRunTest : public DialogTest, public ::testing::WithParamInterface<RunOutcome> {};

TEST_P(FailedRunTest, KeepsItsMessageLeavesBrowseAndExit) {
    logic.start();
    chooseBoth();
    outcome = GetParam();
    process = [this](RunState& s) {
        // Only a read error or an invalid cell sets runError.
        if (outcome == RunOutcome::readError || outcome == RunOutcome::invalidCell) s.runError = RunError::dataRejected;
        showStatus(s, "error reading file");
        return fakeRun(s);
    };
    click(ctl::run);
    expectState(kFailed);
    // The files stay open, so the user may choose only one of them again.
    EXPECT_NE(state.inputFile, nullptr);
    EXPECT_TRUE(state.printFile.isOpen());
}

INSTANTIATE_TEST_SUITE_P(Outcomes, FailedRunTest,
                         ::testing::Values(RunOutcome::readError, RunOutcome::invalidCell,
                                           RunOutcome::writeError, RunOutcome::refused),
                         testing_support::PrintedName());

// Mended fault: runError used to stay set after a failed run, so that a new run did nothing
// and the dialog stayed at "PROCESSING DATA" with every button but Browse disabled.
TEST_F(DialogTest, ARunAfterAFailedRunStartsCleanAndCompletes) {
    logic.start();
    chooseBoth();
    process = [this](RunState& s) {
        s.runError = RunError::dataRejected;
        showStatus(s, "error reading file");
        return fakeRun(s);
    };
    outcome = RunOutcome::readError;
    click(ctl::run);
    expectState(kFailed);
    EXPECT_EQ(state.runError, RunError::dataRejected);
    // Exit is enabled in the failed state.
    EXPECT_TRUE(view.enabled.at(ctl::exitButton));

    chooseInput(makeFile("good.dat", "DATA\n"));
    expectState(kBothFiles);
    process = [this](RunState& s) { return fakeRun(s); };
    outcome = RunOutcome::completed;
    click(ctl::run);
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(runErrorSeen, RunError::none);
    expectState(kCompleted);
}

// Mended fault: the message used to be replaced at once by the completion message.
TEST_F(DialogTest, OnlyOneDatumKeepsItsMessageAndEndsLikeACompletedRun) {
    logic.start();
    chooseBoth();
    process = [this](RunState& s) {
        showStatus(s, "ONLY ONE DATUM IN INPUT FILE");
        return fakeRun(s);
    };
    outcome = RunOutcome::onlyOneDatum;
    click(ctl::run);
    expectState(kCompleted, "ONLY ONE DATUM IN INPUT FILE");
    for (const std::string& shown : view.statusTexts) EXPECT_NE(shown, "TENZIO FINISHED SUCCESSFULLY");
    EXPECT_EQ(state.inputFile, nullptr);
    EXPECT_FALSE(state.printFile.isOpen());
}

// ---------------------------------------------------------------------------------------------
// The status line

struct StatusCase {
    const char* name;
    std::string text;
    std::string shown;
};

void PrintTo(const StatusCase& c, std::ostream* os) { *os << c.name; }

class StatusLineTest : public DialogTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(StatusLineTest, WlineCutsAtFiveBlanksOr80) {
    logic.start();
    showStatus(state, GetParam().text);
    EXPECT_EQ(view.status(), GetParam().shown);
    EXPECT_EQ(view.lastFlushed(), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StatusLineTest,
    ::testing::Values(
        StatusCase{"plain", "SELECT FILES", "SELECT FILES"},
        StatusCase{"trailing blanks", "error reading file" + std::string(62, ' '), "error reading file"},
        StatusCase{"five blanks end it", "A     B", "A"},
        StatusCase{"four blanks do not", "A    B", "A    B"},
        StatusCase{"leading five blanks", "     LEADING", ""},
        StatusCase{"cut at 80", std::string(100, 'X'), std::string(80, 'X')},
        StatusCase{"cut at 80 inside four blanks", std::string(78, 'Y') + "    Z", std::string(78, 'Y') + "  "},
        StatusCase{"empty", "", ""}),
    testing_support::PrintedName());

// ---------------------------------------------------------------------------------------------
// Runs with the real calculation

class RealRunTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        process = runSeries;
        logic.start();
    }
    static std::string series() {
        return readAll(fs::path(TENZIO_SOURCE_DIR) / "examples" / "phenylpiracetam_triclinic_T.dat");
    }
};

TEST_F(RealRunTest, ACompletedRunWritesTheReportAndTheResultFilesBesideThePrintFile) {
    const std::string data = series();
    ASSERT_FALSE(data.empty());
    chooseInput(makeFile("in/series.dat", data));
    fs::create_directories(folder_ / "out");
    choosePrint(folder_ / "out" / "run.prt");
    click(ctl::run);
    expectState(kCompleted);
    EXPECT_GT(fs::file_size(folder_ / "out" / "run.prt"), 0u);
    for (const char* name : {"run_strain.cal", "run_tensor.cal", "run_prin.cal"})
        EXPECT_TRUE(fs::exists(folder_ / "out" / name)) << name;
    EXPECT_FALSE(fs::exists(folder_ / "in" / "run_strain.cal"));
}

TEST_F(RealRunTest, AReadErrorFailsAndANewRunWithAGoodFileCompletes) {
    chooseInput(makeFile("bad.dat", "LINE1 T A B C\nDATA\n10 5.0 6.0 seven\n20 5.1 6.1 7.1\n"));
    choosePrint(folder_ / "run.prt");
    click(ctl::run);
    expectState(kFailed);
    EXPECT_EQ(state.runError, RunError::dataRejected);
    EXPECT_EQ(fs::file_size(folder_ / "run.prt"), 0u);

    chooseInput(makeFile("good.dat", series()));
    click(ctl::run);
    expectState(kCompleted);
    EXPECT_GT(fs::file_size(folder_ / "run.prt"), 0u);
}

// A word of a UNITS line that is no unit is shown beside the status line; the run goes on.
TEST_F(RealRunTest, AnUnknownUnitIsShownAsADetailAndTheRunCompletes) {
    chooseInput(makeFile("units.dat", "UNITS T Rankine\nLINE1 T A B C ALPHA BETA GAMMA\nDATA\n"
                                      "10 5.0 6.0 7.0 90 90 90\n20 5.01 6.0 7.0 90 90 90\n"));
    choosePrint(folder_ / "run.prt");
    click(ctl::run);
    expectState(kCompleted);
    EXPECT_EQ(view.details, (std::vector<std::string>{"units.dat, line 1: UNITS: \"Rankine\" is no known unit of T; kept as its label"}));
}

TEST_F(RealRunTest, OneDatumShowsItsMessage) {
    chooseInput(makeFile("one.dat", "LINE1 T A B C ALPHA BETA GAMMA\nDATA\n10 5.0 6.0 7.0 90 90 90\n"));
    choosePrint(folder_ / "run.prt");
    click(ctl::run);
    expectState(kCompleted, "ONLY ONE DATUM IN INPUT FILE");
    EXPECT_EQ(fs::file_size(folder_ / "run.prt"), 0u);
    EXPECT_FALSE(fs::exists(folder_ / "run_strain.cal"));
}

TEST_F(RealRunTest, TheFolderOfTheResultFilesIsShownBesideTheStatusLine) {
    fs::create_directories(folder_ / "out");
    chooseInput(makeFile("in/series.dat", series()));
    choosePrint(folder_ / "out" / "run.prt");
    const std::string out = fs::canonical(folder_ / "out").string();
    EXPECT_EQ(view.text.at(ctl::resultFolder), "Result files will go to " + out);
    click(ctl::run);
    expectState(kCompleted);
    EXPECT_EQ(view.text.at(ctl::resultFolder), "Result files written to " + out);
    EXPECT_EQ(view.toolTip.at(ctl::resultFolder), out);
    EXPECT_TRUE(fs::exists(folder_ / "out" / "run_strain.cal"));
}

// The result files land beside the file chosen last, and the dialog says where.
TEST_F(RealRunTest, ResultFilesGoBesideTheFileChosenLast) {
    fs::create_directories(folder_ / "out");
    choosePrint(folder_ / "out" / "run.prt");
    chooseInput(makeFile("in/series.dat", series()));
    const std::string in = fs::canonical(folder_ / "in").string();
    EXPECT_EQ(view.text.at(ctl::resultFolder), "Result files will go to " + in);
    click(ctl::run);
    EXPECT_EQ(view.text.at(ctl::resultFolder), "Result files written to " + in);
    EXPECT_TRUE(fs::exists(folder_ / "in" / "run_strain.cal"));
    EXPECT_FALSE(fs::exists(folder_ / "out" / "run_strain.cal"));
}

TEST_F(RealRunTest, ResetForgetsTheFolderOfTheResultFiles) {
    chooseBoth();
    EXPECT_NE(view.text.at(ctl::resultFolder), "");
    click(ctl::reset);
    EXPECT_EQ(view.text.at(ctl::resultFolder), "");
    EXPECT_EQ(view.toolTip.at(ctl::resultFolder), "");
}

TEST_F(RealRunTest, APrintFileInUseByAnotherRunFailsTheRunAndWritesNothing) {
    chooseInput(makeFile("series.dat", series()));
    choosePrint(folder_ / "run.prt");
    // Another run holds the print file.
    const int other = ::open((folder_ / "run.prt").c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    click(ctl::run);
    ::close(other);
    expectState(kFailed, "PRINT FILE IN USE BY ANOTHER RUN");
    EXPECT_EQ(fs::file_size(folder_ / "run.prt"), 0u);
    EXPECT_FALSE(fs::exists(folder_ / "run_strain.cal"));
    // Once the other run has ended, choosing the file again allows the run.
    choosePrint(folder_ / "run.prt");
    click(ctl::run);
    expectState(kCompleted);
    EXPECT_GT(fs::file_size(folder_ / "run.prt"), 0u);
}

}  // namespace
