#include "report/result_files.hpp"

#include <cerrno>
#include <system_error>
#include <utility>


#include "report/labels.hpp"
#include "report/principal_report.hpp"

namespace {

std::string_view trimmedRight(std::string_view s) {
    const auto end = s.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view{} : s.substr(0, end + 1);
}

constexpr std::size_t kDotLimit = 70;  // a "." beyond this character leaves no room for the suffix

bool continuesACharacter(char c) { return (static_cast<unsigned char>(c) & 0xC0u) == 0x80u; }

// Characters of a UTF-8 text: every byte that does not continue a sequence starts one.
std::size_t characterCount(std::string_view s) {
    std::size_t n = 0;
    for (const char c : s) n += continuesACharacter(c) ? 0 : 1;
    return n;
}

// The byte where the character `count` characters after the one starting at byte `from` starts,
// or the end of the text.
std::size_t byteOfCharacter(std::string_view s, std::size_t from, std::size_t count) {
    std::size_t at = from;
    for (std::size_t k = 0; k < count && at < s.size(); ++k) {
        ++at;
        while (at < s.size() && continuesACharacter(s[at])) ++at;
    }
    return at;
}

void writeHeaderBlock(RecordFile& file, std::string_view firstTitle, const RunHeader& header,
                      std::string_view kindLine) {
    file.record(Rec().x(10).text(firstTitle).a(24, header.dateTime));
    file.record(Rec().x(5).text("    INPUT FILE IS: ").a(40, padded(header.inputName, 40)));
    file.record(Rec().x(5).text("      STRAINS ARE: ").a(24, strainTypeName(header.options.strainType)));
    file.record(Rec().x(5).text(kindLine));
    file.emptyRecord();
}

}  // namespace

std::string resultFileName(std::string_view printFileName, std::string_view suffix) {
    const std::string_view name = trimmedRight(printFileName);
    const auto dot = name.find('.');
    // Without a "." early enough for the 11-character suffix, append the suffix to the whole name.
    if (dot == std::string_view::npos || characterCount(name.substr(0, dot)) >= kDotLimit)
        return std::string(name) + std::string(trimmedRight(suffix));
    // The suffix overwrites the "." and the ten characters after it; what lies beyond stays.
    // A name longer than the 80-character text is kept whole rather than cut.
    const std::size_t rest = byteOfCharacter(name, dot, characterCount(suffix));
    std::string text(name.substr(0, dot));
    text += suffix;
    text += name.substr(rest);
    return std::string(trimmedRight(text));
}

bool ResultFiles::begin(const RunHeader& header) {
    const bool pressure = header.series.pressureRun;
    const std::string_view propertyKind = pressure ? "COMPRESSIBILITY TENSOR" : "THERMAL EXPANSION TENSOR";
    const auto open = [&](RecordFile& file, std::string_view suffix) {
        const std::filesystem::path path = folder_ / resultFileName(printFileName_, suffix);
        errno = 0;
        if (file.openAppend(path)) return true;
        const int error = errno != 0 ? errno : EIO;
        openFailure_ = "cannot open " + path.string() + ": " + std::generic_category().message(error);
        return false;
    };
    const auto columnHeads = [](RecordFile& file) {
        file.record(Rec().x(5).text("   MIDPT  ").x(11).text("11").x(22).text("22").x(22).text("33").x(22).text("12")
                        .x(22).text("13").x(22).text("23"));
        file.emptyRecord();
    };

    if (!open(strainCalFile_, kResultSuffixes[0])) return false;
    writeHeaderBlock(strainCalFile_, "STRAIN TENSOR FROM WIN-TENZIO RUN ON: ", header,
                     pressure ? "PRESSURE DATA" : "TEMPERATURE DATA");
    columnHeads(strainCalFile_);

    if (!open(tensorCalFile_, kResultSuffixes[1])) return false;
    writeHeaderBlock(tensorCalFile_, "PROPERTY TENSOR FROM WIN-TENZIO RUN ON: ", header, propertyKind);
    columnHeads(tensorCalFile_);

    if (!hasPrincipalAxes(header.series.crystalSystem)) return true;
    if (!open(prinCalFile_, kResultSuffixes[2])) return false;
    writeHeaderBlock(prinCalFile_, "STRAIN TENSOR FROM WIN-TENZIO RUN ON: ", header, propertyKind);
    prinCalFile_.record(Rec().x(5).text("MIDPT ").text(kPrincipalHeading));
    return true;
}

void ResultFiles::calculation(const PairResult& r) {
    const float midpoint = r.delta[2];
    writeTensorLine(strainCalFile_, midpoint, r.strain.strainTensor, r.strain.esdTensor);
    writeTensorLine(tensorCalFile_, midpoint, r.property.propertyTensor, r.property.propertyEsd);
    if (!r.principalAxes) return;
    const bool withEsds = r.strain.esdCount > 0;
    for (const PrincipalAxis& axis : r.principal) {
        Rec data;
        data.x(10).f(8, 2, midpoint);
        principalAxisFields(data, axis, withEsds, " ");
        prinCalFile_.record(data);
    }
}

bool ResultFiles::end() {
    // Every file, so that a failed write anywhere is reported rather than hidden.
    bool ok = true;
    for (RecordFile* f : {&strainCalFile_, &tensorCalFile_, &prinCalFile_}) ok = f->close() && ok;
    return ok;
}

std::string ResultFiles::failure() const {
    if (!openFailure_.empty()) return openFailure_;
    const std::pair<const RecordFile*, std::string_view> files[] = {
        {&strainCalFile_, kResultSuffixes[0]}, {&tensorCalFile_, kResultSuffixes[1]}, {&prinCalFile_, kResultSuffixes[2]}};
    for (const auto& [file, suffix] : files) {
        if (!file->failed()) continue;
        const std::filesystem::path path = folder_ / resultFileName(printFileName_, suffix);
        return "cannot write " + path.string() + ": " + std::generic_category().message(file->error() != 0 ? file->error() : EIO);
    }
    return {};
}

void writeTensorLine(RecordFile& file, float midpoint, const Mat3& tensor, const Mat3& esd) {
    static constexpr int kOrder[6][2] = {{1, 1}, {2, 2}, {3, 3}, {1, 2}, {1, 3}, {2, 3}};
    Rec rec;
    rec.x(5).f(7, 2, midpoint);
    for (const auto& [i, j] : kOrder) rec.f(12, 8, tensor(i, j)).f(12, 8, esd(i, j));
    file.record(rec);
}
