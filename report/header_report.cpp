#include "report/header_report.hpp"

#include "report/labels.hpp"

void WRITE_HEADER(RunState& state) {
    RecordFile& out = state.printFile;
    const auto border = [&] { out.record(Rec().x(1).fill(120, '*')); };
    const auto blankRow = [&] { out.record(Rec().text(" *").x(118).text("*")); };
    const auto textRow = [&](std::string_view text) { out.record(Rec().text(" *").x(42).text(text).x(43).text("*")); };

    border();
    blankRow();
    blankRow();
    textRow("         TENZIO PROGRAM          ");
    blankRow();
    blankRow();
    textRow("   VERSION 4.11 - ZVK NOV 2011   ");
    blankRow();
    blankRow();
    border();

    const std::string when = runDateTime(state);
    out.emptyRecord();
    out.record(Rec().x(5).text("WIN_TENZIO RUN ON: ").a(24, when));
    out.record(Rec().x(5).text("    INPUT FILE IS: ").a(40, padded(state.inputFileName, 40)));
    out.emptyRecord();
    out.emptyRecord();
}
