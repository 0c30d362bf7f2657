#include "plots/data/plot_csv.hpp"

#include <charconv>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

namespace {

template <typename Real>
std::string field(Real value) {
    if (!std::isfinite(value)) return {};
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// A table built column by column, its rows keyed by x and the how-many-th time that x comes. Each
// row is kept as the text it will be written as, cells added in the order of the columns, so that
// a long series holds its characters and little else.
class Table {
public:
    explicit Table(bool withXEsd) : withXEsd_(withXEsd) {}

    // The row of the n-th occurrence of x in a column being added, made when missing. x is written
    // in its own type: a float (T or P of a point, a midpoint) as the shortest decimal that gives
    // the float back, a double (where a curve was evaluated) in full.
    template <typename Real>
    std::size_t rowOf(Real x, int occurrence, Real xEsd) {
        const auto key = std::make_pair(static_cast<double>(x), occurrence);
        const auto found = index_.find(key);
        if (found != index_.end()) return found->second;
        index_.emplace(key, rows_.size());
        Row row;
        row.text = field(x);
        if (withXEsd_) {
            row.text += ',' + field(xEsd);
            row.cells = 2;
        }
        rows_.push_back(std::move(row));
        return rows_.size() - 1;
    }

    std::size_t addColumn(const std::string& name) {
        head_.push_back(name);
        return head_.size() - 1;
    }

    // Columns are set in ascending order in each row: the cells between stay empty.
    void set(std::size_t row, std::size_t column, const std::string& text) {
        Row& r = rows_[row];
        for (; r.cells <= column; ++r.cells) r.text += ',';
        r.text += text;
    }

    std::string text() const {
        std::string out;
        for (std::size_t c = 0; c < head_.size(); ++c) out += (c > 0 ? "," : "") + head_[c];
        out += "\r\n";
        for (const Row& row : rows_) {
            out += row.text;
            out.append(head_.size() - row.cells, ',');
            out += "\r\n";
        }
        return out;
    }

private:
    struct Row {
        std::string text;       // the cells so far, joined by commas
        std::size_t cells = 1;  // how many: x is the first
    };
    bool withXEsd_;
    std::vector<std::string> head_{"x"};
    std::vector<Row> rows_;
    std::map<std::pair<double, int>, std::size_t> index_;
};

}  // namespace

std::string figureCsv(const Figure& figure) {
    bool anyLine = false, xEsd = false;
    for (const PlotPanel& panel : figure.panels) {
        for (const PlotLine& line : panel.lines) {
            anyLine = true;
            xEsd = xEsd || !line.xEsd.empty();
        }
    }
    Table table(xEsd);
    if (xEsd) table.addColumn("x_esd");
    for (const PlotPanel& panel : figure.panels) {
        if (anyLine) {
            for (const PlotLine& line : panel.lines) {
                std::vector<std::size_t> rows;
                std::map<float, int> seen;
                for (std::size_t k = 0; k < line.x.size(); ++k)
                    rows.push_back(table.rowOf(line.x[k], seen[line.x[k]]++,
                                               k < line.xEsd.size() ? line.xEsd[k] : std::nanf("")));
                for (const std::string& name : line.columns) {
                    const std::size_t value = table.addColumn(name);
                    const std::size_t esd = table.addColumn(name + "_esd");
                    for (std::size_t k = 0; k < rows.size(); ++k) {
                        table.set(rows[k], value, field(line.y[k]));
                        table.set(rows[k], esd, field(line.esd[k]));
                    }
                }
            }
        }
        // The fitted curves drawn with the points, sampled where they are drawn; in a figure of
        // curves alone, the curves are its columns.
        for (const FittedCurve& curve : panel.curves) {
            if (curve.columns.empty()) continue;
            std::vector<std::size_t> rows;
            std::map<double, int> seen;
            for (const double x : curve.x) rows.push_back(table.rowOf(x, seen[x]++, std::nan("")));
            for (const std::string& name : curve.columns) {
                const std::size_t value = table.addColumn(name);
                const std::size_t esd = table.addColumn(name + "_esd");
                for (std::size_t k = 0; k < rows.size(); ++k) {
                    table.set(rows[k], value, field(curve.y[k]));
                    table.set(rows[k], esd, k < curve.esd.size() ? field(curve.esd[k]) : std::string());
                }
            }
        }
    }
    return table.text();
}
