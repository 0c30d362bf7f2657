#pragma once
// tenzio-batch --each: every input a series of its own, run as the batch runs one series, with
// one JSON line per series in the order of the inputs.
#include <string>
#include <vector>

#include "run/many_series.hpp"
#include "run/run_state.hpp"

struct EachRun {
    std::vector<std::string> inputs;  // as given; "-" is the standard input
    std::string jsonl;                // where the lines go: a file, or "-" (also when empty) the standard output
    unsigned jobs = 1;                // series run at once
    SeriesRunOptions options;
};

// The line of one series: {"input": ..., "status": "ok", ...its --json document...} or
// {"input": ..., "status": "error", "error": ...}.
std::string eachLine(const std::string& input, const SeriesDocument& document);

// Runs every input, writes the lines, and says on standard error how many series failed (and,
// on a terminal, how far the run has come). Gives the exit status: 0 when every series ran, 1
// when any failed or the lines could not be written. `state` carries the status and detail sinks
// for refusing an unsafe output.
int runEach(const EachRun& run, RunState& state);
