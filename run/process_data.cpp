#include "run/process_data.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <iterator>
#include <memory>
#include <system_error>
#include <utility>
#include <vector>

#include "calc/pair_result.hpp"
#include "calc/validate_cells.hpp"
#include "fit/fit_series.hpp"
#include "run/read_series.hpp"
#include "report/print_report.hpp"
#include "report/result_files.hpp"
#include "run/date_time.hpp"
#include "run/deferred_print_file.hpp"
#include "run/file_identity.hpp"
#include "run/run_files.hpp"
#include "run/run_lock.hpp"
#include "run/side_task.hpp"
#include "run/status_texts.hpp"

namespace {

RunOutcome refused(RunState& state, std::string_view text) {
    showStatus(state, text);
    return RunOutcome::refused;
}

// Data the calculation cannot carry through in single precision; the reason goes with the
// details.
RunOutcome cannotCompute(RunState& state, const std::string& text, const std::string& reason) {
    state.runError = RunError::dataRejected;
    showStatus(state, text);
    if (state.detailSink) state.detailSink(reason);
    return RunOutcome::invalidCell;
}

// Whether the print file or a result file is the input file, which a run must not append to.
InputClash clashWithInput(const RunState& state) {
    if (!state.printFile.isOpen()) return InputClash::none;
    const std::optional<FileIdentity> input = identityOf(state.inputFile.get());
    if (!input) return InputClash::none;
    return outputClash({&*input, 1}, identityOf(state.printFile.descriptor()), state.resultFolder,
                       state.printFileName);
}

// A reason among the details, when there is one.
void detail(RunState& state, const std::string& reason) {
    if (state.detailSink && !reason.empty()) state.detailSink(reason);
}

std::string rangeReason(int point, const PointRangeFault& fault) {
    const std::string at = "data point " + std::to_string(point) + ": " + fault.name;
    if (std::isnan(fault.value)) return at + " is not a number";
    char buffer[32];
    const std::string value(buffer, std::to_chars(buffer, buffer + sizeof buffer, fault.value).ptr);
    if (std::isinf(fault.value)) return at + " " + value + " is not finite";
    return at + " " + value + " is too large for single precision: " +
           (fault.fault == RangeFault::variable ? "its change or midpoint with another point would not be finite"
                                                : "the esd of a change of T or P would not be finite");
}

// The fits over the whole series, for the outputs that show them: computed beside the
// calculations on a thread of their own when one can be had, and formatted there by each
// output's formatter, so that the work is off the calculations' path. They read only the series;
// the outputs get the texts, and those that keep the fits the fits, on the run's own thread.
class FitsBesideCalculations {
public:
    FitsBesideCalculations(const RunState& state, std::shared_ptr<const Series> series, const std::vector<RunOutput*>& outputs,
                           bool beside)
        : series_(std::move(series)), options_(state.fitOptions) {
        options_.run = state.options;
        for (RunOutput* output : outputs) {
            if (std::unique_ptr<FitsFormatter> formatter = output->fitsFormatter()) {
                formatted_.push_back(output);
                formatters_.push_back(std::move(formatter));
            }
            if (output->wantsFits()) keepers_.push_back(output);
        }
        texts_.resize(formatters_.size());
        if (!wanted() || !beside) return;
        try {
            fitting_.emplace([this] { fitAndFormat(); });
        } catch (const std::system_error&) {
            // No thread: the fits are computed after the calculations instead.
        }
    }
    // Once the calculations are done: waits for the fits, or computes them now, and hands them on.
    void finish() {
        if (!wanted()) return;
        if (fitting_) fitting_->wait();
        else fitAndFormat();
        for (std::size_t k = 0; k < formatted_.size(); ++k) formatted_[k]->formattedFits(std::move(texts_[k]));
        for (RunOutput* output : keepers_) output->fits(*fits_);
        fits_.reset();
    }

private:
    bool wanted() const { return !formatters_.empty() || !keepers_.empty(); }
    void fitAndFormat() {
        fits_.emplace(fitSeries(series_, options_));
        for (std::size_t k = 0; k < formatters_.size(); ++k) texts_[k] = formatters_[k]->format(*fits_);
    }

