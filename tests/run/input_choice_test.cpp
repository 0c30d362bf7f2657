// The input as a user chooses it: one data file, or CIF files only; their order by name.
#include <gtest/gtest.h>

#include <algorithm>

#include "../support.hpp"
#include "run/input_choice.hpp"

namespace {

using namespace testing_support;

TEST(NaturalNameOrder, NumbersCompareByValue) {
    // Each list is in natural order.
    const std::vector<std::vector<std::string>> orders = {
        {"9K.cif", "10K.cif", "100K.cif", "1000K.cif"},
        {"run2_100K.cif", "run2_1000K.cif", "run10_5K.cif"},
        {"T.cif", "T1.cif", "T1a.cif", "T2.cif"},
        {"a.cif", "b.cif", "b0.cif"},
        {"x007.cif", "x7.cif", "x8.cif"},  // equal values: the bytes decide, so the order stays strict
        {"P0.25GPa.cif", "P0.33GPa.cif", "P1.01GPa.cif"},
    };
    for (const auto& order : orders) {
        for (std::size_t i = 0; i < order.size(); ++i) {
            EXPECT_FALSE(naturalNameLess(order[i], order[i])) << order[i];
            for (std::size_t j = i + 1; j < order.size(); ++j) {
                EXPECT_TRUE(naturalNameLess(order[i], order[j])) << order[i] << " < " << order[j];
                EXPECT_FALSE(naturalNameLess(order[j], order[i])) << order[j] << " < " << order[i];
            }
        }
        std::vector<std::string> shuffled(order.rbegin(), order.rend());
        std::stable_sort(shuffled.begin(), shuffled.end(), naturalNameLess);
        EXPECT_EQ(shuffled, order);
    }
}

TEST(InputChoice, OneDataFileOrCifFilesOnly) {
    TempFolder dir("input-choice");
    const std::string cell =
        "_cell_length_a 5\n_cell_length_b 6\n_cell_length_c 7\n_cell_angle_alpha 90\n"
        "_cell_angle_beta 90\n_cell_angle_gamma 90\n";
    writeFile(dir / "a.cif", "# header\ndata_a\n" + cell + "_diffrn_ambient_temperature 100\n");
    writeFile(dir / "b.cif", "data_b\n" + cell + "_diffrn_ambient_temperature 200\n");
    writeFile(dir / "c.dat", "LINE1 T A B C ALPHA BETA GAMMA\nDATA\n1 5 6 7 90 90 90\n2 5 6 7 90 90 90\n");

    RunState state;
    InputChoice choice = openInputFiles(state, {dir / "c.dat"});
    EXPECT_EQ(choice.outcome, InputOpen::dataFile);
    EXPECT_FALSE(state.reader);
    EXPECT_EQ(state.inputFileName, "c.dat");

    choice = openInputFiles(state, {dir / "b.cif", dir / "a.cif"});
    EXPECT_EQ(choice.outcome, InputOpen::cif);
    EXPECT_TRUE(state.fileChosen.input);
    EXPECT_EQ(state.inputFileName, "b.cif AND 1 MORE");
    ASSERT_TRUE(state.reader);
    const ReadResult read = state.reader();
    ASSERT_TRUE(read.ok()) << read.reason;
    EXPECT_EQ(read.series.points[0].t, 200.0f);  // in the order given

    // A data file must stand alone; a file that cannot be opened is named. Either leaves no input.
    choice = openInputFiles(state, {dir / "a.cif", dir / "c.dat"});
    EXPECT_EQ(choice.outcome, InputOpen::dataFileNotAlone);
    EXPECT_EQ(choice.file, (dir / "c.dat").string());
    EXPECT_FALSE(state.fileChosen.input);
    EXPECT_FALSE(state.reader);
    EXPECT_EQ(state.inputFile, nullptr);

    choice = openInputFiles(state, {dir / "a.cif", dir / "gone.cif"});
    EXPECT_EQ(choice.outcome, InputOpen::openFailed);
    EXPECT_EQ(choice.file, (dir / "gone.cif").string());
    EXPECT_FALSE(state.fileChosen.input);

    choice = openInputFiles(state, {dir / "a.cif"});
    EXPECT_EQ(choice.outcome, InputOpen::cif);
    EXPECT_EQ(state.inputFileName, "a.cif");

    // One file twice, under any name, would repeat its points.
    std::filesystem::create_symlink(dir / "a.cif", dir / "same.cif");
    choice = openInputFiles(state, {dir / "a.cif", dir / "b.cif", dir / "same.cif"});
    EXPECT_EQ(choice.outcome, InputOpen::sameFileTwice);
    EXPECT_EQ(choice.file, (dir / "same.cif").string());
    EXPECT_FALSE(state.fileChosen.input);
    EXPECT_FALSE(state.reader);
}

}  // namespace
