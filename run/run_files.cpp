#include "run/run_files.hpp"

#include <cstdio>
#include <system_error>

std::string fileNameOf(std::string_view path) {
#ifdef _WIN32
    const auto cut = path.find_last_of("/\\");
#else
    const auto cut = path.find_last_of('/');
#endif
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

bool openInputFile(RunState& state, const std::filesystem::path& path) {
    std::error_code ec;
    // A folder opens for reading on some systems but yields nothing; refuse it here.
    std::FILE* f = std::filesystem::is_directory(path, ec) ? nullptr : std::fopen(path.c_str(), "rb");
    if (!f) return false;
    state.inputFile.reset(f);
    state.fileChosen.input = 1;
    state.inputFileName = fileNameOf(path.string());
    state.inputPath = path.string();
    return true;
}

bool openPrintFile(RunState& state, const std::filesystem::path& path) {
    RecordFile file;
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec) || !file.openAppend(path)) return false;
    state.printFile = std::move(file);
    state.fileChosen.print = 1;
    state.printFileName = fileNameOf(path.string());
    state.printPath = std::filesystem::absolute(path, ec);
    return true;
}
