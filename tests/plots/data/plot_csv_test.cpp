// A figure's table, written a piece at a time, against a table built the plain way in the test:
// every row kept in memory, found by a search over the rows made so far.
#include <gtest/gtest.h>

#include <charconv>
#include <string_view>
#include <cmath>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "plots/data/plot_csv.hpp"

namespace {

template <typename Real>
std::string text(Real value) {
    if (!std::isfinite(value)) return {};
    char buffer[32];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

// Rows keyed by x and the how-many-th time that x comes in its series; the first series that
// brings a key makes its row and writes its x.
std::string plainTable(const Figure& figure) {
    struct Row {
        double x;
        int occurrence;
        std::string head;                       // x, and x_esd when the table has it
        std::map<std::size_t, std::string> cells;  // by column
    };
    std::vector<Row> rows;
    std::vector<std::string> columns;
    bool anyLine = false, withXEsd = false;
    for (const PlotPanel& panel : figure.panels)
        for (const PlotLine& line : panel.lines) {
            anyLine = true;
            withXEsd = withXEsd || !line.xEsd.empty();
        }
    const auto rowOf = [&](double x, int occurrence, const std::string& head) -> Row& {
        for (Row& row : rows)
            if (row.x == x && row.occurrence == occurrence) return row;
        rows.push_back({x, occurrence, head, {}});
        return rows.back();
    };
    const auto add = [&](const auto& xs, const auto& ys, const auto& esds, const std::vector<float>* xEsd,
                         const std::vector<std::string>& names) {
        std::map<double, int> seen;
        std::vector<Row*> at;
        for (std::size_t k = 0; k < xs.size(); ++k) {
            std::string head = text(xs[k]);
            if (withXEsd) head += "," + (xEsd && k < xEsd->size() ? text((*xEsd)[k]) : std::string());
            at.push_back(&rowOf(static_cast<double>(xs[k]), seen[static_cast<double>(xs[k])]++, head));
        }
        for (const std::string& name : names) {
            columns.push_back(name);
            columns.push_back(name + "_esd");
            for (std::size_t k = 0; k < xs.size(); ++k) {
                at[k]->cells[columns.size() - 2] = text(ys[k]);
                at[k]->cells[columns.size() - 1] = k < esds.size() ? text(esds[k]) : std::string();
            }
        }
    };
    // Room for every row a series may add, so that pointers to its rows stay valid.
    for (const PlotPanel& panel : figure.panels) {
        if (anyLine)
            for (const PlotLine& line : panel.lines) {
                rows.reserve(rows.size() + line.x.size());
                add(line.x, line.y, line.esd, &line.xEsd, line.columns);
            }
        for (const FittedCurve& curve : panel.curves)
            if (!curve.columns.empty()) {
                rows.reserve(rows.size() + curve.x.size());
                add(curve.x, curve.y, curve.esd, nullptr, curve.columns);
            }
    }
    std::string out = withXEsd ? "x,x_esd" : "x";
    for (const std::string& c : columns) out += "," + c;
    out += "\r\n";
    for (const Row& row : rows) {
        out += row.head;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const auto cell = row.cells.find(c);
            out += "," + (cell == row.cells.end() ? std::string() : cell->second);
        }
        out += "\r\n";
    }
    return out;
}

// Lines and curves over a few x values, so that x repeats within a series and series meet.
Figure randomFigure(std::mt19937& random, std::size_t points) {
    std::uniform_int_distribution<int> pick(0, 9);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    const auto xOf = [&] { return 0.5f * static_cast<float>(pick(random)); };
    Figure figure;
    for (int p = 0; p < 2; ++p) {
        PlotPanel panel;
        std::vector<float> shared;
        for (std::size_t k = 0; k < points; ++k) shared.push_back(xOf());
        for (int l = 0; l < 3; ++l) {
            PlotLine line;
            line.columns = {"p" + std::to_string(p) + "l" + std::to_string(l)};
            if (l == 2) line.columns.push_back(line.columns.front() + "same");
            // Two lines of a panel share their x, as the lines of a figure mostly do.
            if (l < 2) line.x = shared;
            else
                for (std::size_t k = 0; k + 2 < points; ++k) line.x.push_back(xOf());
            for (std::size_t k = 0; k < line.x.size(); ++k) {
                line.y.push_back(value(random));
                line.esd.push_back(pick(random) < 3 ? std::nanf("") : value(random));
            }
            if (p == 1 && l == 0)
                for (std::size_t k = 0; k < line.x.size(); ++k) line.xEsd.push_back(pick(random) < 2 ? std::nanf("") : 0.01f);
            panel.lines.push_back(std::move(line));
        }
        for (int c = 0; c < 2; ++c) {
            FittedCurve curve;
            if (c == 0) curve.columns = {"p" + std::to_string(p) + "fit"};  // the other names none: not in the table
            for (std::size_t k = 0; k < points / 2; ++k) {
                // Some at x of the points (as doubles), some between them.
                curve.x.push_back(pick(random) < 5 ? static_cast<double>(xOf()) : 0.1 + 0.37 * static_cast<double>(k));
                curve.y.push_back(static_cast<double>(value(random)) / 3.0);
                if (k + 1 < points / 2) curve.esd.push_back(static_cast<double>(value(random)));  // one esd short
            }
            panel.curves.push_back(std::move(curve));
        }
        figure.panels.push_back(std::move(panel));
    }
    return figure;
}

TEST(FigureCsv, MatchesATableBuiltRowByRow) {
    std::mt19937 random(7);
    for (const std::size_t points : {1u, 2u, 5u, 17u, 60u}) {
        for (int round = 0; round < 20; ++round) {
            const Figure figure = randomFigure(random, points);
            ASSERT_EQ(figureCsv(figure), plainTable(figure)) << points << " points, round " << round;
        }
    }
}

TEST(FigureCsv, AFigureOfCurvesAloneHasTheirColumns) {
    Figure figure;
    PlotPanel panel;
    FittedCurve curve;
    curve.columns = {"axis_1", "axis_2"};
    curve.x = {0.5, 0.25, 0.5};
    curve.y = {1.0, 2.0, 3.0};
    figure.panels.push_back(panel);
    figure.panels.front().curves.push_back(curve);
    EXPECT_EQ(figureCsv(figure), plainTable(figure));
    EXPECT_EQ(figureCsv(figure).substr(0, 40), "x,axis_1,axis_1_esd,axis_2,axis_2_esd\r\n0");
}

// A long table comes in pieces of some tens of kilobytes, which together are the table; a piece
// refused stops the writing.
TEST(FigureCsv, ALongTableComesInPiecesAndStopsWhenOneIsRefused) {
    Figure figure;
    PlotPanel panel;
    PlotLine line;
    line.columns = {"a"};
    for (int k = 0; k < 50000; ++k) {
        line.x.push_back(static_cast<float>(k));
        line.y.push_back(1.0f + 1e-6f * static_cast<float>(k));
        line.esd.push_back(0.001f);
    }
    panel.lines.push_back(line);
    figure.panels.push_back(panel);
    std::vector<std::size_t> pieces;
    std::string whole;
    ASSERT_TRUE(writeFigureCsv(figure, [&](std::string_view piece) {
        pieces.push_back(piece.size());
        whole.append(piece);
        return true;
    }));
    EXPECT_GT(pieces.size(), 10u);
    for (const std::size_t size : pieces) EXPECT_LT(size, 100u * 1024u);
    std::string expected = "x,a,a_esd\r\n";
    for (std::size_t k = 0; k < 50000; ++k) expected += text(line.x[k]) + "," + text(line.y[k]) + ",0.001\r\n";
    EXPECT_EQ(whole, expected);

    int handed = 0;
    EXPECT_FALSE(writeFigureCsv(figure, [&](std::string_view) { return ++handed < 3; }));
    EXPECT_EQ(handed, 3);
}

}  // namespace
