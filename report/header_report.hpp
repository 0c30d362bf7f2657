#pragma once
#include "calc/run_state.hpp"

// The banner and the run line group at the head of every run's report.
void WRITE_HEADER(RunState& state);
