#pragma once
// A file written whole and put in place only when complete: it is written under a temporary
// name beside its final one and renamed over it at the end, so that a failed run leaves any
// earlier file of that name as it was.
#include <cstdio>
#include <filesystem>
#include <string_view>

class ReplacedFile {
public:
    ReplacedFile() = default;
    ReplacedFile(const ReplacedFile&) = delete;
    ReplacedFile& operator=(const ReplacedFile&) = delete;
    ~ReplacedFile();  // removes the temporary file unless it was committed

    bool open(const std::filesystem::path& path);
    bool isOpen() const { return file_ != nullptr; }
    void write(std::string_view text);
    // Flushes, closes and renames the file into place; false when any step failed.
    bool commit();

private:
    std::FILE* file_ = nullptr;
    std::filesystem::path path_;
    std::filesystem::path temporary_;
    bool failed_ = false;
};
