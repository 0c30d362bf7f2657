#pragma once
// A series written out as a keyword data file, the format readSeriesFile reads.
#include <span>
#include <string>

#include "calc/series.hpp"

// The text of a keyword data file holding the series: its title, its crystal system, each
// comment line (written after "# "), one column line naming every value with its esd, and one
// data line per point. Each number is the shortest decimal that reads back as the same float,
// so that the file, read back, gives the same series (the note aside, which becomes a comment).
// A pressure series has a P column; a temperature series none, as a P column makes a file a
// pressure series.
std::string dataFileText(const Series& series, std::span<const std::string> comments = {});
