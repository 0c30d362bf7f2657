#pragma once
// The main dialog's handlers: which buttons are enabled, what the status line says, the choice of
// the two files and the run. Free of any toolkit; the window and the file dialog are reached
// through DialogView and FileChooser.
#include <array>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "run/file_identity.hpp"
#include "run/process_data.hpp"
#include "run/run_state.hpp"
#include "run/status_texts.hpp"
#include "shell/dialog_ports.hpp"

namespace status {
inline constexpr std::string_view pathTooLong = "FILE PATH TOO LONG (AT MOST 511 CHARACTERS)";
}  // namespace status

// The open-file dialog's name buffer holds 512 characters with its terminating NUL, so the longest
// path it can return has 511. A longer one is refused, never cut.
inline constexpr std::size_t kLongestPath = 511;

// What a click on a push button did.
enum class Press {
    handled,     // a handler of the program ran
    endsDialog,  // a button without handler (Exit, the hidden cancel button): the dialog ends
    ignored,     // not a push button
};

class DialogLogic {
public:
    using Process = std::function<RunOutcome(RunState&)>;

    DialogLogic(RunState& state, DialogView& view, FileChooser& chooser, Process process = runSeries);
    ~DialogLogic();
    DialogLogic(const DialogLogic&) = delete;
    DialogLogic& operator=(const DialogLogic&) = delete;

    // The part of dialogMain between building the dialog and showing it: clears runError,
    // routes showStatus to the status line and asks for the files.
    void start();

    // A click on the push button with this id; handlers are attached to 1001, 1006, 1009, 1004.
    Press press(int id);

    void checkRunnable();
    void resetFiles();
    void runProgram();
    void closeProgram();
    void chooseInputFile();
    void choosePrintFile();

private:
    void chooseFile(FileSlot slot);
    InputClash choiceClash(FileSlot slot, const std::filesystem::path& path) const;
    void showResultFolder(bool written);
    // Opens the input files chosen together; a CIF series is read at once, for its count of
    // points. Gives the text for the name display, or nothing after a failure, whose message is
    // then on the status line and the role keeps its earlier file.
    std::optional<std::string> openInput(const std::vector<std::string>& paths);
    void setStatus(std::string_view text);
    bool bothFilesOpen() const;

    RunState& state_;
    DialogView& view_;
    FileChooser& chooser_;
    Process process_;
    // Each file handler's name buffer (input, print): what its open-file dialog offers, and
    // returned last.
    std::string inputNameBuffer_;  // the name each file dialog offers
    std::string printNameBuffer_;
    // The input file's name as the open-file dialog offers it again (the first of several).
    std::string offeredInputName_;
};
