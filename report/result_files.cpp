#include "report/result_files.hpp"

#include "report/labels.hpp"

namespace {

std::string_view trimmedRight(std::string_view s) {
    const auto end = s.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view{} : s.substr(0, end + 1);
}

constexpr std::size_t kNameWidth = 80;   // the result file names are formed in a text this wide
constexpr std::size_t kDotLimit = 70;    // a "." beyond this leaves no room for the suffix

void writeHeaderBlock(RecordFile& file, std::string_view firstTitle, std::string_view stamp, const RunState& state,
                      std::string_view kindLine) {
    file.record(Rec().x(10).text(firstTitle).a(24, stamp));
    file.record(Rec().x(5).text("    INPUT FILE IS: ").a(40, padded(state.inputFileName, 40)));
    file.record(Rec().x(5).text("      STRAINS ARE: ").a(24, strainTypeName(state.options.strainType)));
    file.record(Rec().x(5).text(kindLine));
    file.emptyRecord();
}

}  // namespace

std::string resultFileName(std::string_view printFileName, std::string_view suffix) {
    const std::string_view name = trimmedRight(printFileName);
    const auto dot = name.find('.');
    // Without a "." early enough for the 11-character suffix, append the suffix to the whole name.
    if (dot == std::string_view::npos || dot >= kDotLimit) return std::string(name) + std::string(trimmedRight(suffix));
    // The suffix overwrites the "." and the ten characters after it; what lies beyond stays.
    // A name longer than the 80-character text is kept whole rather than cut.
    std::string text(name);
    text.resize(std::max(kNameWidth, std::max(text.size(), dot + suffix.size())), ' ');
    text.replace(dot, suffix.size(), suffix);
    return std::string(trimmedRight(text));
}

bool OPEN_SUBSIDIARY_FILES(RunState& state) {
    const std::string stamp = runDateTime(state);
    const bool pressure = state.pressureRun == 1;
    const std::string_view propertyKind = pressure ? "COMPRESSIBILITY TENSOR" : "THERMAL EXPANSION TENSOR";
    const auto open = [&](RecordFile& file, std::string_view suffix) {
        return file.openAppend(state.resultFolder / resultFileName(state.printFileName, suffix));
    };
    const auto columnHeads = [](RecordFile& file) {
        file.record(Rec().x(5).text("   MIDPT  ").x(11).text("11").x(22).text("22").x(22).text("33").x(22).text("12")
                        .x(22).text("13").x(22).text("23"));
        file.emptyRecord();
    };

    if (!open(state.strainCalFile, "_strain.cal")) return false;
    writeHeaderBlock(state.strainCalFile, "STRAIN TENSOR FROM WIN-TENZIO RUN ON: ", stamp, state,
                     pressure ? "PRESSURE DATA" : "TEMPERATURE DATA");
    columnHeads(state.strainCalFile);

    if (!open(state.tensorCalFile, "_tensor.cal")) return false;
    writeHeaderBlock(state.tensorCalFile, "PROPERTY TENSOR FROM WIN-TENZIO RUN ON: ", stamp, state, propertyKind);
    columnHeads(state.tensorCalFile);

    if (state.crystalSystem >= 2) return true;
    if (!open(state.prinCalFile, "_prin.cal  ")) return false;
    writeHeaderBlock(state.prinCalFile, "STRAIN TENSOR FROM WIN-TENZIO RUN ON: ", stamp, state, propertyKind);
    state.prinCalFile.record(Rec().x(5).text("MIDPT ").text(kPrincipalHeading));
    return true;
}

void writeTensorLine(RecordFile& file, float midpoint, const Mat3& tensor, const Mat3& esd) {
    static constexpr int kOrder[6][2] = {{1, 1}, {2, 2}, {3, 3}, {1, 2}, {1, 3}, {2, 3}};
    Rec rec;
    rec.x(5).f(7, 2, midpoint);
    for (const auto& [i, j] : kOrder) rec.f(12, 8, tensor(i, j)).f(12, 8, esd(i, j));
    file.record(rec);
}
