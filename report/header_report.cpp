#include "report/header_report.hpp"

#include "report/labels.hpp"

void writeHeaderSection(RecordFile& out, const RunHeader& header) {
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

    out.emptyRecord();
    out.record(Rec().x(5).text("WIN_TENZIO RUN ON: ").a(24, header.dateTime));
    out.record(Rec().x(5).text("    INPUT FILE IS: ").a(40, padded(header.inputName, 40)));
    if (!header.series.note.empty()) out.record(Rec().x(5).text(header.series.note));
    out.emptyRecord();
    out.emptyRecord();
}
