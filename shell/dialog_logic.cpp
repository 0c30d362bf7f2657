#include "shell/dialog_logic.hpp"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "LIBRARIES/text/text.hpp"
#include "run/input_choice.hpp"
#include "run/read_series.hpp"
#include "run/run_files.hpp"
#include "shell/dialog_controls.hpp"

namespace {

// What differs between the two file handlers.
struct FileRole {
    int nameDisplay;  // the label that shows the chosen name
    std::string_view failMessage;
    bool (*open)(RunState&, const std::filesystem::path&);
    FileRequest request;
};

const FileRole& fileRole(FileSlot slot) {
    static const FileRole roles[2]{
        {.nameDisplay = ctl::inputName,
         .failMessage = status::inputOpenFailed,
         .open = openInputFile,
         .request = {.title = "Open Input Data File",
                     .filters = {{"Data and CIF files", "*.dat *.cif"}, {"All Files", "*.*"}},
                     .initialFilter = 0,
                     .defaultExtension = "exp",
                     .initialName = {},
                     .mustExist = true,
                     .readOnly = true,
                     .refuseReadOnly = false,
                     .multiple = true}},
        {.nameDisplay = ctl::printName,
         .failMessage = status::printOpenFailed,
         .open = openPrintFile,
         .request = {.title = "Open Print File",
                     .filters = {{"All Files", "*.*"}, {"Print", "*.prt"}, {"Log", "*.log"}},
                     .initialFilter = 1,
                     .defaultExtension = "exp",
                     .initialName = {},
                     .mustExist = false,
                     .readOnly = false,
                     .refuseReadOnly = true,
                     .multiple = false}},
    };
    return roles[slot == FileSlot::input ? 0 : 1];
}


}  // namespace

DialogLogic::DialogLogic(RunState& state, DialogView& view, FileChooser& chooser, Process process)
    : state_(state), view_(view), chooser_(chooser), process_(std::move(process)) {}

DialogLogic::~DialogLogic() {
    // The sinks refer to this object; the state may outlive it.
    state_.statusSink = nullptr;
    state_.detailSink = nullptr;
}

void DialogLogic::start() {
    state_.runError = RunError::none;
    state_.statusSink = [this](std::string_view text) {
        view_.setText(ctl::statusLine, text);
        view_.flush();
    };
    // Why a read failed (file, line or block) is shown beside the status line's message.
    state_.detailSink = [this](std::string_view text) { view_.showDetail(text); };
    setStatus(status::selectFiles);
}

Press DialogLogic::press(int id) {
    switch (id) {
    case ctl::inputBrowse: chooseInputFile(); return Press::handled;
    case ctl::printBrowse: choosePrintFile(); return Press::handled;
    case ctl::run: runProgram(); return Press::handled;
    case ctl::reset: resetFiles(); return Press::handled;
    case ctl::exitButton:
    case ctl::cancelButton: return Press::endsDialog;
    default: return Press::ignored;
    }
}

void DialogLogic::checkRunnable() {
    view_.setEnabled(ctl::reset, true);
    view_.setEnabled(ctl::exitButton, true);
    if (state_.fileChosen.both()) {
        view_.setEnabled(ctl::run, true);
        setStatus(status::runProgram);
        showResultFolder(false);
    } else {
        view_.setEnabled(ctl::run, false);
        setStatus(status::selectFiles);
    }
}

void DialogLogic::resetFiles() {
    // The files stay open: a later choice for the same role replaces them.
    state_.fileChosen = {};
    state_.inputFileName.clear();
    state_.printFileName.clear();
    view_.setText(ctl::printName, kNoFileSelected);
    view_.setText(ctl::inputName, kNoFileSelected);
    view_.setToolTip(ctl::printName, {});
    view_.setToolTip(ctl::inputName, {});
    view_.setText(ctl::resultFolder, {});
    view_.setToolTip(ctl::resultFolder, {});
    view_.setEnabled(ctl::run, false);
    view_.setEnabled(ctl::inputBrowse, true);
    view_.setEnabled(ctl::printBrowse, true);
    setStatus(status::selectFiles);
}

