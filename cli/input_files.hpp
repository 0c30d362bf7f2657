#pragma once
// The inputs of tenzio-batch: one keyword data file, or one or more CIF files read as one series;
// the series sorted (--sort) and written out as a keyword data file (--data-out).
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/data_file_output.hpp"
#include "run/run_state.hpp"

struct BatchInput {
    std::vector<std::string> files;  // in the order given
    bool sort = false;               // order the points by T or P, ascending, stable
    std::string dataOut;             // write the series as a keyword data file here
    // --data-out as an output of the run that follows, set by prepareInput.
    std::unique_ptr<DataFileOutput> runDataOut;
};

// Opens the inputs. For --sort or --data-out the series is read here, once: sorted, and handed as
// it is to the run; --data-out is written here when no run follows, otherwise by the run
// (runDataOut). Status texts and reasons go where the run's go. Gives the exit
// status when the command ends here (2 a usage error, 1 a failure, 0 the data file written and
// no run asked for), or nothing when the run is to follow.
std::optional<int> prepareInput(RunState& state, BatchInput& input, bool runFollows);
