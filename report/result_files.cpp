#include "report/result_files.hpp"

#include <cerrno>
#include <system_error>
#include <utility>

#include "LIBRARIES/text/text.hpp"
#include "report/labels.hpp"
#include "report/principal_report.hpp"

namespace {

constexpr std::size_t kDotLimit = 70;  // a "." beyond this character leaves no room for the suffix

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

ResultFileNames::ResultFileNames(const std::filesystem::path& folder, std::string_view printFileName)
    : strain(folder / resultFileName(printFileName, "_strain.cal")),
      tensor(folder / resultFileName(printFileName, "_tensor.cal")),
      principal(folder / resultFileName(printFileName, "_prin.cal  ")) {}

std::vector<std::filesystem::path> ResultFileNames::written(CrystalSystem system) const {
    if (hasPrincipalAxes(system)) return {strain, tensor, principal};
    return {strain, tensor};
}

bool ResultFiles::begin(const RunHeader& header) {
    const bool pressure = header.series.pressureRun;
    const std::string_view propertyKind = pressure ? "COMPRESSIBILITY TENSOR" : "THERMAL EXPANSION TENSOR";
    const ResultFileNames names(folder_, printFileName_);
    const auto open = [&](RecordFile& file, const std::filesystem::path& path) {
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

    if (!open(strainCalFile_, names.strain)) return false;
    writeHeaderBlock(strainCalFile_, "STRAIN TENSOR FROM WIN-TENZIO RUN ON: ", header,
                     pressure ? "PRESSURE DATA" : "TEMPERATURE DATA");
    columnHeads(strainCalFile_);

    if (!open(tensorCalFile_, names.tensor)) return false;
    writeHeaderBlock(tensorCalFile_, "PROPERTY TENSOR FROM WIN-TENZIO RUN ON: ", header, propertyKind);
    columnHeads(tensorCalFile_);

    if (!hasPrincipalAxes(header.series.crystalSystem)) return true;
    if (!open(prinCalFile_, names.principal)) return false;
    writeHeaderBlock(prinCalFile_, "STRAIN TENSOR FROM WIN-TENZIO RUN ON: ", header, propertyKind);
    prinCalFile_.record(Rec().x(5).text("MIDPT ").text(kPrincipalHeading));
    return true;
}

void ResultFiles::calculation(const PairResult& r) {
    const float midpoint = r.delta.midpoint;
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
    const ResultFileNames names(folder_, printFileName_);
    const std::pair<const RecordFile*, const std::filesystem::path*> files[] = {
        {&strainCalFile_, &names.strain}, {&tensorCalFile_, &names.tensor}, {&prinCalFile_, &names.principal}};
    for (const auto& [file, name] : files) {
        if (!file->failed()) continue;
        const std::filesystem::path& path = *name;
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
