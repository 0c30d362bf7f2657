#include "input/readfile.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>

namespace {

constexpr std::size_t kHeaderWidth = 200;

// Column names by code 1 to 19, five characters each, searched in code order.
constexpr std::array<std::string_view, 19> kColumnNames = {
    "P    ", "T    ", "A    ", "B    ", "C    ", "ALPHA", "BETA ", "GAMMA", "V    ", "SIGP ",
    "SIGT ", "SIGA ", "SIGB ", "SIGC ", "SIGAL", "SIGBE", "SIGGA", "SIGV ", "SKIP "};

enum Keyword { kNone, kTitle, kData, kLines, kLine1, kLine2, kSystem };

// Reads lines of a FILE, one at a time, without the line end (LF or CR LF). A NUL byte stays in
// its line (and is then no number) instead of cutting the line short. POSIX getline finds the
// line end with one scan of the stream's buffer, where a long series is millions of bytes.
class LineReader {
public:
    explicit LineReader(std::FILE* f) : file_(f) {}
    ~LineReader() { std::free(buffer_); }
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    bool next(std::string& line) {
        line.clear();
        if (!file_) return false;
        const ssize_t n = ::getline(&buffer_, &capacity_, file_);
        if (n <= 0) return false;
        auto length = static_cast<std::size_t>(n);
        if (buffer_[length - 1] == '\n') --length;
        line.assign(buffer_, length);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return true;
    }
    bool failed() const { return file_ && std::ferror(file_); }

private:
    std::FILE* file_;
    char* buffer_ = nullptr;  // getline's buffer, grown by it as lines need
    std::size_t capacity_ = 0;
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

// The usual token without the general parser: an optional sign, then digits with at most one
// point and no exponent, the digits an integer m of at most 2^24 with k <= 10 of them after the
// point. m and 10^k are then exact floats, so the one rounded division m / 10^k gives the
// nearest float, the value the general parser gives. False (nothing decided) for any other token.
bool parsePlainDecimal(std::string_view token, float& value) {
    constexpr std::uint32_t kExactMantissa = 1u << 24;
    constexpr float kPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    const char* p = token.data();
    const char* const end = p + token.size();
    bool negative = false;
    if (p != end && (*p == '-' || *p == '+')) negative = *p++ == '-';
    std::uint32_t mantissa = 0;
    int digits = 0;
    int decimals = 0;
    bool point = false;
    for (; p != end; ++p) {
        if (*p == '.' && !point) {
            point = true;
            continue;
        }
        const auto digit = static_cast<unsigned>(*p - '0');
        if (digit > 9) return false;
        mantissa = mantissa * 10 + digit;
        if (mantissa > kExactMantissa) return false;
        ++digits;
        if (point) ++decimals;
    }
    if (digits == 0 || decimals >= static_cast<int>(std::size(kPowersOfTen))) return false;
    const float magnitude = static_cast<float>(mantissa) / kPowersOfTen[decimals];
    value = negative ? -magnitude : magnitude;
    return true;
}

// One real of a free-format list: an optional sign, digits with an optional point, and an
// optional exponent written with E or D.
bool parseReal(std::string_view token, float& value) {
    if (parsePlainDecimal(token, value)) return true;
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

// Room in the table for the whole series where the file is a regular one, so that the table is
// allocated once: a vector grown point by point keeps up to twice the room it needs, and holds
// both the old and the new block while it moves. The first data point's bytes stand for every
// point's; a low guess only means the usual growth from there, and room never used costs no
// memory, as it is never touched. No guess beyond a gigabyte is acted on.
void reserveForSeries(std::vector<DataPoint>& table, std::FILE* file, long firstPointStart) {
    constexpr std::uintmax_t kMaxReservedBytes = std::uintmax_t{1} << 30;
    struct stat info {};
    const long here = std::ftell(file);
    if (here <= firstPointStart || fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) return;
    const auto pointBytes = static_cast<std::uintmax_t>(here - firstPointStart);
    const auto rest = info.st_size > here ? static_cast<std::uintmax_t>(info.st_size - here) : std::uintmax_t{0};
    const std::uintmax_t points = 1 + rest / pointBytes + rest / pointBytes / 8 + 16;
    if (points > kMaxReservedBytes / sizeof(DataPoint)) return;
    table.reserve(std::max(table.size(), static_cast<std::size_t>(points)));
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
    const long dataStart = state.inputFile ? std::ftell(state.inputFile.get()) : -1;
    for (std::size_t n = 1;; ++n) {
        if (n == 2 && dataStart >= 0) reserveForSeries(state.dataPoints, state.inputFile.get(), dataStart);
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
