#pragma once
// Whether a data point can form a unit cell, checked as each point is read.
#include "calc/series.hpp"

// True when edges are positive, angles lie strictly between 0 and 180 degrees and the angles
// can close a cell (positive-definite metric tensor).
bool isValidCell(const DataPoint& point);
