#include "run/process_data.hpp"

#include <algorithm>
#include <future>
#include <memory>
#include <system_error>
#include <vector>

#include "calc/pair_result.hpp"
#include "fit/fit_series.hpp"
#include "input/readfile.hpp"
#include "report/print_report.hpp"
#include "report/result_files.hpp"
#include "run/date_time.hpp"
#include "run/file_identity.hpp"
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

    // Held until the end of the run, when every record has been handed to the files.
    RunLock lock;
    if (state.printFile.isOpen()) {
        const auto strainFile = state.resultFolder / resultFileName(state.printFileName, kResultSuffixes[0]);
        switch (lock.take(state.printFile.descriptor(), strainFile)) {
        case RunLock::Result::printInUse: return refused(state, status::printInUse);
        case RunLock::Result::resultsInUse: return refused(state, status::resultInUse);
        case RunLock::Result::taken: break;
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
        allOpen = false;
    }

    // The fits over the whole series, for the outputs that show them, are computed beside the
    // calculations, on a thread of their own when one can be had. They read only the series.
    const bool wantFits = std::any_of(outputs.begin(), outputs.end(), [](const RunOutput* o) { return o->wantsFits(); });
    FitOptions fitOptions = state.fitOptions;
    fitOptions.run = state.options;
    std::future<FitResult> fitting;
    if (wantFits) {
        try {
            fitting = std::async(std::launch::async, [&series, &fitOptions] { return fitSeries(series, fitOptions); });
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

    if (wantFits) {
        const FitResult fits = fitting.valid() ? fitting.get() : fitSeries(series, fitOptions);
        for (RunOutput* output : outputs)
            if (output->wantsFits()) output->fits(fits);
    }

    // Every output, so that a failed write anywhere is reported rather than hidden.
    bool written = true;
    for (RunOutput* output : outputs) written = output->end() && written;
    if (!written) {
        WLINE(state, status::writeFailed);
        return RunOutcome::writeError;
    }
    return allOpen ? RunOutcome::completed : RunOutcome::writeError;
}
