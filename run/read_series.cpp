#include "run/read_series.hpp"

#include <string>

#include "input/readfile.hpp"
#include "run/status_texts.hpp"

ReadResult readChosenSeries(RunState& state) {
    ReadResult read = state.reader ? state.reader() : READFILE(state.inputFile.get());
    if (read.ok()) return read;
    state.runError = 1;
    WLINE(state, read.failure == ReadFailure::invalidCell ? status::invalidCell(read.badPoint)
                                                          : std::string(status::readError));
    if (state.detailSink && !read.reason.empty()) state.detailSink(read.reason);
    return read;
}
