#pragma once
// Opening the two files that a user chooses for a run, shared by both front ends.
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "run/run_state.hpp"

// The part of a path after its last folder separator, or the whole path. Only '/' separates
// folders here; on Windows '\' does too. Elsewhere a backslash is part of a name.
std::string fileNameOf(std::string_view path);

// The input's name in the reports: the file's name; "stdin" for "-", the standard input.
std::string inputNameOf(const std::filesystem::path& path);

// Makes an open stream of `path` the input file, as openInputFile does.
void useInputFile(RunState& state, std::FILE* file, const std::filesystem::path& path);

// Opens an existing data file ("-": the standard input) for reading. On success it replaces the role's earlier file and
// records the name; on failure the role keeps its earlier file, if any, as it was.
bool openInputFile(RunState& state, const std::filesystem::path& path);

// Opens the print file for appending (created when missing, never truncated); same rules. On
// failure errno holds the system's reason.
bool openPrintFile(RunState& state, const std::filesystem::path& path);

// Whether the open print file is a device (/dev/null, a terminal), which has no folder of result
// files beside it.
bool printFileIsDevice(const RunState& state);

// Why writing the print file failed, naming it: "cannot write out/run.prt: No space left on device".
std::string printFileFailure(const RunState& state);
