#pragma once
// The body of one run: read the data file, walk the pairs of cells, write the reports.
#include "calc/run_state.hpp"

enum class RunOutcome {
    completed,     // every calculation written
    onlyOneDatum,  // fewer than two data points; nothing written
    readError,     // the data file could not be read; runError is 1, nothing written
    invalidCell,   // a data point cannot form a cell; runError is 1, nothing written
    writeError,    // a report or result file could not be opened or written
};

// Runs with state.options on the open state.inputFile and state.printFile. Status texts go
// through WLINE; the caller shows the completion message for RunOutcome::completed.
RunOutcome PROCESS_DATA(RunState& state);
