#pragma once
// The data file reader: a keyword header naming the columns, then free-format numbers.
#include "calc/run_state.hpp"

// Reads state.inputFile from its current position to the end into state.dataPoints, nData,
// crystalSystem and pressureRun, applying the crystal-system constraints to every cell.
// On a read error it shows "error reading file", sets runError and leaves nData unchanged.
void READFILE(RunState& state);

// The crystal-system constraints, applied to one data point.
void applyCrystalSystem(DataPoint& point, int crystalSystem);
