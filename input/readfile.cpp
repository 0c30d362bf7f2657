#include "input/readfile.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>

#include "LIBRARIES/text/text.hpp"
#include "calc/crystal_system.hpp"
#include "calc/units.hpp"
#include "calc/validate_cells.hpp"
#include "input/line_reader.hpp"
#include "input/number_parsing.hpp"

namespace {

constexpr std::size_t kHeaderWidth = 200;
// No data line of a real series comes near this; a longer one is read up to here, so that no
// file can make the reader hold more.
constexpr std::size_t kLongestLine = std::size_t{1} << 16;
// A header (the lines before DATA) is a few lines; a file without DATA in its first megabyte is
// not a data file, and searching further would only read a wrong file to its end.
constexpr std::uint64_t kLongestHeader = std::uint64_t{1} << 20;

// Column names by code 1 to 19, five characters each, searched in code order.
constexpr std::array<std::string_view, 19> kColumnNames = {
    "P    ", "T    ", "A    ", "B    ", "C    ", "ALPHA", "BETA ", "GAMMA", "V    ", "SIGP ",
    "SIGT ", "SIGA ", "SIGB ", "SIGC ", "SIGAL", "SIGBE", "SIGGA", "SIGV ", "SKIP "};
constexpr int kPressureColumn = 1;

enum Keyword { kNone, kTitle, kData, kLines, kLine1, kLine2, kSystem, kUnits };

// A header line as the keyword tests see it: 200 columns, blank padded, a-z in capitals.
// Tabs count as blanks, so that tab-separated column lines work like blank-separated ones.
std::string headerRecord(std::string_view line) {
    std::string rec(kHeaderWidth, ' ');
    const std::size_t n = std::min(line.size(), kHeaderWidth);
    for (std::size_t i = 0; i < n; ++i) {
        char c = line[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        else if (c == '\t') c = ' ';
        rec[i] = c;
    }
    return rec;
}

Keyword keywordOf(std::string_view rec) {
    const std::string_view key = rec.substr(0, 5);
    if (key == "TITLE") return kTitle;
    if (key == "DATA ") return kData;
    if (key == "LINES") return kLines;
    if (key == "LINE1") return kLine1;
    if (key == "LINE2") return kLine2;
    if (key == "SYSTE") return kSystem;
    if (key == "UNITS") return kUnits;
    return kNone;
}

// The column codes of a LINE1 or LINE2 record: each blank-separated word from column 6,
// compared by its first five characters; 0 for a word that is no column name.
std::vector<int> columnCodesOf(std::string_view rec) {
    std::vector<int> codes;
    std::size_t pos = 5;
    while (pos < rec.size()) {
        if (rec[pos] == ' ') {
            ++pos;
            continue;
        }
        const std::size_t end = std::min(rec.find(' ', pos), rec.size());
        std::string name(rec.substr(pos, std::min<std::size_t>(end - pos, 5)));
        name.resize(5, ' ');
        int code = 0;
        for (std::size_t c = 0; c < kColumnNames.size(); ++c) {
            if (kColumnNames[c] == name) {
                code = static_cast<int>(c) + 1;
                break;
            }
        }
        codes.push_back(code);
        pos = end;
    }
    return codes;
}

// The system a SYSTEM line names; a later word in this order overrides an earlier one. A line
// without any of the words names none, and leaves the system as it was.
std::optional<CrystalSystem> crystalSystemOf(std::string_view rec) {
    std::optional<CrystalSystem> system;
    constexpr std::pair<std::string_view, CrystalSystem> kWords[] = {
        {"MONO", CrystalSystem::monoclinic}, {"ORTHO", CrystalSystem::orthorhombic},
        {"TETR", CrystalSystem::tetragonal}, {"TRIG", CrystalSystem::trigonal},
        {"HEX", CrystalSystem::hexagonal},   {"CUBIC", CrystalSystem::cubic}};
    for (const auto& [word, value] : kWords) {
        if (rec.find(word) != std::string_view::npos) system = value;
    }
    return system;
}

// The units a UNITS line names, e.g. "UNITS T K P GPa": the word after T or P, or a word that
// can only be a unit of one of them ("UNITS C kbar"). Only the fits and the plots use the units.
// A word after T or P that is no known unit is kept as the label; other words are passed over.
// Either is a warning (`where` names the line), unless a later word names the unit after all.
void readUnits(std::string_view text, Series& series, const std::string& where, std::vector<std::string>& warnings) {
    // The keyword is the first word, however long (only its first five characters count).
    std::string_view rest = text.substr(std::min(text.find_first_of(" \t"), text.size()));
    char expecting = 0;  // 'T' or 'P' after such a word
    std::vector<std::string> found;  // the warnings in the order of their words; empty: withdrawn
    std::optional<std::size_t> labelT, labelP;  // the warning of a label kept, while it stands
    const auto setUnit = [&](std::string& unit, std::optional<std::size_t>& label,
                             const std::optional<std::string>& known, std::string_view word, char of) {
        if (label) found[*label].clear();
        label.reset();
        unit = known ? *known : std::string(word);
        if (known) return;
        label = found.size();
        found.push_back(where + "UNITS: \"" + std::string(word) + "\" is no known unit of " + of + "; kept as its label");
    };
    while (!rest.empty()) {
        const std::size_t start = rest.find_first_not_of(" \t");
        if (start == std::string_view::npos) break;
        rest.remove_prefix(start);
        const std::size_t end = std::min(rest.find_first_of(" \t"), rest.size());
        const std::string_view word = rest.substr(0, end);
        rest.remove_prefix(end);
        if (word == "T" || word == "t" || word == "P" || word == "p") {
            expecting = static_cast<char>(word[0] & ~0x20);
            continue;
        }
        const auto t = temperatureUnitNamed(word);
        const auto p = pressureUnitNamed(word);
        if (expecting == 'T' || (expecting == 0 && t)) setUnit(series.temperatureUnit, labelT, t, word, 'T');
        else if (expecting == 'P' || (expecting == 0 && p)) setUnit(series.pressureUnit, labelP, p, word, 'P');
        else
            found.push_back(where + "UNITS: \"" + std::string(word) + "\" is neither T, P nor a known unit; passed over");
        expecting = 0;
    }
    for (std::string& warning : found)
        if (!warning.empty()) warnings.push_back(std::move(warning));
}

void storeValue(DataPoint& point, int code, float v) {
    switch (code) {
        case 1: point.p = v; break;
        case 2: point.t = v; break;
        case 3: case 4: case 5: case 6: case 7: case 8: point.cell[code - 3] = v; break;
        case 9: point.volumeAsRead = v; break;
        case 10: point.sigP = v; break;
        case 11: point.sigT = v; break;
        case 12: case 13: case 14: case 15: case 16: case 17: point.cell.esd[code - 12] = v; break;
        case 18: point.volumeAsReadEsd = v; break;
        default: break;  // a column that is no name, or SKIP: read and thrown away
    }
}

ReadResult failure(ReadFailure kind, std::string reason, int badPoint = 0) {
    ReadResult r;
    r.failure = kind;
    r.reason = std::move(reason);
    r.badPoint = badPoint;
    return r;
}

std::string lineText(long number) { return "line " + std::to_string(number) + ": "; }

enum class ReadStatus { ok, endOfFile, error };

// One free-format read of `count` reals: starts on a new line, continues on the following lines
// while numbers are missing, ignores whatever follows the last number it needs.
ReadStatus readValues(LineReader& reader, std::string& line, std::size_t count, std::vector<float>& values,
                      std::string& reason) {
    values.clear();
    do {
        if (!reader.next(line)) {
            if (!reader.failed()) return ReadStatus::endOfFile;
            reason = "the file could not be read to its end";
            return ReadStatus::error;
        }
        std::size_t pos = 0;
        while (values.size() < count) {
            while (pos < line.size() && isSeparator(line[pos])) ++pos;
            if (pos >= line.size()) break;
            std::size_t end = pos;
            while (end < line.size() && !isSeparator(line[end])) ++end;
            // A number that reaches the end of a line too long to keep may go on beyond it.
            if (reader.cut() && end == line.size()) {
                reason = lineText(reader.lineNumber()) + "longer than " + std::to_string(kLongestLine) + " characters";
                return ReadStatus::error;
            }
            float v = 0.0f;
            const std::string_view token = std::string_view(line).substr(pos, end - pos);
            if (!parseReal(token, v)) {
                const bool printable = std::all_of(token.begin(), token.end(), [](char c) { return c > ' ' && c < 127; });
                // Appended rather than "\"" + std::string(token): GCC 12 at -O2 takes the insertion at
                // the front of a string for an overlapping copy (-Wrestrict, a false positive).
                reason = lineText(reader.lineNumber()) +
                         (printable && token.size() <= 40 ? std::string("\"").append(token).append("\" is not a number")
                                                          : std::string("a number was expected"));
                return ReadStatus::error;
            }
            values.push_back(v);
            pos = end;
        }
        if (values.size() < count && reader.cut()) {
            reason = lineText(reader.lineNumber()) + "longer than " + std::to_string(kLongestLine) + " characters";
            return ReadStatus::error;
        }
    } while (values.size() < count);
    return ReadStatus::ok;
}

// Room in the table for the whole series where the file is a regular one, so that the table is
// allocated once: a vector grown point by point keeps up to twice the room it needs, and holds
// both the old and the new block while it moves. The first data point's bytes stand for every
// point's; a low guess only means the usual growth from there, and room never used costs no
// memory, as it is never touched. No guess beyond a gigabyte is acted on.
void reserveForSeries(std::vector<DataPoint>& table, std::FILE* file, std::uint64_t firstPointBytes,
                      std::uint64_t here) {
    constexpr std::uintmax_t kMaxReservedBytes = std::uintmax_t{1} << 30;
    struct stat info {};
    if (firstPointBytes == 0 || fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) return;
    const auto size = static_cast<std::uint64_t>(info.st_size);
    const std::uint64_t rest = size > here ? size - here : 0;
    const std::uint64_t points = 1 + rest / firstPointBytes + rest / firstPointBytes / 8 + 16;
    if (points > kMaxReservedBytes / sizeof(DataPoint)) return;
    table.reserve(std::max(table.size(), static_cast<std::size_t>(points)));
}

bool isCharacterDevice(std::FILE* file) {
    struct stat info {};
    return fstat(fileno(file), &info) == 0 && S_ISCHR(info.st_mode);
}

// The reader itself; readSeriesFile adds what a failed allocation means.
ReadResult readDataFile(std::FILE* file);

constexpr int kEdgeColumns[] = {3, 4, 5};  // A, B, C
constexpr int kVolumeColumn = 9;

// Columns that name V and no edge: a series of volumes, for the fits only.
bool namesVolumeOnly(const std::array<std::vector<int>, 2>& columnCodes, int linesPerDatum) {
    bool volume = false;
    for (int k = 0; k < linesPerDatum; ++k)
        for (const int code : columnCodes[k]) {
            if (code == kVolumeColumn) volume = true;
            if (std::find(std::begin(kEdgeColumns), std::end(kEdgeColumns), code) != std::end(kEdgeColumns)) return false;
        }
    return volume;
}

// A series of volumes with a P column that never changes while T does is a temperature series:
// the volumes were measured at one pressure. (A series of cells keeps P as its variable.)
void settleVolumeOnlyVariable(Series& series) {
    if (!series.volumeOnly || !series.pressureRun || series.points.empty()) return;
    const DataPoint& first = series.points.front();
    const auto differs = [&](float DataPoint::*m) {
        return std::any_of(series.points.begin(), series.points.end(), [&](const DataPoint& d) { return d.*m != first.*m; });
    };
    if (!differs(&DataPoint::p) && differs(&DataPoint::t)) series.pressureRun = false;
}

}  // namespace

ReadResult readSeriesFile(std::FILE* file) {
    try {
        ReadResult read = readDataFile(file);
        if (read.ok()) settleVolumeOnlyVariable(read.series);
        return read;
    } catch (const std::bad_alloc&) {
        return failure(ReadFailure::unreadable, "not enough memory to hold the data points");
    }
}

namespace {

ReadResult readDataFile(std::FILE* file) {
    if (!file) return failure(ReadFailure::unreadable, "no input file");
    // A terminal or a device such as /dev/zero or /dev/urandom never ends as a data file does.
    if (isCharacterDevice(file)) return failure(ReadFailure::unreadable, "the input is a device, not a file");

    LineReader reader(file, kLongestLine);
    ReadResult result;
    Series& series = result.series;
    int linesPerDatum = 1;
    bool titleSeen = false;
    std::array<std::vector<int>, 2> columnCodes;

    std::string line;
    for (;;) {
        // A file that ends, or cannot be read, before its DATA line has no data section.
        if (!reader.next(line)) {
            return failure(ReadFailure::unreadable,
                           reader.failed() ? "the file could not be read" : "the file ends before its DATA line");
        }
        if (reader.offset() > kLongestHeader) {
            return failure(ReadFailure::unreadable, "no DATA line in the first " +
                                                        std::to_string(kLongestHeader >> 20) + " MB of the file");
        }
        std::string_view text = line;
        // An editor's UTF-8 byte-order mark is not part of the first keyword.
        if (reader.lineNumber() == 1 && text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
        const std::string rec = headerRecord(text);
        const Keyword key = keywordOf(rec);
        if (key == kData) break;
        switch (key) {
            case kTitle:
                if (!titleSeen) series.title = trimmed(text.substr(std::min<std::size_t>(5, text.size()), kHeaderWidth - 5));
                titleSeen = true;
                break;
            case kLines:
                if (std::string_view(rec).substr(5, 75).find('2') != std::string_view::npos) linesPerDatum = 2;
                break;
            case kLine1: columnCodes[0] = columnCodesOf(rec); break;
            case kLine2: columnCodes[1] = columnCodesOf(rec); break;
            case kSystem:
                if (const auto system = crystalSystemOf(rec)) series.crystalSystem = *system;
                break;
            case kUnits:
                readUnits(text.substr(0, std::min(text.size(), kHeaderWidth)), series, lineText(reader.lineNumber()),
                          result.warnings);
                break;
            default: break;
        }
    }

    for (int k = 0; k < linesPerDatum; ++k) {
        const auto& codes = columnCodes[k];
        if (std::find(codes.begin(), codes.end(), kPressureColumn) != codes.end()) series.pressureRun = true;
    }
    series.volumeOnly = namesVolumeOnly(columnCodes, linesPerDatum);

    std::vector<float> values;
    std::vector<DataPoint>& points = series.points;
    const std::uint64_t dataStart = reader.offset();
    for (std::size_t n = 1;; ++n) {
        if (n == 2) reserveForSeries(points, file, reader.offset() - dataStart, reader.offset());
        DataPoint point;
        for (int k = 0; k < linesPerDatum; ++k) {
            const auto& codes = columnCodes[k];
            const ReadStatus status = readValues(reader, line, codes.size(), values, result.reason);
            // A data point cut short by the end of the file is dropped.
            if (status == ReadStatus::endOfFile) return result;
            if (status == ReadStatus::error) return failure(ReadFailure::unreadable, std::move(result.reason));
            for (std::size_t j = 0; j < codes.size(); ++j) {
                storeValue(point, codes[j], values[j]);
                applyCrystalSystem(point, series.crystalSystem);
            }
        }
        if (series.volumeOnly) {
            if (!(point.volumeAsRead > 0.0f) || !std::isfinite(point.volumeAsRead))
                return failure(ReadFailure::unreadable, "data point " + std::to_string(n) + " (ending on line " +
                                                            std::to_string(reader.lineNumber()) + "): V is not a positive number");
        } else if (!isValidCell(point)) {
            const int number = static_cast<int>(n);
            return failure(ReadFailure::invalidCell,
                           "data point " + std::to_string(number) + " (ending on line " +
                               std::to_string(reader.lineNumber()) + ") cannot form a unit cell",
                           number);
        }
        points.push_back(point);
    }
}

}  // namespace
