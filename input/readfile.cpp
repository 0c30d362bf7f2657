#include "input/readfile.hpp"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t kHeaderWidth = 200;

// Column names by code 1 to 19, five characters each, searched in code order.
constexpr std::array<std::string_view, 19> kColumnNames = {
    "P    ", "T    ", "A    ", "B    ", "C    ", "ALPHA", "BETA ", "GAMMA", "V    ", "SIGP ",
    "SIGT ", "SIGA ", "SIGB ", "SIGC ", "SIGAL", "SIGBE", "SIGGA", "SIGV ", "SKIP "};

enum Keyword { kNone, kTitle, kData, kLines, kLine1, kLine2, kSystem };

// Reads lines of a FILE, one at a time, without the line end (LF or CR LF).
class LineReader {
public:
    explicit LineReader(std::FILE* f) : file_(f) {}
    bool next(std::string& line) {
        line.clear();
        if (!file_) return false;
        char chunk[4096];
        bool any = false;
        while (std::fgets(chunk, sizeof chunk, file_)) {
            any = true;
            std::size_t n = std::strlen(chunk);
            const bool ended = n > 0 && chunk[n - 1] == '\n';
            if (ended) --n;
            line.append(chunk, n);
            if (ended) break;
        }
        if (!any) return false;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return true;
    }
    bool failed() const { return file_ && std::ferror(file_); }

private:
    std::FILE* file_;
};

// A header line as the keyword tests see it: 200 columns, blank padded, a-z in capitals.
// Tabs count as blanks, so that tab-separated column lines work like blank-separated ones.
std::string headerRecord(const std::string& line) {
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

int crystalSystemOf(std::string_view rec) {
    int code = 0;
    // A later word in this order overrides an earlier one.
    constexpr std::pair<std::string_view, int> kWords[] = {{"MONO", 1}, {"ORTHO", 2}, {"TETR", 3},
                                                           {"TRIG", 4}, {"HEX", 4},   {"CUBIC", 5}};
    for (const auto& [word, value] : kWords) {
        if (rec.find(word) != std::string_view::npos) code = value;
    }
    return code;
}

bool isSeparator(char c) { return c == ' ' || c == ',' || c == '\t' || c == '\v' || c == '\f'; }

// One real of a free-format list: an optional sign, digits with an optional point, and an
// optional exponent written with E or D.
bool parseReal(std::string_view token, float& value) {
    std::string text(token);
    if (!text.empty() && text.front() == '+') text.erase(0, 1);
    for (char& c : text) {
        if (c == 'd' || c == 'D') c = 'e';
    }
    if (text.empty()) return false;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    return res.ec == std::errc{} && res.ptr == text.data() + text.size();
}

enum class ReadStatus { ok, endOfFile, error };

// One free-format read of `count` reals: starts on a new line, continues on the following lines
// while numbers are missing, ignores whatever follows the last number it needs.
ReadStatus readValues(LineReader& reader, std::string& line, std::size_t count, std::vector<float>& values) {
    values.clear();
    do {
        if (!reader.next(line)) return reader.failed() ? ReadStatus::error : ReadStatus::endOfFile;
        std::size_t pos = 0;
        while (values.size() < count) {
            while (pos < line.size() && isSeparator(line[pos])) ++pos;
            if (pos >= line.size()) break;
            std::size_t end = pos;
            while (end < line.size() && !isSeparator(line[end])) ++end;
            float v = 0.0f;
            if (!parseReal(std::string_view(line).substr(pos, end - pos), v)) return ReadStatus::error;
            values.push_back(v);
            pos = end;
        }
    } while (values.size() < count);
    return ReadStatus::ok;
}

void storeValue(DataPoint& point, int code, float v) {
    switch (code) {
        case 1: point.p = v; break;
        case 2: point.t = v; break;
        case 3: case 4: case 5: case 6: case 7: case 8: case 9: point.cell[code - 3] = v; break;
        case 10: point.sigP = v; break;
        case 11: point.sigT = v; break;
        case 12: case 13: case 14: case 15: case 16: case 17: case 18: point.sigCell[code - 12] = v; break;
        default: break;  // a column that is no name, or SKIP: read and thrown away
    }
}

void failRead(RunState& state) {
    WLINE(state, "error reading file");
    state.runError = 1;
}

}  // namespace

void applyCrystalSystem(DataPoint& point, int crystalSystem) {
    auto& c = point.cell;
    auto& s = point.sigCell;
    if (crystalSystem >= 1) {
        c[3] = 90.0f;
        c[5] = 90.0f;
        s[3] = 0.0f;
        s[5] = 0.0f;
    }
    if (crystalSystem >= 2) s[4] = 0.0f;
    if (crystalSystem == 2 || crystalSystem == 3 || crystalSystem == 5) c[4] = 90.0f;
    if (crystalSystem >= 3) {
        c[1] = c[0];
        s[1] = s[0];
    }
    if (crystalSystem == 4) {
        c[4] = 90.0f;
        c[5] = 120.0f;
    }
    if (crystalSystem == 5) {
        c[2] = c[0];
        s[2] = s[0];
    }
}

void READFILE(RunState& state) {
    LineReader reader(state.inputFile.get());
    int linesPerDatum = 1;
    state.crystalSystem = 0;
    std::array<std::vector<int>, 2> columnCodes;

    std::string line;
    for (;;) {
        // A file that ends, or cannot be read, before its DATA line has no data section.
        if (!reader.next(line)) {
            failRead(state);
            return;
        }
        const std::string rec = headerRecord(line);
        const Keyword key = keywordOf(rec);
        if (key == kData) break;
        switch (key) {
            case kLines:
                if (std::string_view(rec).substr(5, 75).find('2') != std::string_view::npos) linesPerDatum = 2;
                break;
            case kLine1: columnCodes[0] = columnCodesOf(rec); break;
            case kLine2: columnCodes[1] = columnCodesOf(rec); break;
            case kSystem: state.crystalSystem = crystalSystemOf(rec); break;
            default: break;
        }
    }

    state.pressureRun = 0;
    for (int k = 0; k < linesPerDatum; ++k) {
        if (std::find(columnCodes[k].begin(), columnCodes[k].end(), 1) != columnCodes[k].end()) state.pressureRun = 1;
    }

    std::vector<float> values;
    for (std::size_t n = 1;; ++n) {
        for (int k = 0; k < linesPerDatum; ++k) {
            const auto& codes = columnCodes[k];
            const ReadStatus status = readValues(reader, line, codes.size(), values);
            if (status == ReadStatus::endOfFile) {
                // A data point cut short by the end of the file is dropped.
                state.nData = static_cast<int>(n - 1);
                return;
            }
            if (status == ReadStatus::error) {
                failRead(state);
                return;
            }
            if (state.dataPoints.size() < n) state.dataPoints.resize(n);
            DataPoint& point = state.dataPoints[n - 1];
            for (std::size_t j = 0; j < codes.size(); ++j) {
                storeValue(point, codes[j], values[j]);
                applyCrystalSystem(point, state.crystalSystem);
            }
        }
    }
}
