#include "run/input_choice.hpp"

#include <cstdio>

#include "input/cif_reader.hpp"
#include "run/run_files.hpp"

namespace {

bool canOpen(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return false;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

InputChoice refused(RunState& state, InputOpen outcome, const std::filesystem::path& file) {
    state.inputFile.reset();
    state.fileChosen.input = 0;
    state.inputFileName.clear();
    state.inputPath.clear();
    return {outcome, file.string()};
}

constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

InputChoice openInputFiles(RunState& state, const std::vector<std::filesystem::path>& files) {
    state.reader = nullptr;
    if (files.empty()) return refused(state, InputOpen::openFailed, {});
    if (files.size() == 1 && !looksLikeCif(files.front())) {
        if (!openInputFile(state, files.front())) return {InputOpen::openFailed, files.front().string()};
        return {InputOpen::dataFile, {}};
    }
    for (const auto& file : files) {
        if (!canOpen(file)) return refused(state, InputOpen::openFailed, file);
        if (!looksLikeCif(file)) return refused(state, InputOpen::dataFileNotAlone, file);
    }
    if (!openInputFile(state, files.front())) return {InputOpen::openFailed, files.front().string()};
    state.inputFileName = cifInputName(files);
    state.reader = [files] { return readCifSeries(files); };
    return {InputOpen::cif, {}};
}

std::string cifInputName(const std::vector<std::filesystem::path>& files) {
    if (files.empty()) return {};
    std::string name = fileNameOf(files.front().string());
    if (files.size() > 1) name += " AND " + std::to_string(files.size() - 1) + " MORE";
    return name;
}

bool naturalNameLess(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            // Compare the digit runs by value: without leading zeros, the longer run is larger,
            // and runs of equal length compare digit by digit.
            std::size_t ei = i;
            std::size_t ej = j;
            while (ei < a.size() && isDigit(a[ei])) ++ei;
            while (ej < b.size() && isDigit(b[ej])) ++ej;
            std::size_t si = i;
            std::size_t sj = j;
            while (si + 1 < ei && a[si] == '0') ++si;
            while (sj + 1 < ej && b[sj] == '0') ++sj;
            if (ei - si != ej - sj) return ei - si < ej - sj;
            const int order = a.substr(si, ei - si).compare(b.substr(sj, ej - sj));
            if (order != 0) return order < 0;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size()) return j < b.size();
    // Equal by value ("007" and "7"): byte order keeps the order strict.
    return a < b;
}
