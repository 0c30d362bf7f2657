#pragma once
// Checks that every data point of a run can form a unit cell before anything is calculated.
#include "calc/run_state.hpp"

// True when edges are positive, angles lie strictly between 0 and 180 degrees and the angles
// can close a cell (positive-definite metric tensor).
bool isValidCell(const DataPoint& point);

// The number (from 1) of the first data point that cannot form a cell, or 0 when all can.
int firstInvalidCell(const RunState& state);
