#pragma once
// Helpers shared by the tests: temporary folders, files, and states reading a given text.
#include <cstdio>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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

// A state whose input file holds `text`, with its status texts collected.
struct StateReading {
    RunState state;
    std::vector<std::string> status;
    explicit StateReading(const std::string& text) {
        std::FILE* f = std::tmpfile();
        std::fwrite(text.data(), 1, text.size(), f);
        std::rewind(f);
        state.inputFile.reset(f);
        state.statusSink = [this](std::string_view s) { status.emplace_back(s); };
    }
};

}  // namespace testing_support
