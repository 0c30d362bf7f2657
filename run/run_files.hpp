#pragma once
// Opening the two files that a user chooses for a run, shared by both front ends.
#include <filesystem>
#include <string>
#include <string_view>

#include "run/run_state.hpp"

// The part of a path after its last folder separator, or the whole path. Only '/' separates
// folders here; on Windows '\' does too. Elsewhere a backslash is part of a name.
std::string fileNameOf(std::string_view path);

// Opens an existing data file for reading. On success it replaces the role's earlier file and
// records the name; on failure the role keeps its earlier file, if any, as it was.
bool openInputFile(RunState& state, const std::filesystem::path& path);

// Opens the print file for appending (created when missing, never truncated); same rules.
bool openPrintFile(RunState& state, const std::filesystem::path& path);
