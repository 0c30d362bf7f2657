#pragma once
// The files one run writes, each named as the user named it, so that two outputs that are one
// file, or an output that is an input, are found before anything is opened or written.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "run/file_identity.hpp"

struct OutputTarget {
    std::string role;               // how a message names it: "--json", "the result file", ...
    std::filesystem::path path;     // as given; "-" is the standard output
    std::string_view inputStatus;   // the status text when it is an input; empty: a usage error
};

// "-" names the standard input or output.
bool isStandardStream(const std::filesystem::path& path);

// The file a target reaches now (the standard output for "-"), through links; nothing when it
// does not exist yet.
std::optional<FileIdentity> identityOfTarget(const OutputTarget& target);

// "--json out/run.json"
std::string describeTarget(const OutputTarget& target);

// The first two targets (by their indexes) that are one file: the same path, the same name in
// one folder however that folder is reached, or one existing file by device and inode.
std::optional<std::pair<std::size_t, std::size_t>> firstSameFile(std::span<const OutputTarget> targets);

// The first target that is one of the inputs.
std::optional<std::size_t> firstTargetOnInput(std::span<const OutputTarget> targets,
                                              std::span<const FileIdentity> inputs);
