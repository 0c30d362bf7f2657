// Fuzz target: a whole run, the bytes being the data file. The print file and the result files
// live in a private temporary folder and start with earlier content, which every run must keep;
// a run that fails must leave them exactly as they were, and a completed run prints no number
// that is not finite but the undefined property of an unchanged T or P. Such a breach traps like
// a crash.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "input/readfile.hpp"
#include "run/process_data.hpp"
#include "run/run_files.hpp"
#include "run/run_state.hpp"

namespace fs = std::filesystem;

namespace {

void require(bool condition) {
    if (!condition) __builtin_trap();
}

// What an earlier run left in each file; CR LF ends and no final line end, as a cut-off run might.
constexpr std::string_view kEarlier = "earlier report line\r\n\r\nlast line without its end";
constexpr std::string_view kPrintName = "run.prt";
constexpr std::string_view kResultNames[] = {"run_strain.cal", "run_tensor.cal", "run_prin.cal"};

// One folder per fuzzing process, removed when the process ends normally.
struct Scratch {
    fs::path folder;
    Scratch() {
        std::string pattern = (fs::temp_directory_path() / "tenzio-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        folder = pattern;
    }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
};

const fs::path& scratchFolder() {
    static Scratch scratch;
    return scratch.folder;
}

void writeFile(const fs::path& path, std::string_view content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    require(out.good());
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path& folder = scratchFolder();
    const fs::path printPath = folder / kPrintName;
    writeFile(printPath, kEarlier);
    for (std::string_view name : kResultNames) writeFile(folder / name, kEarlier);

    std::vector<char> bytes(data, data + size);
    bytes.push_back('\0');  // keeps the buffer non-null for an empty input
    RunState state;
    state.inputFile.reset(fmemopen(bytes.data(), size, "rb"));
    if (!state.inputFile) return 0;
    state.inputFileName = "fuzz.dat";
    state.fileChosen.input = true;
    require(openPrintFile(state, printPath));
    state.resultFolder = folder;
    state.clock = [] { return std::string("Thu Jan  1 00:00:00 1970"); };
    std::vector<std::string> status;
    state.statusSink = [&status](std::string_view text) { status.emplace_back(text); };

    // The last byte also picks the options, so that every axial set and strain type is reached;
    // the whole input stays the data file.
    const unsigned pick = size > 0 ? data[size - 1] : 0u;
    state.options.axisConvention = static_cast<AxialSet>(1 + pick % 3);
    state.options.strainType = static_cast<StrainType>(1 + (pick / 3) % 4);
    state.options.incremental = (pick / 12) % 2 != 0;

    // A series of volumes has no pairs: its run writes neither the report nor the result files.
    std::vector<char> again = bytes;
    std::FILE* copy = fmemopen(again.data(), size, "rb");
    if (!copy) return 0;
    const ReadResult read = readSeriesFile(copy);
    std::fclose(copy);
    const bool volumesOnly = read.ok() && read.series.volumeOnly;

    const RunOutcome outcome = runSeries(state);
    state.inputFile.reset();
    state.printFile.close();

    for (const std::string& text : status) require(!text.empty() && text.size() <= 80);
    const bool wroteNothing = outcome == RunOutcome::readError || outcome == RunOutcome::onlyOneDatum ||
                              outcome == RunOutcome::invalidCell || outcome == RunOutcome::refused;
    if (outcome == RunOutcome::readError || outcome == RunOutcome::invalidCell) require(state.runError == RunError::dataRejected);
    if (outcome == RunOutcome::completed || outcome == RunOutcome::onlyOneDatum || outcome == RunOutcome::refused)
        require(state.runError == RunError::none);
    if (wroteNothing) require(!status.empty());

    std::vector<fs::path> files = {printPath};
    for (std::string_view name : kResultNames) files.push_back(folder / name);
    for (const fs::path& path : files) {
        const std::string content = readFile(path);
        require(content.compare(0, kEarlier.size(), kEarlier) == 0);  // earlier content kept
        if (wroteNothing || volumesOnly) require(content.size() == kEarlier.size());
    }
    if (outcome == RunOutcome::completed && !volumesOnly) {
        const std::string report = readFile(printPath);
        require(report.size() > kEarlier.size());
        // The only number a completed run may print that is not finite is the undefined property
        // of an unchanged T or P.
        for (const fs::path& path : files) require(readFile(path).find("Infinity") == std::string::npos);
        if (report.find("NaN") != std::string::npos) require(report.find("UNDEFINED") != std::string::npos);
    }
    return 0;
}