    std::shared_ptr<const Series> series_;  // shared with the fits, which remake values at its points from it
    FitOptions options_;
    std::vector<RunOutput*> formatted_;  // the outputs whose formatters these are, in order
    std::vector<std::unique_ptr<FitsFormatter>> formatters_;
    std::vector<std::unique_ptr<SpillBuffer>> texts_;
    std::vector<RunOutput*> keepers_;
    std::optional<FitResult> fits_;
    std::optional<SideTask> fitting_;
};

// A series of volumes without cells: nothing pairwise to compute, so no print file and no result
// files; the outputs that show the fits get them.
RunOutcome runVolumesOnly(RunState& state, const std::shared_ptr<const Series>& shared) {
    const Series& series = *shared;
    for (std::size_t n = 0; n < series.points.size(); ++n) {
        const PointRangeFault range = pointRangeFault(series.points[n]);
        const int point = static_cast<int>(n + 1);
        if (range.fault != RangeFault::none)
            return cannotCompute(state,
                                 range.fault == RangeFault::variable ? status::variableOutOfRange(point) : status::esdOutOfRange(point),
                                 rangeReason(point, range));
    }
    // As for a series of cells: fewer than two points make no run.
    if (series.points.size() < 2) {
        showStatus(state, status::onlyOneDatum);
        detail(state, state.inputFileName + " holds " + std::to_string(series.points.size()) +
                          (series.points.size() == 1 ? " volume" : " volumes") + "; the fits take three or more");
        return RunOutcome::onlyOneDatum;
    }
    detail(state, state.inputFileName + " holds volumes and no cells: the fits are written, the print file and the result files are not");
    const RunHeader header{series, state.options, state.inputFileName, state.inputPath, runDateTime(state)};
    bool allOpen = true;
    for (RunOutput* output : state.extraOutputs) {
        if (output->begin(header)) continue;
        if (allOpen) showStatus(state, status::resultOpenFailed);
        allOpen = false;
    }
    FitsBesideCalculations(state, shared, state.extraOutputs, false).finish();
    bool written = true;
    for (RunOutput* output : state.extraOutputs) written = output->end() && written;
    if (!written) {
        showStatus(state, status::writeFailed);
        return RunOutcome::writeError;
    }
    return allOpen ? RunOutcome::completed : RunOutcome::writeError;
}

}  // namespace

std::string runDateTime(const RunState& state) { return state.clock ? state.clock() : localDateTimeText(); }

