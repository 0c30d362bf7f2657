#pragma once
// The files one tenzio-batch run writes, checked before anything is read or written: no two of
// them may be one file, and none may be an input.
#include <optional>
#include <string>
#include <vector>

#include "run/output_targets.hpp"
#include "run/run_state.hpp"

struct BatchOutputs {
    std::string printFile;  // empty: none; so for the others
    std::string jsonFile;
    std::string csvFile;
    std::string fitsFile;
    std::string dataOut;
    std::string plotFolder;
    std::string plotName;   // NAME of the plot files
};

// The print file, its result files, --json, --csv, --fits, --data-out and every plot file.
std::vector<OutputTarget> outputTargets(const BatchOutputs& outputs);

// Refuses outputs that are one file (a usage error, naming both), that may not be written (a
// symbolic link to nothing, a file this process may not write: exit status 1, naming it and why)
// or that are inputs (the output's status text, or a usage error for --data-out). Gives the exit
// status when refused.
std::optional<int> refuseUnsafeOutputs(RunState& state, const std::vector<OutputTarget>& targets,
                                       const std::vector<std::string>& inputFiles);
