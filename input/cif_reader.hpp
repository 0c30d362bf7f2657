#pragma once
// The CIF reader: a series from the data blocks of one or more CIF files, one data point per
// block that holds a cell.
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "input/read_result.hpp"

// A CIF starts, after an optional UTF-8 byte-order mark, blanks and comment lines (however
// many), with a token that begins with data_ (in any case).
bool startsLikeCif(std::string_view text);
// The same test on the start of a file; false for a file that cannot be read.
bool looksLikeCif(const std::filesystem::path& path);

// One CIF text and the name that reasons give it.
struct CifText {
    std::string name;
    std::string text;
};

// Reads the blocks of the texts in order into one series: cells with their standard
// uncertainties, T in K, P converted from kPa to GPa, the crystal system from the lowest
// symmetry among the blocks (its constraints applied only where they fit the cells as given;
// otherwise Series::note says why there are none) and the title. A failure names file, block
// and line in its reason.
ReadResult readCifTexts(std::span<const CifText> texts);

// One CIF file open for reading from its first byte, and the name that reasons give it.
struct CifStream {
    std::string name;
    std::FILE* file = nullptr;
};

// The same for open files, each read once to its end.
ReadResult readCifStreams(std::span<const CifStream> streams);

// The same for files by name ("-" the standard input), named in reasons by their file names.
ReadResult readCifSeries(const std::vector<std::filesystem::path>& files);