namespace {

// The reason a series that was read cannot be run, said on the status line and among the
// details; none when it can be run.
std::optional<RunOutcome> refuseSeries(RunState& state, const Series& series) {
    const std::optional<SeriesProblem> problem = checkSeries(series, state.options);
    if (!problem) return std::nullopt;
    const int first = problem->first, second = problem->second;
    switch (problem->kind) {
    case SeriesProblem::Kind::unusableCell:
        return cannotCompute(state, status::invalidCell(first),
                             "data point " + std::to_string(first) + " has an edge too small or too large to compute with");
    case SeriesProblem::Kind::farFromCubic:
        return cannotCompute(state, status::invalidCell(first),
                             "data point " + std::to_string(first) +
                                 " has edges too different for its reciprocal cell or orientation to be computed");
    case SeriesProblem::Kind::pointOutOfRange:
        return cannotCompute(state,
                             problem->range.fault == RangeFault::variable ? status::variableOutOfRange(first)
                                                                          : status::esdOutOfRange(first),
                             rangeReason(first, problem->range));
    case SeriesProblem::Kind::tooFewPoints:
        showStatus(state, status::onlyOneDatum);
        detail(state, state.inputFileName + " holds " + std::to_string(series.points.size()) +
                          (series.points.size() == 1 ? " data point" : " data points") + "; a run compares two or more");
        return RunOutcome::onlyOneDatum;
    case SeriesProblem::Kind::strainNotFinite:
        return cannotCompute(state, status::strainNotFinite(first, second),
                             "data points " + std::to_string(first) + " and " + std::to_string(second) +
                                 " differ too much for their strain to be computed");
    case SeriesProblem::Kind::pairOutOfRange: {
        const std::string pair = "data points " + std::to_string(first) + " and " + std::to_string(second);
        const int point = problem->point;
        if (problem->range.fault == RangeFault::strain)
            return cannotCompute(state, status::strainNotFinite(first, second),
                                 pair + " differ too much for the principal axes of their strain to be computed");
        return problem->range.fault == RangeFault::variable
                   ? cannotCompute(state, status::variableOutOfRange(point),
                                   "the change of T or P between " + pair + " is too small to divide by")
                   : cannotCompute(state, status::esdOutOfRange(point),
                                   "the esds of data point " + std::to_string(point) + " give esds for " + pair +
                                       " that single precision cannot hold");
    }
    }
    return std::nullopt;
}

// The print file and the result files beside it, held against other runs until the end of this
// one; the refusal when another run holds them or the name was taken away. A device as the print
// file (/dev/null, a terminal) has no folder for result files beside it and, shared by every
// process, is not locked.
std::optional<RunOutcome> lockPrintFile(RunState& state, const DeferredPrintFile& deferred, bool printToDevice,
                                        RunLock& lock) {
    if (!state.printFile.isOpen()) return std::nullopt;
    const std::string inUse = "another run is writing " + state.printPath.string() + "; this run wrote nothing";
    const ResultFileNames results(state.resultFolder, state.printFileName);
    switch (lock.take(printToDevice ? -1 : state.printFile.descriptor(),
                      printToDevice ? std::filesystem::path() : results.strain)) {
    case RunLock::Result::printInUse:
        // The other run holds this very file, which it may have opened under the name this run
        // found missing a moment ago: it is theirs now and stays, however empty.
        state.printFile.close();
        refused(state, status::printInUse);
        detail(state, inUse);
        return RunOutcome::refused;
    case RunLock::Result::resultsInUse:
        dropDeferredPrintFile(state, deferred);
        refused(state, status::resultInUse);
        detail(state, "another run is writing the result files " + results.strain.string() +
                          " and the others of its name; this run wrote nothing");
        return RunOutcome::refused;
    case RunLock::Result::taken: break;
    }
    // Another run removed the name that this run opened a moment ago (refused, it removed the
    // file it had just created): this run's records would reach no file.
    if (deferred.opened && !printFileStillNamed(state)) {
        lock.release();
        dropDeferredPrintFile(state, deferred);
        refused(state, status::printInUse);
        detail(state, inUse);
        return RunOutcome::refused;
    }
    if (printToDevice) detail(state, state.printPath.string() + " is a device: no result files are written");
    return std::nullopt;
}

// Every output of a run of cells: the print report and the result files when a print file is
// open, then the others.
struct CellRunOutputs {
    std::unique_ptr<PrintReport> printReport;
    std::unique_ptr<ResultFiles> resultFiles;
    std::vector<RunOutput*> all;

