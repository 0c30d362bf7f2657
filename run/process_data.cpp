#include "run/process_data.hpp"

#include <charconv>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "calc/pair_ranges.hpp"
#include "calc/pair_result.hpp"
#include "calc/validate_cells.hpp"
#include "input/readfile.hpp"
#include "report/print_report.hpp"
#include "report/result_files.hpp"
#include "run/date_time.hpp"
#include "run/deferred_print_file.hpp"
#include "run/file_identity.hpp"
#include "run/run_files.hpp"
#include "run/run_lock.hpp"
#include "run/series_checks.hpp"
#include "run/status_texts.hpp"

namespace {

ReadResult readSeries(RunState& state) {
    if (state.reader) return state.reader();
    return READFILE(state.inputFile.get());
}

// Shows why the read failed; the reason goes where the front end shows details.
RunOutcome readFailed(RunState& state, const ReadResult& read) {
    state.runError = 1;
    if (read.failure == ReadFailure::invalidCell) WLINE(state, status::invalidCell(read.badPoint));
    else WLINE(state, status::readError);
    if (state.detailSink && !read.reason.empty()) state.detailSink(read.reason);
    return read.failure == ReadFailure::invalidCell ? RunOutcome::invalidCell : RunOutcome::readError;
}

RunOutcome refused(RunState& state, std::string_view text) {
    WLINE(state, text);
    return RunOutcome::refused;
}

// Data the calculation cannot carry through in single precision; the reason goes with the
// details.
RunOutcome cannotCompute(RunState& state, const std::string& text, const std::string& reason) {
    state.runError = 1;
    WLINE(state, text);
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

// The first data point whose T, P or esds are out of range, and what is.
std::pair<int, PointRangeFault> firstPointOutOfRange(const Series& series) {
    for (std::size_t n = 0; n < series.points.size(); ++n) {
        if (const PointRangeFault fault = pointRangeFault(series.points[n]); fault.fault != RangeFault::none)
            return {static_cast<int>(n + 1), fault};
    }
    return {0, {}};
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

}  // namespace

std::string runDateTime(const RunState& state) { return state.clock ? state.clock() : localDateTimeText(); }

RunOutcome PROCESS_DATA(RunState& state) {
    if (const InputClash clash = clashWithInput(state); clash != InputClash::none)
        return refused(state, clashText(clash));

    const ReadResult read = readSeries(state);
    if (!read.ok()) return readFailed(state, read);
    const Series& series = read.series;
    // Checked like the reader checks each cell, before the number of points.
    if (const int bad = firstUnusableCell(series, state.options.axisConvention); bad != 0) {
        return cannotCompute(state, status::invalidCell(bad),
                             "data point " + std::to_string(bad) + " has an edge too small or too large to compute with");
    }
    for (std::size_t n = 0; n < series.points.size(); ++n) {
        if (hasFiniteGeometry(series.points[n], state.options.axisConvention)) continue;
        const int bad = static_cast<int>(n + 1);
        return cannotCompute(state, status::invalidCell(bad),
                             "data point " + std::to_string(bad) +
                                 " has edges too different for its reciprocal cell or orientation to be computed");
    }
    if (const auto [bad, fault] = firstPointOutOfRange(series); bad != 0) {
        return cannotCompute(state,
                             fault.fault == RangeFault::variable ? status::variableOutOfRange(bad)
                                                                 : status::esdOutOfRange(bad),
                             rangeReason(bad, fault));
    }
    const int nData = static_cast<int>(series.points.size());
    if (nData < 2) {
        WLINE(state, status::onlyOneDatum);
        return RunOutcome::onlyOneDatum;
    }
    if (const auto [first, second] = firstNonFiniteStrain(series, state.options); first != 0) {
        return cannotCompute(state, status::strainNotFinite(first, second),
                             "data points " + std::to_string(first) + " and " + std::to_string(second) +
                                 " differ too much for their strain to be computed");
    }
    if (const PairRangeFault fault = firstPairRangeFault(series, state.options); fault.fault != RangeFault::none) {
        const std::string pair = "data points " + std::to_string(fault.first) + " and " + std::to_string(fault.second);
        if (fault.fault == RangeFault::strain)
            return cannotCompute(state, status::strainNotFinite(fault.first, fault.second),
                                 pair + " differ too much for the principal axes of their strain to be computed");
        return fault.fault == RangeFault::variable
                   ? cannotCompute(state, status::variableOutOfRange(fault.point),
                                   "the change of T or P between " + pair + " is too small to divide by")
                   : cannotCompute(state, status::esdOutOfRange(fault.point),
                                   "the esds of data point " + std::to_string(fault.point) + " give esds for " + pair +
                                       " that single precision cannot hold");
    }

    // A print file that the run opens itself is opened only now, so that a run that failed above
    // created none; one that is refused below is removed again if it was new.
    const DeferredPrintFile deferred = openDeferredPrintFile(state);
    if (!deferred.failure.empty()) {
        WLINE(state, status::printOpenFailed);
        if (state.detailSink) state.detailSink(deferred.failure);
        return RunOutcome::writeError;
    }
    const auto refusedAfterOpening = [&](std::string_view text) {
        dropDeferredPrintFile(state, deferred);
        return refused(state, text);
    };
    if (const InputClash clash = deferred.opened ? clashWithInput(state) : InputClash::none; clash != InputClash::none)
        return refusedAfterOpening(clashText(clash));

    // Held until the end of the run, when every record has been handed to the files.
    RunLock lock;
    if (state.printFile.isOpen()) {
        const auto strainFile = state.resultFolder / resultFileName(state.printFileName, kResultSuffixes[0]);
        switch (lock.take(state.printFile.descriptor(), strainFile)) {
        case RunLock::Result::printInUse: return refusedAfterOpening(status::printInUse);
        case RunLock::Result::resultsInUse: return refusedAfterOpening(status::resultInUse);
        case RunLock::Result::taken: break;
        }
        // Another run removed the name that this run opened a moment ago (refused, it removed the
        // file it had just created): this run's records would reach no file.
        if (deferred.opened && !printFileStillNamed(state)) {
            lock.release();
            return refusedAfterOpening(status::printInUse);
        }
    }

    // The print report and the result files when a print file is open, then the other outputs.
    std::vector<RunOutput*> outputs;
    std::unique_ptr<PrintReport> printReport;
    std::unique_ptr<ResultFiles> resultFiles;
    if (state.printFile.isOpen()) {
        printReport = std::make_unique<PrintReport>(state.printFile);
        resultFiles = std::make_unique<ResultFiles>(state.resultFolder, state.printFileName);
        outputs = {printReport.get(), resultFiles.get()};
    }
    outputs.insert(outputs.end(), state.extraOutputs.begin(), state.extraOutputs.end());

    const RunHeader header{series, state.options, state.inputFileName, state.inputPath, runDateTime(state)};
    bool allOpen = true;
    for (RunOutput* output : outputs) {
        if (output->begin(header)) continue;
        if (allOpen) WLINE(state, status::resultOpenFailed);
        if (output == resultFiles.get()) detail(state, resultFiles->failure());
        allOpen = false;
    }

    const PairContext context{state.options, series.crystalSystem, series.pressureRun};
    for (int i = 2; i <= nData; ++i) {
        const int first = state.options.incremental ? i - 1 : 1;
        PairResult result = computePair(context, series.points[static_cast<std::size_t>(first - 1)],
                                        series.points[static_cast<std::size_t>(i - 1)], first, i);
        result.calculationNumber = ++state.calculationNumber;
        for (RunOutput* output : outputs) output->calculation(result);
    }

    // Every output, so that a failed write anywhere is reported rather than hidden.
    bool written = true;
    for (RunOutput* output : outputs) written = output->end() && written;
    if (!written) {
        WLINE(state, status::writeFailed);
        if (state.printFile.failed()) detail(state, printFileFailure(state));
        if (resultFiles) detail(state, resultFiles->failure());
        return RunOutcome::writeError;
    }
    return allOpen ? RunOutcome::completed : RunOutcome::writeError;
}