void DialogLogic::runProgram() {
    // Run is enabled only with both files open, but a click queued before it was disabled must
    // not start a run on closed files.
    if (!bothFilesOpen()) return;

    // Cleared on every run, so that a run after a failed one is carried out.
    state_.runError = RunError::none;

    RunOptions& options = state_.options;
    options.axisConvention = view_.isChecked(ctl::axis1)   ? AxialSet::xAStarZC
                             : view_.isChecked(ctl::axis2) ? AxialSet::yBZCStar
                                                           : AxialSet::xAStarYB;
    const bool infinitesimal = view_.isChecked(ctl::infinitesimal);
    if (view_.isChecked(ctl::eulerian))
        options.strainType = infinitesimal ? StrainType::infinitesimalEulerian : StrainType::finiteEulerian;
    else
        options.strainType = infinitesimal ? StrainType::infinitesimalLagrangian : StrainType::finiteLagrangian;
    options.incremental = view_.isChecked(ctl::incremental);

    setStatus(status::processing);
    view_.setEnabled(ctl::run, false);
    view_.setEnabled(ctl::reset, false);
    view_.setEnabled(ctl::exitButton, false);
    view_.flush();

    // A failed run may have read part of the data file; every run reads it from its beginning.
    std::rewind(state_.inputFile.get());
    const RunOutcome outcome = process_(state_);

    const bool failed =
        state_.runError != RunError::none || (outcome != RunOutcome::completed && outcome != RunOutcome::onlyOneDatum);
    if (failed) {
        // The status line keeps the run's message. Browse stays enabled so that files can be
        // chosen again, and Exit stays usable.
        view_.setEnabled(ctl::exitButton, true);
        return;
    }
    // With too few data points the run's own message stays on the status line.
    if (outcome == RunOutcome::completed) {
        setStatus(status::finished);
        showResultFolder(true);
        view_.flush();
    }
    closeProgram();
}

void DialogLogic::closeProgram() {
    view_.setEnabled(ctl::inputBrowse, false);
    view_.setEnabled(ctl::printBrowse, false);
    view_.setEnabled(ctl::reset, false);
    view_.setEnabled(ctl::run, false);
    view_.setEnabled(ctl::exitButton, true);
    state_.inputFile.reset();
    // The report's last line end and buffered records are written here.
    if (!state_.printFile.close()) showStatus(state_, status::printCloseFailed);
}

void DialogLogic::chooseInputFile() { chooseFile(FileSlot::input); }

void DialogLogic::choosePrintFile() { chooseFile(FileSlot::print); }

void DialogLogic::chooseFile(FileSlot slot) {
    const FileRole& role = fileRole(slot);
    const bool input = slot == FileSlot::input;
    std::string& nameBuffer = input ? inputNameBuffer_ : printNameBuffer_;
    std::string& storedName = input ? state_.inputFileName : state_.printFileName;

    // The dialog offers the current file's name. That file stays open until another one has
    // been opened in its place, so a cancel leaves the role as it was.
    if (state_.fileChosen[slot]) nameBuffer = input ? offeredInputName_ : storedName;

    FileRequest request = role.request;
    request.initialName = nameBuffer;
    std::optional<std::vector<std::string>> chosen;
    if (request.multiple) {
        chosen = chooser_.chooseFiles(request);
    } else if (std::optional<std::string> one = chooser_.choose(request)) {
        chosen = std::vector<std::string>{std::move(*one)};
    }
    if (!chosen || chosen->empty()) return;
    for (const std::string& path : *chosen) {
        if (characterCount(path) > kLongestPath) {
            showStatus(state_, status::pathTooLong);
            return;
        }
    }
    nameBuffer = chosen->front();

    // A failed choice shows its message and leaves the role with its earlier file, as a cancel
    // does. A file that the run would both read and write is refused before anything is opened
    // or created.
    for (const std::string& file : *chosen) {
        if (const InputClash clash = choiceClash(slot, file); clash != InputClash::none) {
            showStatus(state_, clashText(clash));
            return;
        }
    }
    const std::filesystem::path path(chosen->front());
    std::optional<std::string> shown;
    if (input) {
        shown = openInput(*chosen);
    } else if (role.open(state_, path)) {
        shown = storedName;
    } else {
        showStatus(state_, role.failMessage);
    }
    if (!shown) return;
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    view_.setText(role.nameDisplay, *shown);
    view_.setToolTip(role.nameDisplay, (ec ? path : full).string());
    // The result files go beside the file chosen last.
    state_.resultFolder = (ec ? path : full).parent_path();
    checkRunnable();
}

