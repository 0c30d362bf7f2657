#pragma once
// Whether a data point can form a unit cell, checked as each point is read.
#include "calc/series.hpp"

// True when edges are positive, angles lie strictly between 0 and 180 degrees and the angles
// can close a cell (positive-definite metric tensor). T, P and the esds are pointRangeFault's.
bool isValidCell(const DataPoint& point);

// A number of a data point besides its cell that a calculation cannot carry in single precision.
enum class RangeFault { none, variable, esd, strain };  // T or P; an esd; a pair's strain
struct PointRangeFault {
    RangeFault fault = RangeFault::none;
    const char* name = "";  // the column: "T", "P", "SIGT", "SIGP", "SIGA" ...
    float value = 0.0f;
};

// T and P must be finite and at most half the largest float in size, so that the change and
// the midpoint of any two are finite; every esd finite, and those of T and P at most the root
// of half the largest float, so that the sum of two squares is finite.
PointRangeFault pointRangeFault(const DataPoint& point);
