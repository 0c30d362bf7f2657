#pragma once
// Reading the chosen input, with its failure reported the same way for both front ends.
#include "input/read_result.hpp"
#include "run/run_state.hpp"

// Reads the series of the chosen input: state.reader, or the keyword data file reader on
// state.inputFile. A failure is reported here: runError is set, the status line says what failed
// and the reason (file, line or block) goes to the detail sink. The reader's warnings about a
// series it read go to the detail sink too.
ReadResult readChosenSeries(RunState& state);