std::optional<std::string> DialogLogic::openInput(const std::vector<std::string>& paths) {
    std::vector<std::filesystem::path> files(paths.begin(), paths.end());
    // Files chosen together come in the order of their names: 100K before 1000K.
    std::stable_sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
        return naturalNameLess(fileNameOf(a.string()), fileNameOf(b.string()));
    });
    // The choice is tried on a state of its own, so that the role keeps its earlier file until
    // the new one has been opened and, for CIF, read.
    RunState trial;
    const InputChoice choice = openInputFiles(trial, files);
    std::string shown;
    switch (choice.outcome) {
    case InputOpen::dataFile: shown = trial.inputFileName; break;
    case InputOpen::openFailed:
        showStatus(state_, status::inputOpenFailed);
        if (!choice.reason.empty()) view_.showDetail(fileNameOf(choice.file) + ": " + choice.reason);
        return std::nullopt;
    case InputOpen::dataFileNotAlone:
        showStatus(state_, status::dataFileNotAlone);
        view_.showDetail(fileNameOf(choice.file) + " is a keyword data file: choose it alone, or only CIF files");
        return std::nullopt;
    case InputOpen::sameFileTwice:
        showStatus(state_, status::sameFileTwice);
        view_.showDetail(fileNameOf(choice.file) + " is a file chosen before, under this or another name");
        return std::nullopt;
    case InputOpen::cif: {
        // Read now, so that a bad CIF is refused at once; its failure is shown as a run shows it.
        trial.statusSink = state_.statusSink;
        trial.detailSink = state_.detailSink;
        const ReadResult read = readChosenSeries(trial);
        if (!read.ok()) return std::nullopt;
        const std::string points = std::to_string(read.series.points.size()) + " points";
        shown = files.size() == 1 ? fileNameOf(files.front().string()) + ", " + points
                                  : std::to_string(files.size()) + " CIF files, " + points;
        break;
    }
    }
    state_.inputFile = std::move(trial.inputFile);
    state_.reader = std::move(trial.reader);
    state_.inputFileName = trial.inputFileName;
    state_.inputPath = trial.inputPath;
    state_.fileChosen.input = true;
    offeredInputName_ = fileNameOf(files.front().string());
    return shown;
}

// The run's input and outputs as they would be after this choice: the chosen file in its role,
// the other role's file if chosen, and the result files in the chosen file's folder.
InputClash DialogLogic::choiceClash(FileSlot slot, const std::filesystem::path& path) const {
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::absolute(path, ec).parent_path();
    if (slot == FileSlot::input) {
        const std::optional<FileIdentity> input = identityOf(path);
        if (!input || !state_.fileChosen.print) return InputClash::none;
        return outputClash({&*input, 1}, identityOf(state_.printFile.descriptor()), folder, state_.printFileName);
    }
    const std::optional<FileIdentity> input = identityOf(state_.inputFile.get());
    if (!input || !state_.fileChosen.input) return InputClash::none;
    return outputClash({&*input, 1}, identityOf(path), folder, fileNameOf(path.string()));
}

// Beside the status line: the folder of the result files, the current one, which follows the
// file chosen last.
void DialogLogic::showResultFolder(bool written) {
    std::error_code ec;
    const std::filesystem::path folder = state_.resultFolder.empty()
                                             ? std::filesystem::current_path(ec)
                                             : std::filesystem::absolute(state_.resultFolder, ec);
    if (ec) return;
    const std::string text = (written ? "Result files written to " : "Result files will go to ") + folder.string();
    view_.setText(ctl::resultFolder, text);
    view_.setToolTip(ctl::resultFolder, folder.string());
}

void DialogLogic::setStatus(std::string_view text) { view_.setText(ctl::statusLine, text); }

bool DialogLogic::bothFilesOpen() const {
    return state_.fileChosen.both() && state_.inputFile != nullptr &&
           state_.printFile.isOpen();
}
