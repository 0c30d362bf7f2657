#include "cli/input_files.hpp"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "export/replaced_file.hpp"
#include "input/data_file_writer.hpp"
#include "run/read_series.hpp"
#include "run/input_choice.hpp"
#include "run/status_texts.hpp"

namespace {

constexpr std::string_view kDataFileWritten = "DATA FILE WRITTEN";
constexpr std::string_view kDataFileFailed = "ERROR WRITING DATA FILE";

int usageError(const std::string& text) {
    std::cerr << "tenzio-batch: " << text << "\nRun with --help for more information.\n";
    return 2;
}

void detail(RunState& state, const std::string& text) {
    if (state.detailSink) state.detailSink(text);
}

}  // namespace

std::optional<int> prepareInput(RunState& state, BatchInput& input, bool runFollows) {
    const std::vector<std::filesystem::path> files(input.files.begin(), input.files.end());
    const InputChoice choice = openInputFiles(state, files);
    switch (choice.outcome) {
        case InputOpen::openFailed:
            showStatus(state, status::inputOpenFailed);
            detail(state, choice.file + ": " + (choice.reason.empty() ? std::string("cannot be opened") : choice.reason));
            return 1;
        case InputOpen::dataFileNotAlone:
            return usageError(choice.file + " is a keyword data file: give it alone, or only CIF files");
        case InputOpen::sameFileTwice:
            return usageError(choice.file + " is an input file given before (by this or another name)");
        case InputOpen::dataFile:
        case InputOpen::cif: break;
    }
    if (!input.sort && input.dataOut.empty()) return std::nullopt;

    ReadResult read = readChosenSeries(state);
    if (!read.ok()) return 1;
    Series& series = read.series;
    if (input.sort) {
        std::stable_sort(series.points.begin(), series.points.end(), [&](const DataPoint& a, const DataPoint& b) {
            return variableOf(a, series.pressureRun) < variableOf(b, series.pressureRun);
        });
    }
    if (!input.dataOut.empty()) {
        std::vector<std::string> comments;
        if (choice.outcome == InputOpen::cif) {
            comments.push_back("Read from CIF: " + state.inputFileName);
            comments.push_back("T in K, P in GPa (the CIF's kPa / 10^6); each value is followed by its esd");
        }
        if (runFollows) {
            input.runDataOut = std::make_unique<DataFileOutput>(input.dataOut, std::move(comments));
        } else {
            ReplacedFile out;
            if (out.open(input.dataOut)) out.write(dataFileText(series, comments));
            if (!out.isOpen() || !out.commit()) {
                showStatus(state, kDataFileFailed);
                detail(state, out.failure());
                return 1;
            }
        }
    }
    if (!runFollows) {
        showStatus(state, kDataFileWritten);
        return 0;
    }
    // The run works on the series as read (and sorted) here, not on a second reading; the
    // reader's warnings have been shown once already.
    read.warnings.clear();
    state.reader = [read = std::move(read)] { return read; };
    return std::nullopt;
}
