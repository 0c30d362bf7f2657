#pragma once
// Helpers shared by the tests: temporary folders, files, and states reading a given text.
#include <cstdio>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "input/readfile.hpp"
#include "run/run_state.hpp"

namespace testing_support {

// A folder of its own for one test, removed afterwards.
class TempFolder {
public:
    explicit TempFolder(const std::string& tag) {
        path_ = std::filesystem::temp_directory_path() / ("tenzio-test-" + tag + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

inline std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void writeFile(const std::filesystem::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

// What the keyword data file reader makes of a text.
inline ReadResult readDataText(const std::string& text) {
    std::FILE* f = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f);
    ReadResult r = READFILE(f);
    std::fclose(f);
    return r;
}

}  // namespace testing_support
