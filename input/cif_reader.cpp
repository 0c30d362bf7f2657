#include "input/cif_reader.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <new>
#include <optional>
#include <set>
#include <stdexcept>

#include <sys/stat.h>

#include "calc/crystal_system.hpp"
#include "LIBRARIES/text/text.hpp"
#include "calc/validate_cells.hpp"
#include "input/cif_syntax.hpp"
#include "input/input_source.hpp"
#include "input/value_su.hpp"

namespace {

// Far above any CIF of cells and atoms (those with reflections run to tens of MB); a file is read
// whole, so this bounds what one file can make the reader hold.
constexpr std::uintmax_t kLargestCif = std::uintmax_t{256} << 20;
// The longest title a keyword data file's TITLE line keeps, so that a series written out as a
// data file reads back with the same title.
constexpr std::size_t kLongestTitle = 194;
// Pressures are in kPa in CIF and in GPa in this program.
constexpr int kKpaToGpaScale = -6;

using Tags = std::span<const std::string_view>;

// The cell parameters a, b, c, alpha, beta, gamma: the core dictionary's name, then the DDLm one.
const std::array<std::array<std::string_view, 2>, 6> kCellTags = {{
    {"_cell_length_a", "_cell.length_a"},
    {"_cell_length_b", "_cell.length_b"},
    {"_cell_length_c", "_cell.length_c"},
    {"_cell_angle_alpha", "_cell.angle_alpha"},
    {"_cell_angle_beta", "_cell.angle_beta"},
    {"_cell_angle_gamma", "_cell.angle_gamma"},
}};
// Each list in order of preference.
constexpr std::string_view kTemperatureTags[] = {"_cell_measurement_temperature", "_cell_measurement.temperature",
                                                 "_diffrn_ambient_temperature", "_diffrn.ambient_temperature"};
constexpr std::string_view kPressureTags[] = {"_cell_measurement_pressure", "_cell_measurement.pressure",
                                              "_diffrn_ambient_pressure", "_diffrn.ambient_pressure"};
// A name a reader knows the substance by comes before its formula.
constexpr std::string_view kTitleTags[] = {"_chemical_name_mineral", "_chemical.name_mineral",
                                           "_chemical_name_common", "_chemical.name_common",
                                           "_chemical_formula_sum", "_chemical_formula.sum"};

// Where the crystal system of a block comes from, in order of preference.
enum class SymmetrySource { systemName, cellSetting, groupNumber, groupSymbol };
struct SymmetryTag {
    std::string_view tag;
    SymmetrySource source;
};
constexpr SymmetryTag kSymmetryTags[] = {
    {"_space_group_crystal_system", SymmetrySource::systemName},
    {"_space_group.crystal_system", SymmetrySource::systemName},
    {"_symmetry_cell_setting", SymmetrySource::cellSetting},
    {"_space_group_IT_number", SymmetrySource::groupNumber},
    {"_space_group.IT_number", SymmetrySource::groupNumber},
    {"_symmetry_Int_Tables_number", SymmetrySource::groupNumber},
    {"_space_group_name_H-M_alt", SymmetrySource::groupSymbol},
    {"_space_group.name_H-M_alt", SymmetrySource::groupSymbol},
    {"_symmetry_space_group_name_H-M", SymmetrySource::groupSymbol},
};

// A reason for the person who reads the error; the reader stops at the first.
class CifError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A value quoted in a reason: printable, and not too long to read.
std::string shown(std::string_view text) {
    constexpr std::size_t kLongest = 40;
    std::string out = "\"";
    for (const char c : text.substr(0, kLongest)) out += (c >= ' ' && c < 127) ? c : '?';
    if (text.size() > kLongest) out += "...";
    return out + "\"";
}

// Blanks and line ends, at the ends of a CIF value or title.
constexpr std::string_view kCifBlanks = " \t\r\n";

// One block of one file, for naming it in reasons.
struct BlockPlace {
    std::string file;
    std::string block;  // "data_NAME"
    int line = 0;       // of the data_ heading

    std::string at() const { return file + ", " + block + (line > 0 ? " (line " + std::to_string(line) + ")" : ""); }
    std::string atLine(int itemLine) const { return file + ", " + block + ", line " + std::to_string(itemLine); }
};

// A value found under a tag, and its line.
struct Found {
    std::string_view tag;
    std::string text;
    int line = 0;
};

bool sameTag(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
           });
}

