#include "run/run_files.hpp"

#include <cstdio>
#include <system_error>

std::string fileNameOf(std::string_view path) {
    const auto cut = path.find_last_of("/\\");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

bool openInputFile(RunState& state, const std::filesystem::path& path) {
    std::error_code ec;
    // A folder opens for reading on some systems but yields nothing; refuse it here.
    std::FILE* f = std::filesystem::is_directory(path, ec) ? nullptr : std::fopen(path.c_str(), "rb");
    if (!f) {
        state.inputFile.reset();
        state.fileChosen[0] = 0;
        state.inputFileName.clear();
        state.inputPath.clear();
        return false;
    }
    state.inputFile.reset(f);
    state.fileChosen[0] = 1;
    state.inputFileName = fileNameOf(path.string());
    state.inputPath = path.string();
    return true;
}

bool openPrintFile(RunState& state, const std::filesystem::path& path) {
    RecordFile file;
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec) || !file.openAppend(path)) {
        state.printFile.close();
        state.fileChosen[1] = 0;
        state.printFileName.clear();
        state.printPath.clear();
        return false;
    }
    state.printFile = std::move(file);
    state.fileChosen[1] = 1;
    state.printFileName = fileNameOf(path.string());
    state.printPath = std::filesystem::absolute(path, ec);
    return true;
}