    CellRunOutputs(RunState& state, bool printToDevice) {
        if (state.printFile.isOpen()) {
            printReport = std::make_unique<PrintReport>(state.printFile);
            all = {printReport.get()};
            if (!printToDevice) {
                resultFiles = std::make_unique<ResultFiles>(state.resultFolder, state.printFileName);
                all.push_back(resultFiles.get());
            }
        }
        all.insert(all.end(), state.extraOutputs.begin(), state.extraOutputs.end());
    }
};

// Begins every output; false when one could not be opened (the run goes on without it).
bool beginOutputs(RunState& state, const CellRunOutputs& outputs, const RunHeader& header) {
    bool allOpen = true;
    for (RunOutput* output : outputs.all) {
        if (output->begin(header)) continue;
        if (allOpen) showStatus(state, status::resultOpenFailed);
        if (output == outputs.resultFiles.get()) detail(state, outputs.resultFiles->failure());
        allOpen = false;
    }
    return allOpen;
}

// Each calculation of the series, handed to every output in order.
void calculateSeries(RunState& state, const Series& series, const std::vector<RunOutput*>& outputs) {
    const PairContext context{state.options, series.crystalSystem, series.pressureRun};
    const int nData = static_cast<int>(series.points.size());
    for (int i = 2; i <= nData; ++i) {
        const int first = state.options.incremental ? i - 1 : 1;
        PairResult result = computePair(context, series.points[static_cast<std::size_t>(first - 1)],
                                        series.points[static_cast<std::size_t>(i - 1)], first, i);
        result.calculationNumber = ++state.calculationNumber;
        for (RunOutput* output : outputs) output->calculation(result);
    }
}

// Ends every output, so that a failed write anywhere is reported rather than hidden.
RunOutcome endOutputs(RunState& state, const CellRunOutputs& outputs, bool allOpen) {
    bool written = true;
    for (RunOutput* output : outputs.all) written = output->end() && written;
    if (!written) {
        showStatus(state, status::writeFailed);
        if (state.printFile.failed()) detail(state, printFileFailure(state));
        if (outputs.resultFiles) detail(state, outputs.resultFiles->failure());
        return RunOutcome::writeError;
    }
    return allOpen ? RunOutcome::completed : RunOutcome::writeError;
}

// A checked series of cells: its outputs opened and held, its calculations, its fits beside
// them, its outputs ended.
RunOutcome runCells(RunState& state, const std::shared_ptr<const Series>& shared) {
    const Series& series = *shared;
    // A print file that the run opens itself is opened only now, so that a run that failed before
    // created none; one that is refused below is removed again if it was new.
    const DeferredPrintFile deferred = openDeferredPrintFile(state);
    if (!deferred.failure.empty()) {
        showStatus(state, status::printOpenFailed);
        if (state.detailSink) state.detailSink(deferred.failure);
        return RunOutcome::writeError;
    }
    if (const InputClash clash = deferred.opened ? clashWithInput(state) : InputClash::none; clash != InputClash::none) {
        dropDeferredPrintFile(state, deferred);
        return refused(state, clashText(clash));
    }
    const bool printToDevice = printFileIsDevice(state);
    RunLock lock;  // held until every record has been handed to the files
    if (const std::optional<RunOutcome> refusal = lockPrintFile(state, deferred, printToDevice, lock)) return *refusal;

    const CellRunOutputs outputs(state, printToDevice);
    const bool allOpen =
        beginOutputs(state, outputs, RunHeader{series, state.options, state.inputFileName, state.inputPath, runDateTime(state)});
    FitsBesideCalculations fits(state, shared, outputs.all, state.fitsBeside);
    calculateSeries(state, series, outputs.all);
    fits.finish();
    return endOutputs(state, outputs, allOpen);
}

}  // namespace

RunOutcome runSeries(RunState& state) {
    if (const InputClash clash = clashWithInput(state); clash != InputClash::none)
        return refused(state, clashText(clash));
    ReadResult read = readChosenSeries(state);
    if (!read.ok()) return read.failure == ReadFailure::invalidCell ? RunOutcome::invalidCell : RunOutcome::readError;
    const auto series = std::make_shared<const Series>(std::move(read.series));
    if (series->volumeOnly) return runVolumesOnly(state, series);
    if (const std::optional<RunOutcome> refusal = refuseSeries(state, *series)) return *refusal;
    return runCells(state, series);
}
