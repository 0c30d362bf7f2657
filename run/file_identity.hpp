#pragma once
// Which file a name or an open file reaches (device and inode, through symbolic and hard links),
// so that a run never writes into a file it reads.
#include <sys/types.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The file a path names, following symbolic links; nothing when there is none (yet).
std::optional<FileIdentity> identityOf(const std::filesystem::path& path);
// The file an open descriptor or stream refers to; nothing for none.
std::optional<FileIdentity> identityOf(int descriptor);
std::optional<FileIdentity> identityOf(std::FILE* file);

enum class InputClash {
    none,
    printFile,   // the print file is an input file
    resultFile,  // a result file that exists already is an input file
};

// Whether an output of a run would write into one of its input files: the print file, or one of
// the result files formed from printFileName in resultFolder (empty: the current folder).
InputClash outputClash(std::span<const FileIdentity> inputs, std::optional<FileIdentity> printFile,
                       const std::filesystem::path& resultFolder, std::string_view printFileName);

// The status text for a clash, or empty for none.
std::string_view clashText(InputClash clash);
