#pragma once
// The keyword data file reader: a keyword header naming the columns, then free-format numbers.
#include <cstdio>

#include "input/read_result.hpp"

// Reads a data file from its current position to the end into a series, applying the crystal
// system's constraints to every cell and checking each data point as it is read: the first
// point that cannot form a cell ends the read. Reads nothing but the stream.
ReadResult readSeriesFile(std::FILE* file);