// The item of a tag in a block, as a single value or a loop of one row; a loop of several rows
// gives no single value and is refused.
const CifItem* findItem(const CifBlock& block, std::string_view tag, const BlockPlace& place) {
    for (const CifItem& item : block.items) {
        if (!sameTag(item.tag, tag)) continue;
        if (item.rows > 1)
            throw CifError(place.atLine(item.line) + ": " + std::string(tag) + " has " + std::to_string(item.rows) +
                           " values in a loop, not one");
        return &item;
    }
    return nullptr;
}

// The first of the tags with a value that is not "?" or "." (absent) or empty ('').
std::optional<Found> findFirst(const CifBlock& block, Tags tags, const BlockPlace& place) {
    for (const std::string_view tag : tags) {
        const CifItem* item = findItem(block, tag, place);
        if (!item || item->absent) continue;
        std::string text(trimmed(item->value, kCifBlanks));
        if (!text.empty()) return Found{tag, std::move(text), item->line};
    }
    return std::nullopt;
}

ValueSu numberOf(const Found& found, const BlockPlace& place, int scale10 = 0) {
    const auto value = parseValueSu(found.text, scale10);
    if (!value)
        throw CifError(place.atLine(found.line) + ": " + std::string(found.tag) + " " + shown(found.text) +
                       " is not a number");
    return *value;
}

std::optional<ValueSu> optionalNumber(const CifBlock& block, Tags tags, const BlockPlace& place, int scale10 = 0) {
    const auto found = findFirst(block, tags, place);
    if (!found) return std::nullopt;
    return numberOf(*found, place, scale10);
}

// What a block says about its symmetry.
struct BlockSymmetry {
    CrystalSystem system = CrystalSystem::none;  // none: triclinic, or nothing said
    std::string unknownSymbol;                   // a Hermann-Mauguin symbol not in the table
};

CrystalSystem systemOfNumber(int number) {
    if (number <= 2) return CrystalSystem::none;
    if (number <= 15) return CrystalSystem::monoclinic;
    if (number <= 74) return CrystalSystem::orthorhombic;
    if (number <= 142) return CrystalSystem::tetragonal;
    if (number <= 167) return CrystalSystem::trigonal;
    if (number <= 194) return CrystalSystem::hexagonal;
    return CrystalSystem::cubic;
}

// By the codes of crystalSystemOfSymbol.
constexpr CrystalSystem kSystemsByCode[] = {
    CrystalSystem::none,     CrystalSystem::monoclinic, CrystalSystem::orthorhombic, CrystalSystem::tetragonal,
    CrystalSystem::trigonal, CrystalSystem::hexagonal,  CrystalSystem::cubic};

BlockSymmetry symmetryOf(const CifBlock& block, const BlockPlace& place) {
    for (const SymmetryTag& entry : kSymmetryTags) {
        const auto found = findFirst(block, Tags(&entry.tag, 1), place);
        if (!found) continue;
        const std::string& text = found->text;
        const auto refuse = [&](std::string_view what) {
            return CifError(place.atLine(found->line) + ": " + std::string(entry.tag) + " " + shown(text) + " " +
                            std::string(what));
        };
        switch (entry.source) {
            case SymmetrySource::systemName:
            case SymmetrySource::cellSetting: {
                static const std::pair<std::string_view, CrystalSystem> kNames[] = {
                    {"triclinic", CrystalSystem::none},
                    {"monoclinic", CrystalSystem::monoclinic},
                    {"orthorhombic", CrystalSystem::orthorhombic},
                    {"tetragonal", CrystalSystem::tetragonal},
                    {"trigonal", CrystalSystem::trigonal},
                    {"rhombohedral", CrystalSystem::trigonal},
                    {"hexagonal", CrystalSystem::hexagonal},
                    {"cubic", CrystalSystem::cubic}};
                const std::string name = lowered(text);
                for (const auto& [word, system] : kNames)
                    if (name == word) return {system, {}};
                throw refuse("is no crystal system");
            }
            case SymmetrySource::groupNumber: {
                int number = 0;
                const auto res = std::from_chars(text.data(), text.data() + text.size(), number);
                if (res.ec != std::errc{} || res.ptr != text.data() + text.size() || number < 1 || number > 230)
                    throw refuse("is no space-group number (1 to 230)");
                return {systemOfNumber(number), {}};
            }
            case SymmetrySource::groupSymbol: {
                const int code = crystalSystemOfSymbol(text);
                if (code < 0 || code >= static_cast<int>(std::size(kSystemsByCode))) return {CrystalSystem::none, text};
                return {kSystemsByCode[code], {}};
            }
        }
    }
    return {};
}

