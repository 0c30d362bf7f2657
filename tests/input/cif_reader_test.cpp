// The CIF reader: which blocks are points, which tags give each value, the series' variable,
// crystal system and title, and a reason naming file, block and line for every bad file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include "../support.hpp"
#include "../test_names.hpp"
#include "input/cif_reader.hpp"
#include "input/input_source.hpp"

namespace {

using testing_support::TempFolder;
using testing_support::writeFile;

const std::filesystem::path kExamples = std::filesystem::path(TENZIO_SOURCE_DIR) / "examples/cif";

// A case's name as a test name.
template <class Case>
std::string caseName(const ::testing::TestParamInfo<Case>& param) {
    return testing_support::testNameOf(param.param.name);
}

float f(const char* decimal) { return std::strtof(decimal, nullptr); }

// A block with a cell (angles 90 unless given) and whatever else the case adds.
std::string block(const std::string& name, const std::string& extra, const std::string& cell = "5 6 7 90 90 90") {
    static const char* const kTags[] = {"_cell_length_a",    "_cell_length_b",   "_cell_length_c",
                                        "_cell_angle_alpha", "_cell_angle_beta", "_cell_angle_gamma"};
    std::string text = "data_" + name + "\n";
    std::size_t pos = 0;
    for (const char* tag : kTags) {
        const std::size_t end = cell.find(' ', pos);
        text += std::string(tag) + " " + cell.substr(pos, end - pos) + "\n";
        pos = end == std::string::npos ? cell.size() : end + 1;
    }
    return text + extra;
}

ReadResult readOne(const std::string& text, const std::string& name = "s.cif") {
    const std::vector<CifText> texts{{name, text}};
    return readCifTexts(texts);
}

TEST(CifStart, TheFirstTokenThatIsNoCommentDecides) {
    const struct {
        const char* text;
        bool cif;
    } cases[] = {
        {"data_x\n", true},
        {"DATA_X", true},
        {"# a database header\n#\n\n   data_04685\n", true},
        {"#c\r\n\r\ndata_x\r\n", true},
        {"\357\273\277data_bom\n", true},  // a UTF-8 byte-order mark
        {"\xEF\xBB\xBF# comment\ndata_bom\n", true},
        {"TITLE cells\nLINE1 T A\nDATA\n", false},
        {"# comment only\n", false},
        {"", false},
        {"data", false},
        {"  loop_\n_a\n", false},
        {"x data_y\n", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(startsLikeCif(c.text), c.cif) << c.text;
        // A file is read in pieces: the decision must not depend on where they end.
        CifStart start;
        for (const char* p = c.text; *p != '\0' && !start.decided(); ++p) start.feed(std::string_view(p, 1));
        EXPECT_EQ(start.isCif(), c.cif) << c.text;
    }
}

TEST(CifStart, FilesAreTestedByTheirStart) {
    TempFolder dir("cif-start");
    writeFile(dir / "a.cif", std::string(5000, '#') + "\n" + std::string(3000, ' ') + "data_late\n");
    writeFile(dir / "b.dat", "TITLE data_ in a title\nDATA\n");
    EXPECT_TRUE(looksLikeCif(dir / "a.cif"));
    EXPECT_FALSE(looksLikeCif(dir / "b.dat"));
    EXPECT_FALSE(looksLikeCif(dir / "missing.cif"));
    EXPECT_FALSE(looksLikeCif(dir.path()));
}

// The two real series: values, su, variable, system and title as their files give them.
TEST(CifRealSeries, HydroquinoneC60IsATrigonalTemperatureSeriesWithFallingT) {
    const ReadResult r = readCifSeries({kExamples / "cod_C60hydroquinone_Blanc2000_trigonal_T.cif"});
    ASSERT_TRUE(r.ok()) << r.reason;
    const Series& s = r.series;
    EXPECT_FALSE(s.pressureRun);
    EXPECT_EQ(s.crystalSystem, CrystalSystem::trigonal);
    EXPECT_EQ(s.title, "tris-hydroquinone fullerene");
    EXPECT_EQ(s.note, "");
    ASSERT_EQ(s.points.size(), 4u);
    const float temperatures[] = {373, 293, 200, 100};
    const char* const c[] = {"13.873", "13.813", "13.750", "13.687"};
    for (std::size_t n = 0; n < 4; ++n) {
        EXPECT_EQ(s.points[n].t, temperatures[n]);
        EXPECT_EQ(s.points[n].sigT, 0.0f);
        EXPECT_EQ(s.points[n].cell[2], f(c[n]));
        EXPECT_EQ(s.points[n].cell.esd[2], f("0.002"));
        EXPECT_EQ(s.points[n].cell[1], s.points[n].cell[0]);
        EXPECT_EQ(s.points[n].cell[5], 120.0f);
        EXPECT_EQ(s.points[n].p, 0.0f);
    }
    EXPECT_EQ(s.points[0].cell[0], f("16.212"));
}

TEST(CifRealSeries, OneMultiBlockFileAndItsBlocksAsFilesGiveTheSameSeries) {
    for (const char* series : {"cod_C60hydroquinone_Blanc2000_trigonal_T", "amcsd_gypsum_Comodi2008_monoclinic_P"}) {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(kExamples / series)) files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        const ReadResult joined = readCifSeries({kExamples / (std::string(series) + ".cif")});
        const ReadResult separate = readCifSeries(files);
        ASSERT_TRUE(joined.ok() && separate.ok()) << joined.reason << separate.reason;
        ASSERT_EQ(joined.series.points.size(), separate.series.points.size());
        for (std::size_t n = 0; n < files.size(); ++n) {
            const DataPoint& a = joined.series.points[n];
            const DataPoint& b = separate.series.points[n];
            EXPECT_TRUE(a.cell == b.cell && a.cell.esd == b.cell.esd && a.t == b.t && a.p == b.p) << series << n;
        }
        EXPECT_EQ(joined.series.title, separate.series.title);
        EXPECT_EQ(joined.series.crystalSystem, separate.series.crystalSystem);
    }
}

TEST(CifRealSeries, GypsumIsAMonoclinicPressureSeriesFromKpaAndItsSymbolAlone) {
    std::vector<std::filesystem::path> files;
    // Appended, not "0" + number: GCC 12 takes that for an overlapping copy (-Wrestrict).
    for (int n = 4685; n <= 4691; ++n)
        files.push_back(kExamples / "amcsd_gypsum_Comodi2008_monoclinic_P" / std::string("0").append(std::to_string(n)).append(".cif"));
    const ReadResult r = readCifSeries(files);
    ASSERT_TRUE(r.ok()) << r.reason;
    const Series& s = r.series;
    EXPECT_TRUE(s.pressureRun);
    EXPECT_EQ(s.pressureUnit, "GPa");  // kPa in the CIF, converted as read
    EXPECT_EQ(s.temperatureUnit, "K");
    EXPECT_EQ(s.crystalSystem, CrystalSystem::monoclinic);  // from 'C 1 2/c 1' only
    EXPECT_EQ(s.title, "Gypsum");  // _chemical_name_mineral before the formula
    const char* const pressures[] = {"0.25", "0.33", "0.56", "1.01", "2.03", "3.15", "3.94"};
    ASSERT_EQ(s.points.size(), 7u);
    for (std::size_t n = 0; n < 7; ++n) {
        EXPECT_EQ(s.points[n].p, f(pressures[n])) << n;
        EXPECT_EQ(s.points[n].t, 0.0f);
        EXPECT_EQ(s.points[n].cell.esd, CellParameters{});
        EXPECT_EQ(s.points[n].volumeAsRead, 0.0f);  // V is not read, as a data file leaves it
    }
    EXPECT_EQ(s.points[0].cell[4], f("114.13"));
}

// Which tag gives a value, and what absent values do.
TEST(CifTags, DdlmNamesAndSuInEveryValue) {
    const std::string text =
        "data_m\n_cell.length_a 5.1(2)\n_cell.length_b 6.2(3)\n_cell.length_c 7.3(4)\n_cell.angle_alpha 91.5(5)\n"
        "_cell.angle_beta 92.5(6)\n_cell.angle_gamma 93.5(7)\n_cell_measurement.temperature 100.0(15)\n"
        "_chemical.name_common 'ddlm phase'\n"
        "data_n\n_cell.length_a 5.2(2)\n_cell.length_b 6.2(3)\n_cell.length_c 7.3(4)\n_cell.angle_alpha 91.5(5)\n"
        "_cell.angle_beta 92.5(6)\n_cell.angle_gamma 93.5(7)\n_diffrn.ambient_temperature 150(2)\n";
    const ReadResult r = readOne(text);
    ASSERT_TRUE(r.ok()) << r.reason;
    const DataPoint& d = r.series.points[0];
    EXPECT_EQ(d.cell[0], f("5.1"));
    EXPECT_EQ(d.cell.esd[0], f("0.2"));
    EXPECT_EQ(d.cell[5], f("93.5"));
    EXPECT_EQ(d.cell.esd[5], f("0.7"));
    EXPECT_EQ(d.t, 100.0f);
    EXPECT_EQ(d.sigT, f("1.5"));
    EXPECT_EQ(r.series.points[1].t, 150.0f);
    EXPECT_EQ(r.series.points[1].sigT, 2.0f);
    EXPECT_EQ(r.series.title, "ddlm phase");
    EXPECT_EQ(r.series.crystalSystem, CrystalSystem::none);
}

TEST(CifTags, TemperatureTagsInOrderAndAbsentValuesPassToTheNext) {
    const struct {
        const char* tags;
        float t;
    } cases[] = {
        {"_cell_measurement_temperature 100\n_diffrn_ambient_temperature 200\n", 100},
        {"_diffrn_ambient_temperature 200\n_cell_measurement_temperature 100\n", 100},
        {"_cell_measurement_temperature ?\n_diffrn_ambient_temperature 200\n", 200},
        {"_cell_measurement_temperature .\n_diffrn.ambient_temperature 300\n", 300},
        {"_CELL_MEASUREMENT_TEMPERATURE 400\n", 400},
        {"loop_\n_diffrn_ambient_temperature\n500\n", 500},
    };
    for (const auto& c : cases) {
        const ReadResult r = readOne(block("a", c.tags) + block("b", "_cell_measurement_temperature 1\n"));
        ASSERT_TRUE(r.ok()) << c.tags << r.reason;
        EXPECT_EQ(r.series.points[0].t, c.t) << c.tags;
    }
}

TEST(CifTags, CrLfLineEndsTextFieldsAndAByteOrderMark) {
    std::string text =
        "\xEF\xBB\xBF# made on a desktop\r\n" +
        block("one",
              "_chemical_name_common\n;\n  Phase one,\n  cooled\n;\n_cell_measurement_temperature\n;\n150\n;\n") +
        block("two", "_cell_measurement_temperature 100\n_publ_section_title\n;\n data_ inside text\n;\n");
    std::string crlf;
    for (const char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const ReadResult r = readOne(crlf);
    ASSERT_TRUE(r.ok()) << r.reason;
    ASSERT_EQ(r.series.points.size(), 2u);
    EXPECT_EQ(r.series.points[0].t, 150.0f);
    EXPECT_EQ(r.series.title, "Phase one, cooled");
    // Lines are counted over CR LF and text fields: the third block's heading is on line 30.
    std::string third;
    for (const char c : block("three", "_cell_measurement_temperature ?\n"))
        third += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const ReadResult bad = readOne(crlf + third);
    EXPECT_EQ(bad.reason,
              "s.cif, data_three (line 30): no temperature (_cell_measurement_temperature or "
              "_diffrn_ambient_temperature) in a temperature series");
}

TEST(CifTags, BlocksWithoutACellAreSkippedAndEveryPhaseBlockIsAPoint) {
    const std::string text = "data_global\n_publ_section_title 'two phases'\n" +
                             block("phase1", "_cell_measurement_temperature 100\n", "5 5 7 90 90 90") +
                             "data_instrument\n_diffrn_radiation_type 'Cu K\\a'\n" +
                             block("phase2", "_cell_measurement_temperature 200\n", "6 6 8 90 90 90");
    const ReadResult r = readOne(text);
    ASSERT_TRUE(r.ok()) << r.reason;
    ASSERT_EQ(r.series.points.size(), 2u);
    EXPECT_EQ(r.series.points[0].cell[0], 5.0f);
    EXPECT_EQ(r.series.points[1].cell[0], 6.0f);
    EXPECT_EQ(r.series.title, "s.cif");  // no name in the first block with a cell
}

TEST(CifTags, FilesInTheOrderGivenThenBlocksInFileOrder) {
    const std::vector<CifText> texts{
        {"b.cif",
         block("b1", "_cell_measurement_temperature 30\n") + block("b2", "_cell_measurement_temperature 10\n")},
        {"a.cif", block("a1", "_cell_measurement_temperature 20\n_chemical_formula_sum 'Si O2'\n")},
    };
    const ReadResult r = readCifTexts(texts);
    ASSERT_TRUE(r.ok()) << r.reason;
    ASSERT_EQ(r.series.points.size(), 3u);
    EXPECT_EQ(r.series.points[0].t, 30.0f);
    EXPECT_EQ(r.series.points[1].t, 10.0f);
    EXPECT_EQ(r.series.points[2].t, 20.0f);
    EXPECT_EQ(r.series.title, "b.cif");  // the first block's title only
}

TEST(CifTags, TheTitleIsTheMineralNameElseTheCommonNameElseTheFormula) {
    const ReadResult both = readOne(block("a",
                                          "_cell_measurement_temperature 1\n_chemical_formula_sum 'C6 H6'\n"
                                          "_chemical_name_common ?\n") +
                                    block("b", "_cell_measurement_temperature 2\n_chemical_name_common 'other'\n"));
    EXPECT_EQ(both.series.title, "C6 H6");
    const ReadResult all = readOne(block("a",
                                         "_cell_measurement_temperature 1\n_chemical_formula_sum 'Mg O'\n"
                                         "_chemical_name_common 'magnesium oxide'\n_chemical_name_mineral periclase\n") +
                                   block("b", "_cell_measurement_temperature 2\n"));
    EXPECT_EQ(all.series.title, "periclase");
}

// Pressure or temperature series.
TEST(CifVariable, PressuresInKpaThatVaryMakeAPressureSeriesInGpa) {
    const ReadResult r =
        readOne(block("a", "_diffrn_ambient_pressure 100000(5000)\n_cell_measurement_temperature 295\n") +
                block("b", "_cell_measurement_pressure 2.5e6\n"));
    ASSERT_TRUE(r.ok()) << r.reason;
    EXPECT_TRUE(r.series.pressureRun);
    EXPECT_EQ(r.series.points[0].p, f("0.1"));
    EXPECT_EQ(r.series.points[0].sigP, f("0.005"));
    EXPECT_EQ(r.series.points[0].t, 295.0f);
    EXPECT_EQ(r.series.points[1].p, 2.5f);
    EXPECT_EQ(r.series.points[1].t, 0.0f);
}

TEST(CifVariable, AConstantPressureMakesATemperatureSeriesNamedInTheTitle) {
    const ReadResult r = readOne(
        block("a",
              "_diffrn_ambient_pressure 101.325\n_diffrn_ambient_temperature 100\n_chemical_name_common quartz\n") +
        block("b", "_diffrn_ambient_pressure 101.325\n_diffrn_ambient_temperature 200\n"));
    ASSERT_TRUE(r.ok()) << r.reason;
    EXPECT_FALSE(r.series.pressureRun);
    EXPECT_EQ(r.series.title, "quartz (P = 0.000101325 GPa)");
    // The pressure is no variable of the run: it is not kept with the points.
    EXPECT_EQ(r.series.points[0].p, 0.0f);
    EXPECT_EQ(r.series.points[1].t, 200.0f);
}

TEST(CifVariable, PressureInSomeBlocksOnlyMakesATemperatureSeries) {
    const ReadResult r = readOne(block("a", "_diffrn_ambient_pressure 100\n_diffrn_ambient_temperature 100\n") +
                                 block("b", "_diffrn_ambient_temperature 200\n"));
    ASSERT_TRUE(r.ok()) << r.reason;
    EXPECT_FALSE(r.series.pressureRun);
    EXPECT_EQ(r.series.title, "s.cif");
}

// Crystal system: where it comes from, the lowest among the blocks, and whether it fits.
struct SystemCase {
    const char* name;
    std::string blockA;  // symmetry items and, after '|', the cell
    std::string blockB;
    CrystalSystem system;
    const char* note;
};

std::string blockFrom(const std::string& name, const std::string& layout, int t) {
    const auto bar = layout.find('|');
    const std::string items = layout.substr(0, bar);
    const std::string cell = bar == std::string::npos ? "5 6 7 90 90 90" : layout.substr(bar + 1);
    return block(name, items + "_cell_measurement_temperature " + std::to_string(t) + "\n", cell);
}

const SystemCase kSystemCases[] = {
    {"system name", "_space_group_crystal_system orthorhombic\n", "_space_group.crystal_system Orthorhombic\n",
     CrystalSystem::orthorhombic, ""},
    {"system name before number", "_space_group_crystal_system orthorhombic\n_space_group_IT_number 14\n",
     "_space_group_IT_number 62\n", CrystalSystem::orthorhombic, ""},
    {"rhombohedral setting is trigonal", "_symmetry_cell_setting rhombohedral\n|5 5 7 90 90 120",
     "_symmetry_cell_setting trigonal\n|5 5 7 90 90 120", CrystalSystem::trigonal, ""},
    {"numbers", "_space_group_IT_number 75\n|5 5 7 90 90 90", "_symmetry_Int_Tables_number 142\n|5 5 7 90 90 90",
     CrystalSystem::tetragonal, ""},
    {"number bounds", "_space_group.IT_number 168\n|5 5 7 90 90 120", "_space_group_IT_number 194\n|5 5 7 90 90 120",
     CrystalSystem::hexagonal, ""},
    {"absent number gives the symbol", "_space_group_IT_number ?\n_symmetry_space_group_name_H-M 'P 21 c n'\n",
     "_space_group_name_H-M_alt 'P b n m'\n", CrystalSystem::orthorhombic, ""},
    {"lowest wins", "_space_group_name_H-M_alt 'F m -3 m'\n|5 5 5 90 90 90",
     "_space_group_IT_number 139\n|5 5 7 90 90 90", CrystalSystem::tetragonal, ""},
    {"a block without any is triclinic", "_space_group_IT_number 225\n|5 5 5 90 90 90", "|5 5 5 90 90 90",
     CrystalSystem::none, ""},
    {"number 2 is triclinic", "_space_group_IT_number 2\n|5 6 7 80 85 95", "_space_group_IT_number 14\n",
     CrystalSystem::none, ""},
    {"b-unique monoclinic", "_space_group_name_H-M_alt 'C 1 2/c 1'\n|5 6 7 90 114 90",
     "_space_group_name_H-M_alt 'P 21/c'\n|5 6 7 90 100 90", CrystalSystem::monoclinic, ""},
    {"c-unique monoclinic", "_space_group_name_H-M_alt 'P 1 1 21/b'\n|5 6 7 90 90 105",
     "_space_group_IT_number 14\n|5 6 7 90 90 106", CrystalSystem::none,
     "CRYSTAL SYSTEM MONOCLINIC WITH UNIQUE AXIS C IN CIF: CELLS NOT CONSTRAINED"},
    {"rhombohedral axes", "_space_group_name_H-M_alt 'R -3 m'\n|5 5 5 60 60 60",
     "_space_group_IT_number 166\n|5.1 5.1 5.1 61 61 61", CrystalSystem::none,
     "CRYSTAL SYSTEM TRIGONAL ON RHOMBOHEDRAL AXES IN CIF: CELLS NOT CONSTRAINED"},
    {"hexagonal axes", "_space_group_name_H-M_alt 'R -3 m'\n|5 5 14 90 90 120",
     "_space_group_IT_number 166\n|5 5 14 90 90 120", CrystalSystem::trigonal, ""},
    {"tetragonal with a and b apart", "_space_group_IT_number 139\n|5 5.2 7 90 90 90", "_space_group_IT_number 139\n",
     CrystalSystem::none, "CRYSTAL SYSTEM TETRAGONAL IN CIF DOES NOT FIT THE CELLS AS GIVEN: NOT CONSTRAINED"},
    {"within the su", "_space_group_IT_number 139\n|5.0001(1) 5.0003(1) 7 90 90 90",
     "_space_group_IT_number 139\n|5 5 7 90 90 90", CrystalSystem::tetragonal, ""},
    {"unknown symbol", "_space_group_name_H-M_alt 'P 7 q'\n", "_space_group_IT_number 47\n", CrystalSystem::none,
     "SPACE GROUP \"P 7 q\" IN CIF NOT KNOWN: CELLS NOT CONSTRAINED"},
};

class CifSystem : public ::testing::TestWithParam<SystemCase> {};

TEST_P(CifSystem, FirstItemLowestBlockIfItFits) {
    const SystemCase& c = GetParam();
    const ReadResult r = readOne(blockFrom("a", c.blockA, 100) + blockFrom("b", c.blockB, 200));
    ASSERT_TRUE(r.ok()) << r.reason;
    EXPECT_EQ(r.series.crystalSystem, c.system);
    EXPECT_EQ(r.series.note, c.note);
    EXPECT_LT(r.series.note.size(), 100u);
}

INSTANTIATE_TEST_SUITE_P(Cif, CifSystem, ::testing::ValuesIn(kSystemCases), caseName<SystemCase>);

TEST(CifSystemConstraints, ApplyAsInADataFileAndLeaveUnconstrainedCellsAsGiven) {
    const ReadResult tetragonal =
        readOne(blockFrom("a", "_space_group_IT_number 139\n|5.0001(1) 5.0003(2) 7 90 90 90", 1) +
                blockFrom("b", "_space_group_IT_number 139\n|5 5 7 90 90 90", 2));
    ASSERT_TRUE(tetragonal.ok());
    EXPECT_EQ(tetragonal.series.points[0].cell[1], f("5.0001"));
    EXPECT_EQ(tetragonal.series.points[0].cell.esd[1], f("0.0001"));
    const ReadResult cUnique = readOne(blockFrom("a", "_space_group_IT_number 14\n|5 6 7 90 90 105(2)", 1) +
                                       blockFrom("b", "_space_group_IT_number 14\n|5 6 7 90 90 106", 2));
    ASSERT_TRUE(cUnique.ok());
    EXPECT_EQ(cUnique.series.points[0].cell[5], 105.0f);
    EXPECT_EQ(cUnique.series.points[0].cell.esd[5], 2.0f);
}

// Bad files: "error reading file" with a reason that says where; or the point that is no cell.
struct BadCase {
    const char* name;
    std::string text;
    std::string reason;
};

const std::string kT1 = "_cell_measurement_temperature 1\n";
const std::string kT2 = "_cell_measurement_temperature 2\n";

const BadCase kBadCases[] = {
    {"unterminated string", "data_a\n_cell_length_a 5\n_chemical_name_common 'open\n",
     "s.cif, line 3: unterminated 'string'"},
    {"no data block", "_cell_length_a 5\n", "s.cif, line 1: expected block header (data_)"},
    {"duplicate tag", "data_a\n_cell_length_a 5\n_cell_length_a 6\n",
     "s.cif, data_a, line 3: _cell_length_a given twice"},
    {"tag without value", "data_a\n_cell_length_a\n_cell_length_b 6\n",
     "s.cif, data_a, line 2: _cell_length_a has no value"},
    {"duplicate block", block("a", kT1) + block("A", kT2), "s.cif, data_A (line 9): a second block named data_a"},
    {"no block with a cell", "data_a\n_chemical_name_common x\n", "s.cif: no data block with a cell (_cell_length_a)"},
    {"one point", block("only", kT1),
     "s.cif, data_only (line 1): the only data block with a cell; a series needs two or more"},
    {"missing angle",
     block("a", kT1) +
         "data_b\n_cell_length_a 5\n_cell_length_b 6\n_cell_length_c 7\n"
         "_cell_angle_alpha 90\n_cell_angle_gamma 90\n" +
         kT2,
     "s.cif, data_b (line 9): no value for _cell_angle_beta"},
    {"absent cell value", block("a", kT1) + block("b", kT2, "5 6 ? 90 90 90"),
     "s.cif, data_b (line 9): no value for _cell_length_c"},
    {"not a number", block("a", kT1) + block("b", kT2, "5 6 7 90 ninety 90"),
     "s.cif, data_b, line 14: _cell_angle_beta \"ninety\" is not a number"},
    {"bad temperature", block("a", kT1) + block("b", "_cell_measurement_temperature 'room temperature'\n"),
     "s.cif, data_b, line 16: _cell_measurement_temperature \"room temperature\" is not a number"},
    {"no temperature", block("a", kT1) + block("b", ""),
     "s.cif, data_b (line 9): no temperature (_cell_measurement_temperature or _diffrn_ambient_temperature) in a "
     "temperature series"},
    {"several values in a loop", block("a", kT1) + "data_b\nloop_\n_cell_length_a\n5\n6\n",
     "s.cif, data_b, line 10: _cell_length_a has 2 values in a loop, not one"},
    {"space-group number", block("a", kT1 + "_space_group_IT_number 231\n") + block("b", kT2),
     "s.cif, data_a, line 9: _space_group_IT_number \"231\" is no space-group number (1 to 230)"},
    {"crystal system name", block("a", kT1 + "_space_group_crystal_system monoklin\n") + block("b", kT2),
     "s.cif, data_a, line 9: _space_group_crystal_system \"monoklin\" is no crystal system"},
};

class CifBad : public ::testing::TestWithParam<BadCase> {};

TEST_P(CifBad, IsAReadErrorThatSaysWhere) {
    const ReadResult r = readOne(GetParam().text);
    EXPECT_EQ(r.failure, ReadFailure::unreadable);
    EXPECT_EQ(r.reason, GetParam().reason);
    EXPECT_TRUE(r.series.points.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, CifBad, ::testing::ValuesIn(kBadCases), caseName<BadCase>);

TEST(CifBadFiles, ACellThatCannotExistIsAnInvalidCellNamingItsPoint) {
    const ReadResult r = readOne(block("a", kT1) + block("b", kT2) +
                                 block("c", "_cell_measurement_temperature 3\n", "5 6 7 170 170 170"));
    EXPECT_EQ(r.failure, ReadFailure::invalidCell);
    EXPECT_EQ(r.badPoint, 3);
    EXPECT_EQ(r.reason, "s.cif, data_c (line 17): data point 3 cannot form a unit cell");
}

TEST(CifBadFiles, FilesThatCannotBeReadAreNamed) {
    TempFolder dir("cif-files");
    writeFile(dir / "good.cif", block("a", kT1) + block("b", kT2));
    writeFile(dir / "nocell.cif", "data_x\n_chemical_name_common x\n");
    EXPECT_EQ(readCifSeries({dir / "good.cif", dir / "missing.cif"}).reason, "missing.cif: cannot be opened: No such file or directory");
    EXPECT_EQ(readCifSeries({dir / "good.cif", dir.path()}).failure, ReadFailure::unreadable);
    EXPECT_EQ(readCifSeries({dir / "good.cif", dir / "nocell.cif"}).reason,
              "nocell.cif: no data block with a cell (_cell_length_a)");
    EXPECT_EQ(readCifSeries({"/dev/zero"}).reason, "zero: a device, not a file");
    EXPECT_TRUE(readCifSeries({dir / "good.cif"}).ok());
}

}  // namespace
