#pragma once
// The options of tenzio-batch: declared on the command line parser, then applied to the run.
#include <CLI/CLI.hpp>

#include <optional>
#include <string>
#include <vector>

#include "cli/each_option.hpp"
#include "cli/input_files.hpp"
#include "run/run_state.hpp"

// What the command line asks, as read; fitOptions is read straight into the run's form.
struct BatchCommand {
    BatchInput input;
    FitOptions fitOptions;
    std::string printFile;
    std::string jsonFile;
    std::string csvFile;
    std::string fitsFile;
    int axes = 1;
    std::string strain = "finite-eulerian";
    bool againstFirst = false;
    std::string weights = "esd";
    std::vector<std::string> eosNames;
    std::vector<std::string> atValues;
    bool noFits = false;
    // Equations of state in T and in P and T.
    std::vector<std::string> thermalNames, pvtNames, atPtValues, fixValues;
    std::string trefText;
    double pc = 0.0, atoms = 0.0;
    bool diagnostics = false;
    // Plots.
    std::string plotFolder;
    int surfaceCalculation = 0;
    // Many series.
    EachRun each;
    std::string jobs;
    bool eachSeries = false;

    // The options whose presence (not only value) matters.
    CLI::Option* printOption = nullptr;
    CLI::Option* jsonOption = nullptr;
    CLI::Option* csvOption = nullptr;
    CLI::Option* fitsOption = nullptr;
    CLI::Option* plotsOption = nullptr;
    CLI::Option* surfaceOption = nullptr;
    CLI::Option* dataOutOption = nullptr;
    CLI::Option* eachOption = nullptr;
    CLI::Option* trefOption = nullptr;
    CLI::Option* pcOption = nullptr;
    CLI::Option* atomsOption = nullptr;

    bool wantPlots() const { return plotsOption->count() > 0; }
    bool eachRun() const { return eachOption->count() > 0; }
    // Whether a run follows the reading of the inputs (not only --data-out).
    bool runFollows() const {
        return printOption->count() + jsonOption->count() + csvOption->count() + fitsOption->count() + plotsOption->count() > 0;
    }
};

// The parser of the command line, with every option bound to `command`.
void declareBatchOptions(CLI::App& app, BatchCommand& command);
// Parses the command line; the exit status when the command ends here (its help, its version, a
// usage error), nothing when it goes on.
std::optional<int> parseBatchCommand(CLI::App& app, const BatchCommand& command, int argc, char** argv);
// The run's options, fit options and sinks as the command asks.
void applyBatchCommand(const BatchCommand& command, RunState& state);