// One data point as its block gives it.
struct BlockPoint {
    BlockPlace place;
    std::array<ValueSu, 6> cell{};
    std::optional<ValueSu> t;
    std::optional<ValueSu> p;  // GPa
    BlockSymmetry symmetry;
};

bool holdsCell(const CifBlock& block, const BlockPlace& place) {
    return findItem(block, kCellTags[0][0], place) || findItem(block, kCellTags[0][1], place);
}

BlockPoint pointOf(const CifBlock& block, const BlockPlace& place) {
    BlockPoint point;
    point.place = place;
    for (std::size_t k = 0; k < kCellTags.size(); ++k) {
        const auto found = findFirst(block, kCellTags[k], place);
        if (!found) throw CifError(place.at() + ": no value for " + std::string(kCellTags[k][0]));
        point.cell[k] = numberOf(*found, place);
    }
    point.t = optionalNumber(block, kTemperatureTags, place);
    point.p = optionalNumber(block, kPressureTags, place, kKpaToGpaScale);
    point.symmetry = symmetryOf(block, place);
    return point;
}

std::string titleOf(const CifBlock& block, const BlockPlace& place) {
    for (const std::string_view tag : kTitleTags) {
        const auto found = findFirst(block, Tags(&tag, 1), place);
        if (!found) continue;
        // One line: every run of blanks, line ends and other control characters is one blank.
        std::string title;
        for (const char c : found->text) {
            const bool blank = static_cast<unsigned char>(c) <= ' ' || c == 127;
            if (!blank) title += c;
            else if (!title.empty() && title.back() != ' ') title += ' ';
        }
        title = std::string(trimmed(title, kCifBlanks));
        if (!title.empty()) return title;
    }
    return {};
}

// Cut to at most `length` bytes without splitting a UTF-8 character.
std::string cutTo(const std::string& text, std::size_t length) {
    if (text.size() <= length) return text;
    return std::string(trimmed(cutToBytes(text, length), kCifBlanks));
}

