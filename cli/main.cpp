// tenzio-batch: one run without the dialog. Reads a data file (or a series of CIF files), appends
// the report to the print file and writes the result files beside it, exactly as the dialog's Run
// does; can also write the run's numbers as JSON and CSV, and the series as a data file.
#include <CLI/CLI.hpp>
#include <malloc.h>

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <iostream>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "cli/batch_options.hpp"
#include "cli/each_option.hpp"
#include "cli/input_files.hpp"
#include "cli/option_values.hpp"
#include "cli/output_files.hpp"
#include "cli/plot_files.hpp"
#include "export/csv_output.hpp"
#include "export/fit_report.hpp"
#include "export/json_output.hpp"
#include "plots/data/figures.hpp"
#include "plots/data/plot_labels.hpp"
#include "run/input_choice.hpp"
#include "run/process_data.hpp"
#include "run/run_files.hpp"
#include "run/status_texts.hpp"
#include "tenzio_version.hpp"

namespace {

// Every input a series of its own, one JSON line each.
int runEachSeries(BatchCommand& command, RunState& state) {
    EachRun& each = command.each;
    each.inputs = command.input.files;
    each.jobs = command.jobs.empty() ? availableCpus() : static_cast<unsigned>(std::stoi(command.jobs));
    each.options = {state.options, state.fitOptions};
    return runEach(each, state);
}

// The data outputs of one series beside the print file: JSON, CSV, the fits report and the
// series as a data file, as the command names them.
struct DataOutputs {
    std::unique_ptr<JsonOutput> json;
    std::unique_ptr<CsvOutput> csv;
    std::unique_ptr<FitReportOutput> fitReport;
    DataFileOutput* dataFile = nullptr;

    explicit DataOutputs(const BatchCommand& command) : dataFile(command.input.runDataOut.get()) {
        if (!command.jsonFile.empty()) json = std::make_unique<JsonOutput>(command.jsonFile);
        if (!command.csvFile.empty()) csv = std::make_unique<CsvOutput>(command.csvFile);
        // A series of volumes has no print file: where no output shows the fits, their report goes
        // to the standard output.
        const bool fitsShownElsewhere =
            !command.fitsFile.empty() || !command.jsonFile.empty() || !command.csvFile.empty() || command.wantPlots();
        if (!command.fitsFile.empty()) fitReport = std::make_unique<FitReportOutput>(command.fitsFile);
        else if (!fitsShownElsewhere) fitReport = std::make_unique<FitReportOutput>("-", true);
    }
    void addTo(RunState& state) const {
        for (RunOutput* output : std::initializer_list<RunOutput*>{json.get(), csv.get(), fitReport.get(), dataFile})
            if (output) state.extraOutputs.push_back(output);
    }
    // Why a data output failed: its file and the system's reason.
    void showFailures(const RunState& state) const {
        for (const std::string& failure : {json ? json->failure() : std::string(), csv ? csv->failure() : std::string(),
                                           fitReport ? fitReport->failure() : std::string(),
                                           dataFile ? dataFile->failure() : std::string()})
            if (!failure.empty()) state.detailSink(failure);
    }
};

// The plots of a completed run, as one set; the exit status.
int writePlots(const BatchCommand& command, const PlotRecorder& plots, const std::string& plotName) {
    // Checked here, where the number of calculations is known (0 is the default: the last defined).
    const bool surfaceGiven = command.surfaceOption->count() > 0;
    if (surfaceGiven &&
        (command.surfaceCalculation < 1 || static_cast<std::size_t>(command.surfaceCalculation) > plots.calculations())) {
        std::cerr << "tenzio-batch: no plots written: --surface: a calculation number from 1 to " << plots.calculations()
                  << '\n';
        return 1;
    }
    const std::string error = writePlotSet(plots, static_cast<std::size_t>(command.surfaceCalculation), command.plotFolder, plotName);
    if (!error.empty()) {
        std::cerr << "tenzio-batch: no plots written: " << error << '\n';
        return 1;
    }
    return 0;
}

// The inputs as one series: its outputs checked and made, the run, then the plots.
int runOneSeries(BatchCommand& command, RunState& state) {
    // Outputs that are one file, or that are inputs, stop the command before any file is opened
    // or created.
    const std::vector<std::filesystem::path> inputPaths(command.input.files.begin(), command.input.files.end());
    BatchOutputs outputs{command.printFile, command.jsonFile, command.csvFile, command.fitsFile, command.input.dataOut,
                         command.wantPlots() ? command.plotFolder : std::string(), {}};
    outputs.plotName = plotFileStem(command.printFile.empty() ? cifInputName(inputPaths) : fileNameOf(command.printFile));
    if (const std::optional<int> refused = refuseUnsafeOutputs(state, outputTargets(outputs), command.input.files))
        return *refused;
    if (const std::optional<int> ended = prepareInput(state, command.input, command.runFollows())) return *ended;
    if (!command.printFile.empty()) {
        // Opened by the run once the series is read and checked: a run that fails before creates
        // no print file.
        state.deferredPrintFile = command.printFile;
        state.resultFolder = std::filesystem::path(command.printFile).parent_path();
    }
    const DataOutputs data(command);
    data.addTo(state);
    PlotRecorder plots;
    // One surface is drawn: the tensors of the others are not kept.
    plots.keepOneSurface(static_cast<std::size_t>(std::max(0, command.surfaceCalculation)));
    if (command.wantPlots()) state.extraOutputs.push_back(&plots);

    showStatus(state, status::processing);
    const RunOutcome outcome = runSeries(state);
    state.inputFile.reset();
    const bool closed = state.printFile.close();
    if (outcome != RunOutcome::completed) {
        data.showFailures(state);
        return 1;
    }
    if (!closed) {
        showStatus(state, status::writeFailed);
        state.detailSink(printFileFailure(state));
        return 1;
    }
    if (command.wantPlots())
        if (const int plotted = writePlots(command, plots, outputs.plotName); plotted != 0) return plotted;
    showStatus(state, status::finished);
    return 0;
}

int runBatch(int argc, char** argv) {
    CLI::App app;
    BatchCommand command;
    declareBatchOptions(app, command);
    if (const std::optional<int> ended = parseBatchCommand(app, command, argc, argv)) return *ended;
    RunState state;
    applyBatchCommand(command, state);
    return command.eachRun() ? runEachSeries(command, state) : runOneSeries(command, state);
}

}  // namespace

int main(int argc, char** argv) {
    // The fits of a long series work on arrays of megabytes, one after another: mapped, each goes
    // back to the system when freed, rather than staying in the heap as the allocator would
    // otherwise let it once a few have been freed (a tenth of the peak at a million points).
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    // Memory that cannot be had ends the command with a message, never with an abort; files
    // being replaced are removed unfinished as the run unwinds.
    try {
        return runBatch(argc, argv);
    } catch (const std::bad_alloc&) {
        std::cerr << status::notEnoughMemory << "\ntenzio-batch: not enough memory for this run; it stopped\n";
        return 1;
    }
}
