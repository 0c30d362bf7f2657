#pragma once
// The body of one run: read the series, check it, compute each pair of cells and hand its record
// to every output.
#include "run/run_state.hpp"

enum class RunOutcome {
    completed,     // every calculation written
    onlyOneDatum,  // fewer than two data points; nothing written
    readError,     // the data file could not be read; runError is dataRejected, nothing written
    invalidCell,   // a data point cannot form a cell, its T, P or esds are beyond single precision,
                   // or a pair of them gives numbers that are not finite; runError is dataRejected, nothing
                   // written
    writeError,    // a report or result file could not be opened or written
    refused,       // the print file or a result file is an input file, or another run is writing
                   // them; nothing written
};

// Runs with state.options on the chosen input and, when it is open, state.printFile (or
// state.deferredPrintFile, opened here once the series is read and checked) with the result files
// beside it, plus state.extraOutputs. The print file and the result files are
// locked against other runs while this one writes them. Status texts go through showStatus; the
// caller shows the completion message for RunOutcome::completed.
RunOutcome runSeries(RunState& state);

// The date and time of this run: the state's clock, or the local time.
std::string runDateTime(const RunState& state);
