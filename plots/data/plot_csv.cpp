#include "plots/data/plot_csv.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <numeric>
#include <vector>

namespace {

template <typename Real>
void appendField(std::string& out, Real value) {
    if (!std::isfinite(value)) return;
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

constexpr std::uint32_t kNoPoint = std::numeric_limits<std::uint32_t>::max();

// The x values of one line or curve as rows of the table: a row is an x and the how-many-th time
// that x comes in its series, so that series meet where they share both. Series with the same x
// share one of these.
struct RowKeys {
    std::vector<double> x;               // as stored, widened (exact for a float)
    std::vector<std::uint32_t> byX;      // the points in ascending (x, occurrence)
    std::vector<std::uint32_t> occurrence;
    std::vector<std::uint32_t> row;      // each point's row
    std::vector<std::uint32_t> byRow;    // the points in ascending row

    template <typename Real>
    explicit RowKeys(const std::vector<Real>& values) : x(values.begin(), values.end()) {
        byX.resize(x.size());
        std::iota(byX.begin(), byX.end(), 0u);
        std::stable_sort(byX.begin(), byX.end(), [&](std::uint32_t a, std::uint32_t b) { return x[a] < x[b]; });
        occurrence.assign(x.size(), 0);
        for (std::size_t i = 1; i < byX.size(); ++i)
            if (x[byX[i]] == x[byX[i - 1]]) occurrence[byX[i]] = occurrence[byX[i - 1]] + 1;
        row.assign(x.size(), kNoPoint);
    }

    // The point with this key, or kNoPoint.
    std::uint32_t find(double value, std::uint32_t occ) const {
        const auto at = std::lower_bound(byX.begin(), byX.end(), std::make_pair(value, occ),
                                         [&](std::uint32_t k, const std::pair<double, std::uint32_t>& key) {
                                             return x[k] < key.first || (x[k] == key.first && occurrence[k] < key.second);
                                         });
        return at != byX.end() && x[*at] == value && occurrence[*at] == occ ? *at : kNoPoint;
    }
};

// One line or fitted curve of the table: its columns and where its keys are.
struct Source {
    const std::vector<std::string>* columns = nullptr;
    const PlotLine* line = nullptr;       // one of the two
    const FittedCurve* curve = nullptr;
    std::shared_ptr<RowKeys> keys;
    std::size_t cursor = 0;  // into keys->byRow, while the rows are written
};

// Which series made a row: its x (and x esd) are written as that series holds them.
struct RowMaker {
    std::uint32_t source;
    std::uint32_t point;
};

template <typename Real>
bool sameX(const std::vector<Real>& a, const std::vector<Real>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

}  // namespace

bool writeFigureCsv(const Figure& figure, const std::function<bool(std::string_view)>& write) {
    bool anyLine = false, withXEsd = false;
    for (const PlotPanel& panel : figure.panels) {
        for (const PlotLine& line : panel.lines) {
            anyLine = true;
            withXEsd = withXEsd || !line.xEsd.empty();
        }
    }
    // The series in the order of their columns: each panel's lines, then its curves that name columns.
    std::vector<Source> sources;
    for (const PlotPanel& panel : figure.panels) {
        if (anyLine)
            for (const PlotLine& line : panel.lines) sources.push_back({&line.columns, &line, nullptr, nullptr});
        for (const FittedCurve& curve : panel.curves)
            if (!curve.columns.empty()) sources.push_back({&curve.columns, nullptr, &curve, nullptr});
    }

    // Each series' points given rows: a key met before is that row; a new one is the next row.
    // Series whose x are those of an earlier one (the lines of one figure mostly are) share its rows.
    std::vector<RowMaker> makers;
    std::vector<RowKeys*> searched;
    for (std::size_t s = 0; s < sources.size(); ++s) {
        Source& source = sources[s];
        for (std::size_t t = 0; t < s && !source.keys; ++t) {
            const Source& earlier = sources[t];
            if (source.line && earlier.line && sameX(source.line->x, earlier.line->x)) source.keys = earlier.keys;
            if (source.curve && earlier.curve && sameX(source.curve->x, earlier.curve->x)) source.keys = earlier.keys;
        }
        if (source.keys) continue;
        source.keys = source.line ? std::make_shared<RowKeys>(source.line->x) : std::make_shared<RowKeys>(source.curve->x);
        RowKeys& keys = *source.keys;
        for (std::uint32_t k = 0; k < keys.x.size(); ++k) {
            for (const RowKeys* other : searched) {
                const std::uint32_t found = other->find(keys.x[k], keys.occurrence[k]);
                if (found != kNoPoint) {
                    keys.row[k] = other->row[found];
                    break;
                }
            }
            if (keys.row[k] != kNoPoint) continue;
            keys.row[k] = static_cast<std::uint32_t>(makers.size());
            makers.push_back({static_cast<std::uint32_t>(s), k});
        }
        searched.push_back(&keys);
    }
    for (RowKeys* keys : searched) {
        keys->byRow.resize(keys->row.size());
        std::iota(keys->byRow.begin(), keys->byRow.end(), 0u);
        std::sort(keys->byRow.begin(), keys->byRow.end(),
                  [&](std::uint32_t a, std::uint32_t b) { return keys->row[a] < keys->row[b]; });
        // What finding the rows needed is let go before the rows are written.
        std::vector<std::uint32_t>().swap(keys->byX);
        std::vector<std::uint32_t>().swap(keys->occurrence);
        std::vector<double>().swap(keys->x);
    }

    constexpr std::size_t kPiece = 64 * 1024;
    std::string out;
    out.reserve(kPiece + 4096);
    out += "x";
    if (withXEsd) out += ",x_esd";
    for (const Source& source : sources)
        for (const std::string& name : *source.columns) out += "," + name + "," + name + "_esd";
    out += "\r\n";
    for (std::uint32_t r = 0; r < makers.size(); ++r) {
        const RowMaker& maker = makers[r];
        const Source& made = sources[maker.source];
        if (const PlotLine* line = made.line) {
            appendField(out, line->x[maker.point]);
            if (withXEsd) {
                out += ',';
                if (maker.point < line->xEsd.size()) appendField(out, line->xEsd[maker.point]);
            }
        } else {
            appendField(out, made.curve->x[maker.point]);
            if (withXEsd) out += ',';
        }
        for (Source& source : sources) {
            const std::vector<std::uint32_t>& byRow = source.keys->byRow;
            // Each series' cursor walks its points in row order, so each row finds its point at once.
            std::uint32_t k = kNoPoint;
            if (source.cursor < byRow.size() && source.keys->row[byRow[source.cursor]] == r) k = byRow[source.cursor++];
            for (std::size_t c = 0; c < source.columns->size(); ++c) {
                out += ',';
                if (k != kNoPoint) {
                    if (source.line) appendField(out, source.line->y[k]);
                    else appendField(out, source.curve->y[k]);
                }
                out += ',';
                if (k != kNoPoint) {
                    if (source.line) appendField(out, source.line->esd[k]);
                    else if (k < source.curve->esd.size()) appendField(out, source.curve->esd[k]);
                }
            }
        }
        out += "\r\n";
        if (out.size() >= kPiece) {
            if (!write(out)) return false;
            out.clear();
        }
    }
    return write(out);
}

std::string figureCsv(const Figure& figure) {
    std::string text;
    writeFigureCsv(figure, [&](std::string_view piece) {
        text.append(piece);
        return true;
    });
    return text;
}
