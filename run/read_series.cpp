#include "run/read_series.hpp"

#include <string>

#include "input/readfile.hpp"
#include "run/status_texts.hpp"

namespace {

// The keyword data file reader's reason with the file it is about, as the CIF reader gives its
// own: "x.dat, line 5: ..." or "x.dat: the file ends before its DATA line".
std::string withFileName(const std::string& file, const std::string& reason) {
    if (file.empty() || reason.empty()) return reason;
    return file + (reason.starts_with("line ") ? ", " : ": ") + reason;
}

}  // namespace

ReadResult readChosenSeries(RunState& state) {
    ReadResult read = state.reader ? state.reader() : readSeriesFile(state.inputFile.get());
    if (read.ok()) {
        // What the reader passed over or kept as it was: said, and the run goes on.
        if (state.detailSink)
            for (const std::string& warning : read.warnings)
                state.detailSink(state.reader ? warning : withFileName(state.inputFileName, warning));
        return read;
    }
    if (!state.reader) read.reason = withFileName(state.inputFileName, read.reason);
    state.runError = RunError::dataRejected;
    showStatus(state, read.failure == ReadFailure::invalidCell ? status::invalidCell(read.badPoint)
                                                          : std::string(status::readError));
    if (state.detailSink && !read.reason.empty()) state.detailSink(read.reason);
    return read;
}
