// Whole runs at the edges of the principal axes: strains that nearly coincide, a true double root
// (also where single precision parts it), and property values that are zero. The reference values
// come from the run's own strain result file, decomposed here by Jacobi rotations in double
// precision, or from the geometry of the cells.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <sstream>

#include "run/input_choice.hpp"
#include "run_support.hpp"

namespace {

using namespace testing_support;

const std::filesystem::path kCases = std::filesystem::path(TENZIO_SOURCE_DIR) / "tests/run/edge-cases";

std::vector<std::string> fieldsOf(const std::string& line) {
    std::istringstream split(line);
    std::vector<std::string> fields;
    for (std::string f; split >> f;) fields.push_back(f);
    return fields;
}

bool parse(const std::string& text, double& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// A data line of the strain or property result file: components 11, 22, 33, 12, 13, 23 and esds.
struct TensorLine {
    std::array<std::string, 6> text;
    std::array<double, 6> value{};
    std::array<double, 6> esd{};
};

std::vector<TensorLine> tensorLines(const std::filesystem::path& file) {
    std::vector<TensorLine> lines;
    for (const std::string& line : linesOf(slurp(file))) {
        const auto f = fieldsOf(line);
        double midpoint = 0.0;
        if (f.size() != 13 || !parse(f[0], midpoint)) continue;
        TensorLine t;
        for (int k = 0; k < 6; ++k) {
            t.text[k] = f[1 + 2 * k];
            EXPECT_TRUE(parse(f[1 + 2 * k], t.value[k]) && parse(f[2 + 2 * k], t.esd[k])) << line;
        }
        lines.push_back(t);
    }
    return lines;
}

// A line of the principal-axes result file.
struct AxisLine {
    std::vector<std::string> fields;  // midpoint, principal strain, then the rest of the line
    double strain = 0.0;
    bool circular = false;
};

// The principal-axes lines, three per calculation.
std::vector<std::array<AxisLine, 3>> axisLines(const std::filesystem::path& file) {
    std::vector<AxisLine> axes;
    for (const std::string& line : linesOf(slurp(file))) {
        AxisLine a;
        a.fields = fieldsOf(line);
        double midpoint = 0.0;
        if (a.fields.size() < 3 || !parse(a.fields[0], midpoint)) continue;
        EXPECT_TRUE(parse(a.fields[1], a.strain)) << line;
        a.circular = line.find("CIRCULAR SECTION") != std::string::npos;
        axes.push_back(a);
    }
    EXPECT_EQ(axes.size() % 3, 0u);
    std::vector<std::array<AxisLine, 3>> calculations;
    for (std::size_t k = 0; k + 2 < axes.size(); k += 3) calculations.push_back({axes[k], axes[k + 1], axes[k + 2]});
    return calculations;
}

// Eigenvalues of a symmetric tensor given as 11, 22, 33, 12, 13, 23, ascending: cyclic Jacobi
// rotations in double precision.
std::array<double, 3> eigenvaluesOf(const std::array<double, 6>& t) {
    double a[3][3] = {{t[0], t[3], t[4]}, {t[3], t[1], t[5]}, {t[4], t[5], t[2]}};
    for (int sweep = 0; sweep < 50; ++sweep) {
        for (int p = 0; p < 2; ++p) {
            for (int q = p + 1; q < 3; ++q) {
                if (a[p][q] == 0.0) continue;
                const double theta = (a[q][q] - a[p][p]) / (2.0 * a[p][q]);
                const double tangent = (theta >= 0 ? 1.0 : -1.0) / (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
                const double c = 1.0 / std::sqrt(tangent * tangent + 1.0), s = tangent * c;
                for (int k = 0; k < 3; ++k) {
                    const double kp = a[k][p], kq = a[k][q];
                    a[k][p] = c * kp - s * kq;
                    a[k][q] = s * kp + c * kq;
                }
                for (int k = 0; k < 3; ++k) {
                    const double pk = a[p][k], qk = a[q][k];
                    a[p][k] = c * pk - s * qk;
                    a[q][k] = s * pk + c * qk;
                }
            }
        }
    }
    std::array<double, 3> values = {a[0][0], a[1][1], a[2][2]};
    std::sort(values.begin(), values.end());
    return values;
}

TEST(PrincipalEdges, JacobiReference) {
    const auto values = eigenvaluesOf({0.00219321, 0.00227928, -0.00337279, 0, 0.00117342, 0});
    const double c = (0.00219321 - 0.00337279) / 2, h = (0.00219321 + 0.00337279) / 2;
    EXPECT_NEAR(values[0], c - std::hypot(h, 0.00117342), 1e-15);
    EXPECT_NEAR(values[1], 0.00227928, 1e-15);
    EXPECT_NEAR(values[2], c + std::hypot(h, 0.00117342), 1e-15);
}

RunOptions optionsOf(int axes, int strainType, int incremental) {
    RunOptions o;
    o.axisConvention = AxialSet{axes};
    o.strainType = StrainType{strainType};
    o.incremental = incremental != 0;
    return o;
}

std::vector<RunOptions> everyOption() {
    std::vector<RunOptions> all;
    for (int axes = 1; axes <= 3; ++axes)
        for (int type = 1; type <= 4; ++type)
            for (int incremental = 0; incremental <= 1; ++incremental) all.push_back(optionsOf(axes, type, incremental));
    return all;
}

std::string describe(const RunOptions& o) {
    return "axes " + std::to_string(static_cast<int>(o.axisConvention)) + " strain " + std::to_string(static_cast<int>(o.strainType)) + " incremental " +
           std::to_string(o.incremental);
}

struct Decomposed {
    std::vector<TensorLine> strains;
    std::vector<std::array<AxisLine, 3>> axes;
};

Decomposed runAndRead(const std::string& tag, const std::filesystem::path& data, const RunOptions& options) {
    TempFolder dir(tag);
    EXPECT_EQ(runOnce(data, dir / "run.prt", options).outcome, RunOutcome::completed);
    Decomposed d{tensorLines(dir / "run_strain.cal"), axisLines(dir / "run_prin.cal")};
    EXPECT_EQ(d.strains.size(), d.axes.size());
    return d;
}

// Principal strains are the eigenvalues of the strain tensor: printed to six decimals, each within
// 1e-6 of the tensor's own; two that differ by ten units of the last digit or more are not one
// double root, so every axis then has a direction.
void expectPrincipalStrainsOfTheTensor(const Decomposed& run) {
    for (std::size_t n = 0; n < std::min(run.strains.size(), run.axes.size()); ++n) {
        SCOPED_TRACE("calculation at midpoint " + run.axes[n][0].fields[0]);
        const auto values = eigenvaluesOf(run.strains[n].value);
        for (int m = 0; m < 3; ++m) EXPECT_NEAR(run.axes[n][m].strain, values[m], 1.0e-6) << "axis " << m + 1;
        if (values[1] - values[0] > 1.0e-5 && values[2] - values[1] > 1.0e-5) {
            for (int m = 0; m < 3; ++m) EXPECT_FALSE(run.axes[n][m].circular) << "axis " << m + 1;
        }
    }
}

TEST(PrincipalEdges, StrainsOneHundredthApartAlongXAndY) {
    const std::filesystem::path data = kCases / "near_equal_a_b_strains.dat";
    for (int type = 1; type <= 4; ++type) {
        SCOPED_TRACE("strain type " + std::to_string(type));
        const Decomposed run = runAndRead("near-equal", data, optionsOf(1, type, 1));
        ASSERT_EQ(run.axes.size(), 1u);
        expectPrincipalStrainsOfTheTensor(run);
        // A diagonal tensor: each principal axis lies along the Cartesian axis of its value.
        const TensorLine& t = run.strains[0];
        for (const AxisLine& axis : run.axes[0]) {
            ASSERT_EQ(axis.fields.size(), 9u);  // midpoint, strain, property, angles to X, Y, Z, A, B, C
            for (int i = 0; i < 3; ++i) {
                const std::string& angle = axis.fields[3 + i];
                if (std::fabs(axis.strain - t.value[i]) < 1.0e-6)
                    EXPECT_TRUE(angle == "0.0" || angle == "180.0") << axis.fields[1] << " to axis " << i + 1;
                else
                    EXPECT_EQ(angle, "90.0") << axis.fields[1] << " to axis " << i + 1;
            }
        }
    }
}

// Ag3[Co(CN)6] against its first cell: at 170 K (midpoint 132.5) two principal strains lie 0.00015
// apart, 2.5 % of the spread of the three.
TEST(PrincipalEdges, TemperatureSeriesWithTwoClosePrincipalStrains) {
    const std::filesystem::path data = kCases / "pascal_Ag3CoCN6_phaseII_T.dat";
    const Decomposed issued = runAndRead("ag3-first", data, optionsOf(1, 1, 0));
    ASSERT_EQ(issued.axes.size(), 8u);
    ASSERT_EQ(issued.axes[2][0].fields[0], "132.50");
    EXPECT_EQ(issued.axes[2][1].fields[1], "0.002279");
    EXPECT_EQ(issued.axes[2][2].fields[1], "0.002430");
    for (const RunOptions& options : everyOption()) {
        SCOPED_TRACE(describe(options));
        expectPrincipalStrainsOfTheTensor(runAndRead("ag3", data, options));
    }
}

// With a = b and right angles the strain is the same along X and Y: a true double root, reported
// as a circular section, with the single axis along Z.
TEST(PrincipalEdges, CellsKeepingAEqualToBGiveADoubleRoot) {
    for (const RunOptions& options : everyOption()) {
        SCOPED_TRACE(describe(options));
        const Decomposed run = runAndRead("a-equals-b", kCases / "a_equals_b.dat", options);
        ASSERT_EQ(run.axes.size(), 5u);
        for (std::size_t n = 0; n < run.axes.size(); ++n) {
            SCOPED_TRACE("calculation " + std::to_string(n + 1));
            const TensorLine& t = run.strains[n];
            EXPECT_EQ(t.text[0], t.text[1]);
            int circular = 0;
            for (const AxisLine& axis : run.axes[n]) {
                if (axis.circular) {
                    ++circular;
                    EXPECT_NEAR(axis.strain, t.value[0], 1.0e-6);
                } else {
                    EXPECT_NEAR(axis.strain, t.value[2], 1.0e-6);
                    ASSERT_EQ(axis.fields.size(), 9u);
                    EXPECT_TRUE(axis.fields[5] == "0.0" || axis.fields[5] == "180.0") << axis.fields[5];
                }
            }
            EXPECT_EQ(circular, 2);
        }
    }
}

// The six angles of an axis line to X, Y, Z, A, B, C, and their esds as printed ("0.0", "****"),
// or none for a circular section. Fields follow the midpoint, the strain, the property and,
// when the cells have esds, their esds.
struct AxisAngles {
    std::array<double, 6> angle{};
    std::array<std::string, 6> esd;
};

AxisAngles anglesOf(const AxisLine& axis) {
    std::string line;
    for (const std::string& f : axis.fields) line += f + " ";
    for (char& c : line)
        if (c == '(' || c == ')') c = ' ';
    const auto f = fieldsOf(line);
    AxisAngles a;
    const bool withEsds = f.size() == 17;
    EXPECT_TRUE(withEsds || f.size() == 9) << line;
    if (!withEsds && f.size() != 9) return a;
    for (int k = 0; k < 6; ++k) {
        const std::size_t at = withEsds ? 5 + 2 * k : 3 + k;
        EXPECT_TRUE(parse(f[at], a.angle[k])) << line;
        if (withEsds) a.esd[k] = f[at + 1];
    }
    return a;
}

// A run of CIF files through the reader the front ends use.
Decomposed runCif(const std::string& tag, const std::filesystem::path& cif, const RunOptions& options) {
    TempFolder dir(tag);
    RunState state;
    state.options = options;
    state.clock = [] { return std::string(kFixedDateTime); };
    state.resultFolder = dir.path();
    EXPECT_TRUE(openInputFiles(state, {cif}).ok());
    EXPECT_TRUE(openPrintFile(state, dir / "run.prt"));
    EXPECT_EQ(runSeries(state), RunOutcome::completed);
    state.printFile.close();
    return {tensorLines(dir / "run_strain.cal"), axisLines(dir / "run_prin.cal")};
}

// A hexagonal cell series without a crystal system: the strain along X equals that along Y only to
// the last digits of single precision. The two are one principal strain with a circular section,
// and the third axis is along c, with angle esds that are numbers.
TEST(PrincipalEdges, HexagonalCellsWithoutASystemKeepTheirCircularSection) {
    for (const RunOptions& options : everyOption()) {
        SCOPED_TRACE(describe(options));
        const Decomposed run = runAndRead("hexagonal", kCases / "hexagonal_without_system.dat", options);
        ASSERT_EQ(run.axes.size(), 5u);
        for (std::size_t n = 0; n < run.axes.size(); ++n) {
            SCOPED_TRACE("calculation " + std::to_string(n + 1));
            const TensorLine& t = run.strains[n];
            EXPECT_NEAR(t.value[0], t.value[1], 3.0e-7);  // a few units of single precision at 1
            int circular = 0;
            for (const AxisLine& axis : run.axes[n]) {
                if (axis.circular) {
                    ++circular;
                    EXPECT_NEAR(axis.strain, t.value[0], 1.0e-6);
                    continue;
                }
                EXPECT_NEAR(axis.strain, t.value[2], 1.0e-6);
                const AxisAngles a = anglesOf(axis);
                for (int k : {0, 1, 3, 4}) EXPECT_EQ(a.angle[k], 90.0) << "angle " << k;
                for (int k : {2, 5}) EXPECT_TRUE(a.angle[k] == 0.0 || a.angle[k] == 180.0) << a.angle[k];
                for (const std::string& esd : a.esd) EXPECT_EQ(esd, "0.0");
            }
            EXPECT_EQ(circular, 2);
        }
    }
}

// A trigonal cell on rhombohedral axes (a = b = c, alpha = beta = gamma), from CIF: the cells of
// tris-hydroquinone fullerene (COD 2102163 to 2102166) turned from hexagonal to rhombohedral axes,
// a = sqrt(3 aH^2 + cH^2) / 3 and sin(alpha / 2) = 3 aH / (2 sqrt(3 aH^2 + cH^2)).
struct RhombohedralCell {
    int temperature;
    double a, alpha;  // Angstrom, degrees
};
constexpr RhombohedralCell kRhombohedral[] = {
    {373, 10.4400, 101.871}, {293, 10.4131, 101.931}, {200, 10.3908, 102.014}, {100, 10.3645, 102.084}};

std::string rhombohedralCif() {
    std::string text;
    for (const RhombohedralCell& c : kRhombohedral) {
        char block[400];
        std::snprintf(block, sizeof block,
                      "data_c60hq_%dK\n_space_group_name_H-M_alt 'R -3 :R'\n_cell_length_a %.4f(12)\n"
                      "_cell_length_b %.4f(12)\n_cell_length_c %.4f(12)\n_cell_angle_alpha %.3f(8)\n"
                      "_cell_angle_beta %.3f(8)\n_cell_angle_gamma %.3f(8)\n_diffrn_ambient_temperature %d\n",
                      c.temperature, c.a, c.a, c.a, c.alpha, c.alpha, c.alpha, c.temperature);
        text += block;
    }
    return text;
}

// The 3-fold axis a + b + c makes the same angle with a, b and c: cos = (1 + 2 cos alpha) / sqrt(3 + 6 cos alpha).
double angleOfTheThreeFoldAxis(double alpha) {
    const double c = std::cos(alpha * std::numbers::pi / 180.0);
    return std::acos((1.0 + 2.0 * c) / std::sqrt(3.0 + 6.0 * c)) * 180.0 / std::numbers::pi;
}

// Under every strain measure the unique principal axis is the 3-fold axis, at equal angles to a, b
// and c (to a tenth of a degree: the Eulerian and infinitesimal measures feel the small rotation
// between the two cells' Cartesian axes, which also parts their other two roots by 1e-6 or more).
// The finite Lagrangian strain does not: it has an exact double root normal to the axis, which
// single precision parts by some 1e-7 only. Its principal strains are those of the lines a + b + c
// and a - b, (l2^2 / l1^2 - 1) / 2.
TEST(PrincipalEdges, RhombohedralCellsKeepTheirThreeFoldAxis) {
    TempFolder dir("rhombohedral-cif");
    writeFile(dir / "c60hq.cif", rhombohedralCif());
    for (int type = 1; type <= 4; ++type) {
        const RunOptions options = optionsOf(1, type, 1);
        SCOPED_TRACE(describe(options));
        const Decomposed run = runCif("rhombohedral", dir / "c60hq.cif", options);
        ASSERT_EQ(run.axes.size(), 3u);
        for (std::size_t n = 0; n < run.axes.size(); ++n) {
            SCOPED_TRACE("calculation " + std::to_string(n + 1));
            const RhombohedralCell& first = kRhombohedral[n];
            const RhombohedralCell& second = kRhombohedral[n + 1];
            // The 3-fold axis shortens most: the first principal strain.
            const AxisLine& unique = run.axes[n][0];
            ASSERT_FALSE(unique.circular);
            const double expected = angleOfTheThreeFoldAxis(isEulerian(options.strainType) ? second.alpha : first.alpha);
            const AxisAngles a = anglesOf(unique);
            for (int k = 3; k < 6; ++k) {
                const double angle = a.angle[k] > 90.0 ? 180.0 - a.angle[k] : a.angle[k];
                EXPECT_NEAR(angle, expected, 0.15) << "angle to axis " << k - 2;
            }
            if (options.strainType != StrainType::finiteLagrangian) continue;

            const auto lineStrain = [&](auto length) { return (std::pow(length(second) / length(first), 2) - 1.0) / 2.0; };
            const auto cosine = [](const RhombohedralCell& c) { return std::cos(c.alpha * std::numbers::pi / 180.0); };
            const double alongAxis = lineStrain([&](const RhombohedralCell& c) { return c.a * std::sqrt(3.0 + 6.0 * cosine(c)); });
            const double normalToIt = lineStrain([&](const RhombohedralCell& c) { return c.a * std::sqrt(2.0 - 2.0 * cosine(c)); });
            EXPECT_NEAR(unique.strain, alongAxis, 1.0e-6);
            for (int m = 1; m < 3; ++m) {
                EXPECT_TRUE(run.axes[n][m].circular) << "axis " << m + 1;
                EXPECT_NEAR(run.axes[n][m].strain, normalToIt, 1.0e-6) << "axis " << m + 1;
            }
        }
    }
}

// Two identical monoclinic cells, with the crystal system or without it: the strain is zero up to
// the last digits of single precision, so no principal axis has a direction.
TEST(PrincipalEdges, IdenticalCellsHaveNoPrincipalDirections) {
    const char* series[] = {
        "TITLE identical cells\nLINE1 T A B C ALPHA BETA GAMMA\nDATA\n"
        "100 7.6413 19.0433 10.1550 90 103.6422 90\n114 7.6413 19.0433 10.1550 90 103.6422 90\n",
        "TITLE identical cells\nSYSTEM MONOCLINIC\nLINE1 T A SIGA B SIGB C SIGC BETA SIGBETA\nDATA\n"
        "100 10.8588 0.001 16.4866 0.002 16.4463 0.002 118.261 0.01\n"
        "200 10.8588 0.001 16.4866 0.002 16.4463 0.002 118.261 0.01\n",
    };
    TempFolder dir("identical-cells");
    for (int k = 0; k < 2; ++k) {
        const std::filesystem::path data = dir / ("cells" + std::to_string(k) + ".dat");
        writeFile(data, series[k]);
        for (const RunOptions& options : everyOption()) {
            SCOPED_TRACE(std::string(k == 0 ? "no system, " : "monoclinic, ") + describe(options));
            const Decomposed run = runAndRead("identical", data, options);
            ASSERT_EQ(run.axes.size(), 1u);
            for (const AxisLine& axis : run.axes[0]) {
                EXPECT_TRUE(axis.circular);
                EXPECT_EQ(axis.fields[1], "0.000000");
            }
        }
    }
}

// Two identical cells with esds, 2 degrees apart, with a temperature esd: every property is zero and
// keeps the esd of its strain divided by the change, in the tensor and in the principal values.
TEST(PrincipalEdges, ZeroPropertiesKeepTheirStrainEsds) {
    TempFolder dir("zero-property");
    writeFile(dir / "cells.dat", "LINE1 T SIGT A SIGA B SIGB C SIGC ALPHA BETA GAMMA\nDATA\n"
                                 "10 0.5 5 0.01 6 0.02 7 0.03 90 90 90\n12 0.5 5 0.01 6 0.02 7 0.03 90 90 90\n");
    ASSERT_EQ(runOnce(dir / "cells.dat", dir / "run.prt").outcome, RunOutcome::completed);
    const auto strains = tensorLines(dir / "run_strain.cal");
    const auto properties = tensorLines(dir / "run_tensor.cal");
    ASSERT_EQ(strains.size(), 1u);
    ASSERT_EQ(properties.size(), 1u);
    for (int k = 0; k < 6; ++k) {
        SCOPED_TRACE("component " + std::to_string(k + 1));
        EXPECT_EQ(properties[0].value[k], 0.0);
        EXPECT_NEAR(properties[0].esd[k], strains[0].esd[k] / 2.0, 1.0e-8);
        if (k < 3) {
            EXPECT_GT(properties[0].esd[k], 0.001);  // about sqrt(2) sigma(a) / a over the change of 2, or more
        }
    }
    const auto axes = axisLines(dir / "run_prin.cal");
    ASSERT_EQ(axes.size(), 1u);
    double largest = 0.0;
    for (const AxisLine& axis : axes[0]) {
        ASSERT_GE(axis.fields.size(), 5u);  // midpoint, strain, its esd, property, its esd
        double strainEsd = 0.0, propertyEsd = 0.0;
        ASSERT_TRUE(parse(axis.fields[2], strainEsd) && parse(axis.fields[4], propertyEsd));
        EXPECT_NEAR(propertyEsd, strainEsd / 2.0, 1.0e-6);
        largest = std::max(largest, propertyEsd);
    }
    EXPECT_GT(largest, 0.001);
}

}  // namespace
