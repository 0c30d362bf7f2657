// A series written as a keyword data file reads back as the same series.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "input/cif_reader.hpp"
#include "input/data_file_writer.hpp"
#include "input/readfile.hpp"
#include "../support.hpp"

namespace {

ReadResult readBack(const std::string& text) { return testing_support::readDataText(text); }

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void expectSameSeries(const Series& a, const Series& b) {
    EXPECT_EQ(a.title, b.title);
    EXPECT_EQ(a.crystalSystem, b.crystalSystem);
    EXPECT_EQ(a.pressureRun, b.pressureRun);
    EXPECT_EQ(a.temperatureUnit, b.temperatureUnit);
    EXPECT_EQ(a.pressureUnit, b.pressureUnit);
    ASSERT_EQ(a.points.size(), b.points.size());
    for (std::size_t n = 0; n < a.points.size(); ++n) {
        const DataPoint& x = a.points[n];
        const DataPoint& y = b.points[n];
        EXPECT_TRUE(sameBits(x.p, y.p) && sameBits(x.sigP, y.sigP) && sameBits(x.t, y.t) && sameBits(x.sigT, y.sigT))
            << n;
        for (int k = 0; k < 6; ++k)
            EXPECT_TRUE(sameBits(x.cell[k], y.cell[k]) && sameBits(x.cell.esd[k], y.cell.esd[k])) << n << " " << k;
        EXPECT_TRUE(sameBits(x.volumeAsRead, y.volumeAsRead) && sameBits(x.volumeAsReadEsd, y.volumeAsReadEsd)) << n;
    }
}

// Values whose shortest decimals are awkward: many digits, tiny and huge exponents, negatives.
Series awkwardSeries(CrystalSystem system, bool pressure) {
    Series s;
    s.title = "awkward: 1/3, tiny, huge  and\tblanks";
    s.crystalSystem = system;
    s.pressureRun = pressure;
    const float third = 1.0f / 3.0f;
    for (int n = 0; n < 3; ++n) {
        DataPoint d;
        d.p = pressure ? third * static_cast<float>(n + 1) : 0.0f;
        d.sigP = pressure ? 1e-7f : 0.0f;
        d.t = -273.15f + 1e-3f * static_cast<float>(n);
        d.sigT = std::numeric_limits<float>::denorm_min();
        d.cell = {{7.123457f + static_cast<float>(n), 7.123457f, 9.87654321f, 90.0f, 104.99999f, 120.0f},
                  {3e-5f, 3e-5f, 1.1754944e-38f, 0.0f, 0.0123f, 0.0f}};
        d.volumeAsRead = 1234.5678f;
        d.volumeAsReadEsd = 2.5f;
        s.points.push_back(d);
    }
    return s;
}

TEST(DataFileWriter, EverySystemAndVariableReadsBackBitForBit) {
    for (const CrystalSystem system :
         {CrystalSystem::none, CrystalSystem::monoclinic, CrystalSystem::orthorhombic, CrystalSystem::tetragonal,
          CrystalSystem::trigonal, CrystalSystem::hexagonal, CrystalSystem::cubic}) {
        for (const bool pressure : {false, true}) {
            Series s = awkwardSeries(system, pressure);
            // The reader constrains every cell; the series written must already be constrained.
            if (system != CrystalSystem::none) {
                for (DataPoint& d : s.points) {
                    d.cell = {{7.0f, 7.0f, 9.87654321f, 90.0f, system == CrystalSystem::monoclinic ? 104.99999f : 90.0f,
                               system == CrystalSystem::trigonal || system == CrystalSystem::hexagonal ? 120.0f : 90.0f},
                              {}};
                    d.volumeAsRead = 1.5f;
                    if (system == CrystalSystem::cubic) d.cell[2] = 7.0f;
                    d.cell.esd = {
                        3e-5f,
                        system == CrystalSystem::monoclinic || system == CrystalSystem::orthorhombic ? 2e-5f : 3e-5f,
                        system == CrystalSystem::cubic ? 3e-5f : 1e-4f,
                        0.0f,
                        system == CrystalSystem::monoclinic ? 0.0123f : 0.0f,
                        0.0f};
                    d.volumeAsReadEsd = 0.5f;
                }
            }
            const ReadResult back = readBack(dataFileText(s));
            ASSERT_TRUE(back.ok()) << back.reason;
            Series expected = s;
            expected.title = "awkward: 1/3, tiny, huge  and blanks";  // a tab in a title is a blank
            expectSameSeries(back.series, expected);
        }
    }
}

TEST(DataFileWriter, TheNoteAndCommentsAreCommentLines) {
    Series s = awkwardSeries(CrystalSystem::none, false);
    s.note = "CRYSTAL SYSTEM MONOCLINIC WITH UNIQUE AXIS C IN CIF: CELLS NOT CONSTRAINED";
    const std::vector<std::string> comments{"Read from CIF: x.cif", "DATA in a comment\nis no keyword"};
    const std::string text = dataFileText(s, comments);
    EXPECT_NE(text.find("\n# CRYSTAL SYSTEM MONOCLINIC WITH UNIQUE AXIS C"), std::string::npos);
    EXPECT_NE(text.find("\n# DATA in a comment is no keyword\n"), std::string::npos);
    const ReadResult back = readBack(text);
    ASSERT_TRUE(back.ok()) << back.reason;
    expectSameSeries(back.series, readBack(dataFileText(awkwardSeries(CrystalSystem::none, false))).series);
}

TEST(DataFileWriter, RealCifSeriesReadBackAsTheyWereRead) {
    const std::filesystem::path examples = std::filesystem::path(TENZIO_SOURCE_DIR) / "examples/cif";
    for (const char* name :
         {"cod_C60hydroquinone_Blanc2000_trigonal_T.cif", "amcsd_gypsum_Comodi2008_monoclinic_P.cif"}) {
        const ReadResult cif = readCifSeries({examples / name});
        ASSERT_TRUE(cif.ok()) << cif.reason;
        const ReadResult back = readBack(dataFileText(cif.series));
        ASSERT_TRUE(back.ok()) << back.reason;
        expectSameSeries(back.series, cif.series);
    }
}

}  // namespace

namespace {

TEST(DataFileWriter, ASeriesOfVolumesReadsBackAsOneOfEachVariable) {
    for (const char* text : {"UNITS P GPa\nLINE1 P SIGP V SIGV\nDATA\n0 0.1 100 0.2\n1.5 0.1 99.25 0.2\n",
                             "LINE1 T SIGT V SIGV\nDATA\n300 1 100 0.2\n400 1 100.5 0.2\n",
                             "LINE1 T SIGT P SIGP V SIGV\nDATA\n300 1 0 0.1 100 0.2\n400 1 2 0.1 99.9 0.2\n"}) {
        const ReadResult first = readBack(text);
        ASSERT_TRUE(first.ok()) << text;
        const std::string written = dataFileText(first.series, {});
        const ReadResult again = readBack(written);
        ASSERT_TRUE(again.ok()) << written << again.reason;
        EXPECT_TRUE(again.series.volumeOnly) << written;
        expectSameSeries(first.series, again.series);
    }
}

}  // namespace