std::string shortest(float v) {
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

UnitCell unitCellOf(const BlockPoint& point) {
    UnitCell cell;
    for (int k = 0; k < 6; ++k) {
        cell[k] = point.cell[static_cast<std::size_t>(k)].value;
        cell.esd[k] = point.cell[static_cast<std::size_t>(k)].su;
    }
    return cell;
}

// Within a cell's own uncertainty, or a rounding of its last printed digit.
bool nearlyEqual(float given, float forced, float su, bool angle) {
    const float slack = std::max(3.0f * su, angle ? 0.01f : 1e-4f * std::fabs(forced));
    return std::fabs(given - forced) <= slack;
}

// Whether the constraints of a system leave the cell as given (up to its uncertainty).
bool constraintsFit(const BlockPoint& point, CrystalSystem system) {
    DataPoint d;
    d.cell = unitCellOf(point);
    DataPoint forced = d;
    applyCrystalSystem(forced, system);
    for (int k = 0; k < 6; ++k)
        if (!nearlyEqual(d.cell[k], forced.cell[k], std::max(d.cell.esd[k], forced.cell.esd[k]), k >= 3)) return false;
    return true;
}

bool isCUniqueMonoclinic(const BlockPoint& p) {
    return nearlyEqual(p.cell[3].value, 90.0f, p.cell[3].su, true) &&
           nearlyEqual(p.cell[4].value, 90.0f, p.cell[4].su, true);
}

bool isOnRhombohedralAxes(const BlockPoint& p) {
    const auto same = [&](std::size_t i, std::size_t j, bool angle) {
        return nearlyEqual(p.cell[i].value, p.cell[j].value, std::max(p.cell[i].su, p.cell[j].su), angle);
    };
    return same(0, 1, false) && same(0, 2, false) && same(3, 4, true) && same(3, 5, true);
}

// The system of the series: the lowest symmetry among the blocks, if its constraints fit every
// cell; otherwise none, with the report's line saying why.
CrystalSystem seriesSystem(const std::vector<BlockPoint>& points, std::string& note) {
    CrystalSystem system = CrystalSystem::cubic;
    const BlockPoint* unknown = nullptr;
    for (const BlockPoint& p : points) {
        system = std::min(system, p.symmetry.system);
        if (!unknown && !p.symmetry.unknownSymbol.empty()) unknown = &p;
    }
    if (system == CrystalSystem::none) {
        if (unknown)
            note = "SPACE GROUP " + shown(cutTo(unknown->symmetry.unknownSymbol, 20)) +
                   " IN CIF NOT KNOWN: CELLS NOT CONSTRAINED";
        return system;
    }
    if (std::all_of(points.begin(), points.end(), [&](const BlockPoint& p) { return constraintsFit(p, system); }))
        return system;
    const std::string name = uppercased(crystalSystemKey(system));
    if (system == CrystalSystem::monoclinic && std::all_of(points.begin(), points.end(), isCUniqueMonoclinic))
        note = "CRYSTAL SYSTEM MONOCLINIC WITH UNIQUE AXIS C IN CIF: CELLS NOT CONSTRAINED";
    else if (system == CrystalSystem::trigonal && std::all_of(points.begin(), points.end(), isOnRhombohedralAxes))
        note = "CRYSTAL SYSTEM TRIGONAL ON RHOMBOHEDRAL AXES IN CIF: CELLS NOT CONSTRAINED";
    else note = "CRYSTAL SYSTEM " + name + " IN CIF DOES NOT FIT THE CELLS AS GIVEN: NOT CONSTRAINED";
    return CrystalSystem::none;
}

// Every tag the reader looks up, in lower case: the parser keeps no other.
const std::vector<std::string>& wantedTags() {
    static const std::vector<std::string> tags = [] {
        std::vector<std::string> all;
        for (const auto& cellTags : kCellTags)
            for (const std::string_view tag : cellTags) all.push_back(lowered(tag));
        for (const Tags list : {Tags(kTemperatureTags), Tags(kPressureTags), Tags(kTitleTags)})
            for (const std::string_view tag : list) all.push_back(lowered(tag));
        for (const SymmetryTag& entry : kSymmetryTags) all.push_back(lowered(entry.tag));
        return all;
    }();
    return tags;
}

// The points of one CIF text, in block order; the title from its first block when asked. Each
// block is read as the parser finishes it, so that only the points are kept.
void readBlocks(const CifText& source, std::vector<BlockPoint>& points, std::string* title) {
    const std::size_t before = points.size();
    try {
        parseCifBlocks(source.text, source.name, wantedTags(), [&](const CifBlock& block) {
            const BlockPlace place{source.name, block.name.empty() ? "global_" : "data_" + block.name, block.line};
            if (!holdsCell(block, place)) return;
            if (title && points.size() == before) *title = titleOf(block, place);
            points.push_back(pointOf(block, place));
        });
    } catch (const CifSyntaxError& e) {
        throw CifError(e.what());
    }
    if (points.size() == before) throw CifError(source.name + ": no data block with a cell (_cell_length_a)");
}

// The series from the points of every block: its variable, system, constraints and title.
ReadResult seriesOf(std::vector<BlockPoint> blocks, std::string title, const std::string& firstName) {
    ReadResult result;
    Series& series = result.series;
    if (blocks.size() < 2)
        throw CifError(blocks.front().place.at() + ": the only data block with a cell; a series needs two or more");

    const bool allPressures =
        std::all_of(blocks.begin(), blocks.end(), [](const BlockPoint& b) { return b.p.has_value(); });
    const bool pressureVaries = allPressures && std::any_of(blocks.begin(), blocks.end(), [&](const BlockPoint& b) {
                                    return b.p->value != blocks.front().p->value;
                                });
    series.pressureRun = pressureVaries;
    // CIF gives T in kelvin and P in kilopascals, converted to gigapascals as read. (Strings moved
    // in, not literals assigned: GCC 12 at -O2 takes that assignment for an overlapping copy,
    // a -Wrestrict false positive.)
    series.temperatureUnit = std::string("K");
    series.pressureUnit = std::string("GPa");
    if (!series.pressureRun) {
        for (const BlockPoint& b : blocks)
            if (!b.t)
                throw CifError(b.place.at() +
                               ": no temperature (_cell_measurement_temperature or _diffrn_ambient_temperature) "
                               "in a temperature series");
    }

    series.crystalSystem = seriesSystem(blocks, series.note);

    if (title.empty()) title = firstName;
    // A temperature series measured at one pressure says which.
    if (allPressures && !pressureVaries) {
        const std::string suffix = " (P = " + shortest(blocks.front().p->value) + " GPa)";
        title = cutTo(title, kLongestTitle - suffix.size()) + suffix;
    }
    series.title = cutTo(title, kLongestTitle);

    series.points.reserve(blocks.size());
    for (std::size_t n = 0; n < blocks.size(); ++n) {
        const BlockPoint& b = blocks[n];
        DataPoint d;
        d.cell = unitCellOf(b);
        if (b.t) {
            d.t = b.t->value;
            d.sigT = b.t->su;
        }
        // In a temperature series the pressure is no variable: it is left out, as a data file
        // without a P column leaves it.
        if (series.pressureRun) {
            d.p = b.p->value;
            d.sigP = b.p->su;
        }
        applyCrystalSystem(d, series.crystalSystem);
        if (!isValidCell(d)) {
            const int number = static_cast<int>(n + 1);
            result.failure = ReadFailure::invalidCell;
            result.badPoint = number;
            result.reason = b.place.at() + ": data point " + std::to_string(number) + " cannot form a unit cell";
            result.series = Series{};
            return result;
        }
        series.points.push_back(d);
    }
    return result;
}

// What a reader that ran out of memory says: the series is not read, and nothing is lost.
std::string notEnoughMemory(const std::string& name) { return name + ": not enough memory to read it"; }

ReadResult failed(std::string reason) {
    ReadResult r;
    r.failure = ReadFailure::unreadable;
    r.reason = std::move(reason);
    return r;
}

// The whole of an open file, or why not.
std::string streamText(std::FILE* f, const std::string& name) {
    struct stat info {};
    const bool known = fstat(fileno(f), &info) == 0;
    if (known && S_ISCHR(info.st_mode)) throw CifError(name + ": a device, not a file");
    std::string text;
    if (known && S_ISREG(info.st_mode) && static_cast<std::uintmax_t>(info.st_size) <= kLargestCif)
        text.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[1 << 16];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        text.append(buffer, n);
        if (text.size() > kLargestCif) throw CifError(name + ": larger than " + std::to_string(kLargestCif >> 20) + " MB");
    }
    if (std::ferror(f) != 0) throw CifError(name + ": cannot be read");
    return text;
}

}  // namespace

