#include "run/input_choice.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>
#include <system_error>

#include "input/cif_reader.hpp"
#include "input/input_source.hpp"
#include "run/file_identity.hpp"
#include "run/run_files.hpp"

namespace {

InputChoice refused(RunState& state, InputOpen outcome, const std::filesystem::path& file) {
    state.inputFile.reset();
    state.fileChosen.input = false;
    state.inputFileName.clear();
    state.inputPath.clear();
    return {outcome, file.string(), {}};
}

constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }

// CIF files opened once. Regular files are read again at every call, as a data file is read
// again by every run of the dialog; when one of them cannot be read twice (a pipe), the series
// of the first call is kept for the later ones.
struct CifFiles {
    std::vector<std::string> names;
    std::vector<InputSource> sources;
    std::optional<ReadResult> read;

    ReadResult readAll() {
        if (read) return *read;
        std::vector<CifStream> streams;
        bool again = true;
        for (std::size_t k = 0; k < sources.size(); ++k) {
            again = rewindSource(sources[k]) && again;
            streams.push_back({names[k], sources[k].stream.get()});
        }
        ReadResult result = readCifStreams(streams);
        if (!again) {
            read = result;
            sources.clear();
        }
        return result;
    }
};

}  // namespace

InputChoice openInputFiles(RunState& state, const std::vector<std::filesystem::path>& files) {
    state.reader = nullptr;
    if (files.empty()) return refused(state, InputOpen::openFailed, {});
    // One file twice, by whatever names, would repeat its points.
    std::vector<FileIdentity> seen;
    for (const auto& file : files) {
        const std::optional<FileIdentity> identity =
            isStandardInput(file) ? identityOf(STDIN_FILENO) : identityOf(file);
        if (!identity) continue;
        if (std::find(seen.begin(), seen.end(), *identity) != seen.end())
            return refused(state, InputOpen::sameFileTwice, file);
        seen.push_back(*identity);
    }
    // Each file is opened once, in the order given: a pipe cannot be opened again.
    auto cif = std::make_shared<CifFiles>();
    for (const auto& file : files) {
        InputSource source = openInputSource(file);
        if (!source.stream) {
            // A single file that fails leaves the role with its earlier file.
            if (files.size() == 1) return {InputOpen::openFailed, file.string(), source.failure};
            InputChoice failed = refused(state, InputOpen::openFailed, file);
            failed.reason = source.failure;
            return failed;
        }
        if (files.size() == 1 && !source.cif) {
            useInputFile(state, source.stream.release(), file);
            return {InputOpen::dataFile, {}, {}};
        }
        if (!source.cif) return refused(state, InputOpen::dataFileNotAlone, file);
        cif->names.push_back(isStandardInput(file) ? "stdin" : file.filename().string());
        cif->sources.push_back(std::move(source));
    }
    // The input file stands for the first CIF file (which file it is, for the checks that a run
    // never writes into its input); the reader reads them all.
    const int first = ::dup(cif->sources.front().descriptor);
    std::FILE* same = first < 0 ? nullptr : ::fdopen(first, "rb");
    if (!same) {
        const int error = errno;
        if (first >= 0) ::close(first);
        InputChoice failed = refused(state, InputOpen::openFailed, files.front());
        failed.reason = "cannot be opened: " + std::generic_category().message(error);
        return failed;
    }
    useInputFile(state, same, files.front());
    state.inputFileName = cifInputName(files);
    state.reader = [cif] { return cif->readAll(); };
    return {InputOpen::cif, {}, {}};
}

std::string cifInputName(const std::vector<std::filesystem::path>& files) {
    if (files.empty()) return {};
    std::string name = inputNameOf(files.front());
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
