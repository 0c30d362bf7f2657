#include "run/run_files.hpp"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "input/input_source.hpp"

std::string fileNameOf(std::string_view path) {
#ifdef _WIN32
    const auto cut = path.find_last_of("/\\");
#else
    const auto cut = path.find_last_of('/');
#endif
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string inputNameOf(const std::filesystem::path& path) {
    return isStandardInput(path) ? "stdin" : fileNameOf(path.string());
}

void useInputFile(RunState& state, std::FILE* file, const std::filesystem::path& path) {
    state.inputFile.reset(file);
    state.fileChosen.input = true;
    state.inputFileName = inputNameOf(path);
    state.inputPath = path.string();
}

bool openInputFile(RunState& state, const std::filesystem::path& path) {
    // A folder is refused; the stream reads the file once, from its first byte.
    InputSource source = openInputSource(path);
    if (!source.stream) return false;
    useInputFile(state, source.stream.release(), path);
    return true;
}

bool openPrintFile(RunState& state, const std::filesystem::path& path) {
    RecordFile file;
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        errno = EISDIR;
        return false;
    }
    if (!file.openAppend(path)) return false;  // errno as the opening left it
    state.printFile = std::move(file);
    state.fileChosen.print = true;
    state.printFileName = fileNameOf(path.string());
    state.printPath = std::filesystem::absolute(path, ec);
    return true;
}

bool printFileIsDevice(const RunState& state) {
    struct stat info {};
    return state.printFile.isOpen() && ::fstat(state.printFile.descriptor(), &info) == 0 &&
           (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode));
}

std::string printFileFailure(const RunState& state) {
    const int error = state.printFile.error() != 0 ? state.printFile.error() : EIO;
    return "cannot write " + state.printPath.string() + ": " + std::generic_category().message(error);
}