bool startsLikeCif(std::string_view text) {
    CifStart start;
    start.feed(text);
    return start.isCif();
}

bool looksLikeCif(const std::filesystem::path& path) {
    const InputSource source = openInputSource(path);
    return source.stream && source.cif;
}

ReadResult readCifTexts(std::span<const CifText> texts) {
    if (texts.empty()) return failed("no CIF file");
    std::vector<BlockPoint> points;
    std::string title;
    std::size_t i = 0;
    try {
        for (; i < texts.size(); ++i) readBlocks(texts[i], points, i == 0 ? &title : nullptr);
        return seriesOf(std::move(points), std::move(title), texts.front().name);
    } catch (const CifError& e) {
        return failed(e.what());
    } catch (const std::bad_alloc&) {
        return failed(notEnoughMemory(texts[std::min(i, texts.size() - 1)].name));
    }
}

ReadResult readCifStreams(std::span<const CifStream> streams) {
    if (streams.empty()) return failed("no CIF file");
    std::vector<BlockPoint> points;
    std::string title;
    std::size_t i = 0;
    try {
        for (; i < streams.size(); ++i) {
            CifText source;
            source.name = streams[i].name;
            source.text = streamText(streams[i].file, source.name);
            readBlocks(source, points, i == 0 ? &title : nullptr);
        }
        return seriesOf(std::move(points), std::move(title), streams.front().name);
    } catch (const CifError& e) {
        return failed(e.what());
    } catch (const std::bad_alloc&) {
        return failed(notEnoughMemory(streams[std::min(i, streams.size() - 1)].name));
    }
}

ReadResult readCifSeries(const std::vector<std::filesystem::path>& files) {
    std::vector<InputSource> sources;
    std::vector<CifStream> streams;
    for (const std::filesystem::path& file : files) {
        const std::string name = isStandardInput(file) ? "stdin" : file.filename().string();
        sources.push_back(openInputSource(file));
        if (!sources.back().stream) return failed(name + ": " + sources.back().failure);
        streams.push_back({name, sources.back().stream.get()});
    }
    return readCifStreams(streams);
}
