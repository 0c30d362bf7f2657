#pragma once
// The input of a run as a user chooses it, shared by both front ends: one keyword data file, or
// one or more CIF files whose data blocks are read together as one series.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "run/run_state.hpp"

namespace status {
inline constexpr std::string_view dataFileNotAlone = "A DATA FILE MUST BE CHOSEN ALONE";
inline constexpr std::string_view sameFileTwice = "A FILE IS CHOSEN TWICE";
}  // namespace status

enum class InputOpen {
    dataFile,          // one keyword data file, open as inputFile
    cif,               // CIF files: inputFile holds the first, state.reader reads them all
    openFailed,        // `file` cannot be opened
    dataFileNotAlone,  // `file` is a keyword data file, given with other files
    sameFileTwice,     // `file` is a file given before it (by this or another name)
};

struct InputChoice {
    InputOpen outcome = InputOpen::openFailed;
    std::string file;  // the file that failed, as given
    std::string reason;  // why it could not be opened: "cannot be opened: No such file or directory"

    bool ok() const { return outcome == InputOpen::dataFile || outcome == InputOpen::cif; }
};

// Opens the chosen input in the order given ("-": the standard input), each file once: whether
// it is CIF is decided from the bytes read first, which the reader then gets again. A single
// file that is not CIF is opened as openInputFile does; otherwise every file must be a CIF that
// can be opened, and no file may be given twice. The CIF files are read by state.reader, at
// every call from their start, or only at the first when one of them is a pipe. On success the earlier input is
// replaced and the reports name the input by cifInputName; on failure the role is left with no
// file (a single file that cannot be opened leaves it as it was).
InputChoice openInputFiles(RunState& state, const std::vector<std::filesystem::path>& files);

// The input's name in the reports: the file's name, or the first file's name and how many more
// ("04685.cif AND 6 MORE").
std::string cifInputName(const std::vector<std::filesystem::path>& files);

// Natural order of file names: runs of digits compare by their value, so that 9K comes before
// 10K and 100K before 1000K; otherwise byte by byte.
bool naturalNameLess(std::string_view a, std::string_view b);
