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
    state.runError = 1;
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

// A series of volumes without cells: nothing pairwise to compute, so no print file and no result
// files; the outputs that show the fits get them.
RunOutcome runVolumesOnly(RunState& state, const Series& series) {
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
    FitOptions fitOptions = state.fitOptions;
    fitOptions.run = state.options;
    const FitResult fits = fitSeries(series, fitOptions);
    for (RunOutput* output : state.extraOutputs)
        if (output->wantsFits()) output->fits(fits);
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

RunOutcome runSeries(RunState& state) {
    if (const InputClash clash = clashWithInput(state); clash != InputClash::none)
        return refused(state, clashText(clash));

    const ReadResult read = readChosenSeries(state);
    if (!read.ok()) return read.failure == ReadFailure::invalidCell ? RunOutcome::invalidCell : RunOutcome::readError;
    const Series& series = read.series;
    if (series.volumeOnly) return runVolumesOnly(state, series);
    if (const std::optional<SeriesProblem> problem = checkSeries(series, state.options)) {
        const int first = problem->first, second = problem->second;
        switch (problem->kind) {
        case SeriesProblem::Kind::unusableCell:
            return cannotCompute(state, status::invalidCell(first),
                                 "data point " + std::to_string(first) +
                                     " has an edge too small or too large to compute with");
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
                              (series.points.size() == 1 ? " data point" : " data points") +
                              "; a run compares two or more");
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
    }
    const int nData = static_cast<int>(series.points.size());

    // A print file that the run opens itself is opened only now, so that a run that failed above
    // created none; one that is refused below is removed again if it was new.
    const DeferredPrintFile deferred = openDeferredPrintFile(state);
    if (!deferred.failure.empty()) {
        showStatus(state, status::printOpenFailed);
        if (state.detailSink) state.detailSink(deferred.failure);
        return RunOutcome::writeError;
    }
    const auto refusedAfterOpening = [&](std::string_view text) {
        dropDeferredPrintFile(state, deferred);
        return refused(state, text);
    };
    if (const InputClash clash = deferred.opened ? clashWithInput(state) : InputClash::none; clash != InputClash::none)
        return refusedAfterOpening(clashText(clash));

    // A device as the print file (/dev/null, a terminal) has no folder for result files beside
    // it: the report goes to the device, the result files are not written. A device is shared by
    // every process, so it is not locked either.
    const bool printToDevice = printFileIsDevice(state);
    const std::string inUse = "another run is writing " + state.printPath.string() + "; this run wrote nothing";

    // Held until the end of the run, when every record has been handed to the files.
    RunLock lock;
    if (state.printFile.isOpen()) {
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
            refusedAfterOpening(status::resultInUse);
            detail(state, "another run is writing the result files " + results.strain.string() +
                              " and the others of its name; this run wrote nothing");
            return RunOutcome::refused;
        case RunLock::Result::taken: break;
        }
        // Another run removed the name that this run opened a moment ago (refused, it removed the
        // file it had just created): this run's records would reach no file.
        if (deferred.opened && !printFileStillNamed(state)) {
            lock.release();
            refusedAfterOpening(status::printInUse);
            detail(state, inUse);
            return RunOutcome::refused;
        }
        if (printToDevice) detail(state, state.printPath.string() + " is a device: no result files are written");
    }

    // The print report and the result files when a print file is open, then the other outputs.
    std::vector<RunOutput*> outputs;
    std::unique_ptr<PrintReport> printReport;
    std::unique_ptr<ResultFiles> resultFiles;
    if (state.printFile.isOpen()) {
        printReport = std::make_unique<PrintReport>(state.printFile);
        outputs = {printReport.get()};
        if (!printToDevice) {
            resultFiles = std::make_unique<ResultFiles>(state.resultFolder, state.printFileName);
            outputs.push_back(resultFiles.get());
        }
    }
    outputs.insert(outputs.end(), state.extraOutputs.begin(), state.extraOutputs.end());

    const RunHeader header{series, state.options, state.inputFileName, state.inputPath, runDateTime(state)};
    bool allOpen = true;
    for (RunOutput* output : outputs) {
        if (output->begin(header)) continue;
        if (allOpen) showStatus(state, status::resultOpenFailed);
        if (output == resultFiles.get()) detail(state, resultFiles->failure());
        allOpen = false;
    }

    // The fits over the whole series, for the outputs that show them, are computed beside the
    // calculations, on a thread of their own when one can be had, and handed to those outputs
    // there, so that formatting them is off the calculations' path too. They read only the series.
    std::vector<RunOutput*> fitOutputs;
    std::copy_if(outputs.begin(), outputs.end(), std::back_inserter(fitOutputs), [](const RunOutput* o) { return o->wantsFits(); });
    FitOptions fitOptions = state.fitOptions;
    fitOptions.run = state.options;
    const auto fitAndHand = [&series, &fitOptions, &fitOutputs] {
        const FitResult fits = fitSeries(series, fitOptions);
        for (RunOutput* output : fitOutputs) output->fits(fits);
    };
    std::optional<SideTask> fitting;
    if (!fitOutputs.empty() && state.fitsBeside) {
        try {
            fitting.emplace(fitAndHand);
        } catch (const std::system_error&) {
            // No thread: the fits are computed after the calculations instead.
        }
    }

    const PairContext context{state.options, series.crystalSystem, series.pressureRun};
    for (int i = 2; i <= nData; ++i) {
        const int first = state.options.incremental ? i - 1 : 1;
        PairResult result = computePair(context, series.points[static_cast<std::size_t>(first - 1)],
                                        series.points[static_cast<std::size_t>(i - 1)], first, i);
        result.calculationNumber = ++state.calculationNumber;
        for (RunOutput* output : outputs) output->calculation(result);
    }

    if (fitting) fitting->wait();
    else if (!fitOutputs.empty()) fitAndHand();

    // Every output, so that a failed write anywhere is reported rather than hidden.
    bool written = true;
    for (RunOutput* output : outputs) written = output->end() && written;
    if (!written) {
        showStatus(state, status::writeFailed);
        if (state.printFile.failed()) detail(state, printFileFailure(state));
        if (resultFiles) detail(state, resultFiles->failure());
        return RunOutcome::writeError;
    }
    return allOpen ? RunOutcome::completed : RunOutcome::writeError;
}
