#pragma once
// What a reader gives the run: the series, or why there is none.
#include <string>
#include <vector>

#include "calc/series.hpp"

enum class ReadFailure {
    none,
    unreadable,   // the file cannot be read as a series: "error reading file"
    invalidCell,  // data point `badPoint` cannot form a cell
};

struct ReadResult {
    Series series;
    ReadFailure failure = ReadFailure::none;
    int badPoint = 0;    // for invalidCell, numbered from 1
    std::string reason;  // for a person: what was wrong and where, or empty
    // For a person: what was read but not understood, and what was made of it (a line each, with
    // its place in the file); the series is read all the same.
    std::vector<std::string> warnings;

    bool ok() const { return failure == ReadFailure::none; }
};
