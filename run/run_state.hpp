#pragma once
// The state of the program between the front end and the run driver: what was asked, the chosen
// files and where results and status texts go.
#include <array>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "LIBRARIES/records/record_writer.hpp"
#include "calc/options.hpp"
#include "fit/fit_series.hpp"
#include "input/read_result.hpp"

class RunOutput;

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using InputFile = std::unique_ptr<std::FILE, FileCloser>;

// The two files a run needs, one for each Browse button of the dialog.
enum class FileSlot { input, print };

// Whether each slot's file has been chosen and is open.
struct FileChosen {
    bool input = false;
    bool print = false;
    bool& operator[](FileSlot slot) { return slot == FileSlot::input ? input : print; }
    bool operator[](FileSlot slot) const { return slot == FileSlot::input ? input : print; }
    bool both() const { return input && print; }
};

// Whether the last run stopped at its data: a file that could not be read or a cell that cannot
// be computed with. A front end clears it before each run.
enum class RunError { none, dataRejected };

// What was asked of a run.
struct RunRequest {
    RunOptions options;
    // How the fits over the series are made, for the outputs that want them; their strain measure
    // and axial set are those of options.
    FitOptions fitOptions;
    // The fits on a thread of their own beside the calculations; false: after them, on the run's
    // own thread, for callers that already run many series side by side.
    bool fitsBeside = true;
};

// The files a run reads and writes.
struct ChosenFiles {
    InputFile inputFile;
    RecordFile printFile;
    FileChosen fileChosen;
    std::string inputFileName;        // without folder
    std::string printFileName;        // without folder
    std::string inputPath;            // as chosen
    std::filesystem::path printPath;  // the open print file, absolute (a front end may change folder)
    std::filesystem::path resultFolder;  // where the result files are created; empty: the current folder
    // A print file that the run opens itself (in place of printFile), once the series is read and
    // checked, so that a run that fails before its first record creates none; empty: none.
    std::filesystem::path deferredPrintFile;
    // Reads the series; when empty the keyword data file reader reads inputFile.
    std::function<ReadResult()> reader;
};

// Where a run's results and messages go.
struct RunDestinations {
    // Further outputs of the run beside the print report and the result files (JSON, CSV, ...);
    // owned by the front end.
    std::vector<RunOutput*> extraOutputs;
    // Where status-line texts go (the dialog's status line, or standard error in batch use).
    std::function<void(std::string_view)> statusSink;
    // Where the reason behind a failure goes (a line naming file, line or block), if anywhere.
    std::function<void(std::string_view)> detailSink;
    // The 24-character local date and time; replaceable so that runs can be reproduced.
    std::function<std::string()> clock;
};

// A run between the front end and the run driver: what was asked, which files, where results go,
// and what the front end keeps from run to run.
struct RunState : RunRequest, ChosenFiles, RunDestinations {
    RunError runError = RunError::none;
    int calculationNumber = 0;  // numbers the calculations of the process, 1, 2, 3, ...
};

// Shows a text on the status line: the text up to its first run of five blanks, at most 80 characters.
std::string statusText(std::string_view text);
void showStatus(RunState& state, std::string_view text);
