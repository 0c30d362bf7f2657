#include "run/read_series.hpp"

#include <string>

#include "input/readfile.hpp"
#include "run/status_texts.hpp"

ReadResult readChosenSeries(RunState& state) {
    ReadResult read = state.reader ? state.reader() : READFILE(state.inputFile.get());
    if (read.ok()) {
        // What the reader passed over or kept as it was: said, and the run goes on.
        if (state.detailSink)
            for (const std::string& warning : read.warnings) state.detailSink(warning);
        return read;
    }
    state.runError = 1;
    WLINE(state, read.failure == ReadFailure::invalidCell ? status::invalidCell(read.badPoint)
                                                          : std::string(status::readError));
    if (state.detailSink && !read.reason.empty()) state.detailSink(read.reason);
    return read;
}
