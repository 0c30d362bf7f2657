// What tenzio-batch says when it fails: every message names the file and the system's reason.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "../support.hpp"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

const fs::path kExample = fs::path(TENZIO_SOURCE_DIR) / "examples/phenylpiracetam_triclinic_T.dat";

std::string inFolder(std::string text, const fs::path& folder) {
    for (auto at = text.find("DIR"); at != std::string::npos; at = text.find("DIR")) text.replace(at, 3, folder.string());
    return text;
}

struct MessageCase {
    const char* name;
    const char* file;      // a file made in the folder DIR ("name/" a folder), or ""
    const char* content;
    const char* arguments;  // DIR the folder
    const char* errors;     // all of standard error, DIR the folder
};

void PrintTo(const MessageCase& c, std::ostream* os) { *os << c.name; }

class BatchMessages : public ::testing::TestWithParam<MessageCase> {};

// Mended faults: a keyword data file's error named the line but not the file; "cannot be opened"
// gave no reason; ONLY ONE DATUM came without a reason.
TEST_P(BatchMessages, NameTheFileAndTheReason) {
    const MessageCase& c = GetParam();
    TempFolder dir(std::string("messages-") + c.name);
    const std::string file = c.file;
    if (file.ends_with("/")) fs::create_directories(dir / file);
    else if (!file.empty()) writeFile(dir / file, c.content);
    const std::string command = std::string(TENZIO_BATCH) + " " + inFolder(c.arguments, dir.path());
    EXPECT_EQ(shell("cd " + shellQuoted(dir.path()) + " && " + command + " 2>" + shellQuoted(dir.path().string() + ".errors")), 1);
    EXPECT_EQ(slurp(dir.path().string() + ".errors"), inFolder(c.errors, dir.path()));
    fs::remove(dir.path().string() + ".errors");
}

INSTANTIATE_TEST_SUITE_P(
    Batch, BatchMessages,
    ::testing::Values(
        MessageCase{"NotANumber", "x.dat", "LINE1 T A B C ALPHA BETA GAMMA\nDATA\n10 5 6 7 90 90 90\n20 5 x 7 90 90 90\n",
                    "x.dat --print r.prt",
                    "PROCESSING DATA\nerror reading file\ntenzio-batch: x.dat, line 4: \"x\" is not a number\n"},
        MessageCase{"NoDataLine", "x.dat", "TITLE no data\nLINE1 T A B C ALPHA BETA GAMMA\n", "DIR/x.dat --print r.prt",
                    "PROCESSING DATA\nerror reading file\ntenzio-batch: x.dat: the file ends before its DATA line\n"},
        MessageCase{"MissingInput", "", "", "DIR/missing.dat --print r.prt",
                    "ERROR OPENING INPUT DATA FILE\ntenzio-batch: DIR/missing.dat: cannot be opened: No such file or directory\n"},
        MessageCase{"InputIsAFolder", "cells.dat/", "", "cells.dat --print r.prt",
                    "ERROR OPENING INPUT DATA FILE\ntenzio-batch: cells.dat: cannot be opened: Is a directory\n"},
        MessageCase{"OneDatum", "one.dat", "LINE1 T A B C ALPHA BETA GAMMA\nDATA\n10 5 6 7 90 90 90\n", "one.dat --print r.prt",
                    "PROCESSING DATA\nONLY ONE DATUM IN INPUT FILE\ntenzio-batch: one.dat holds 1 data point; a run compares "
                    "two or more\n"},
        MessageCase{"NoDatum", "none.dat", "LINE1 T A B C ALPHA BETA GAMMA\nDATA\n", "none.dat --json r.json",
                    "PROCESSING DATA\nONLY ONE DATUM IN INPUT FILE\ntenzio-batch: none.dat holds 0 data points; a run "
                    "compares two or more\n"},
        // The plot folder is a file: nothing of the set was begun, and nothing replaced.
        MessageCase{"PlotFolderIsAFile", "plots", "a file", TENZIO_SOURCE_DIR "/examples/periclase_cubic_T.dat --plots plots",
                    "PROCESSING DATA\ntenzio-batch: no plots written: cannot create the plot folder plots: Not a directory\n"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// Where the system refuses the user: run by a user whom permission bits stop.
struct RefusedCase {
    const char* name;
    const char* arguments;  // DIR the folder, which holds a read-only folder "shut" and an unreadable "secret.dat"
    const char* errors;
};

// Mended fault: a print file in a folder that may not be written said "No such file or
// directory": the reason of the opening was overwritten by a later look at the file.
TEST(BatchMessages, WhatTheSystemRefusesIsNamedWithItsReason) {
    const RefusedCase cases[] = {
        {"ReadOnlyPrintFolder", "EXAMPLE --print DIR/shut/r.prt",
         "PROCESSING DATA\nERROR OPENING PRINT FILE\ntenzio-batch: cannot open DIR/shut/r.prt: Permission denied\n"},
        {"UnreadableInput", "DIR/secret.dat --print DIR/r.prt",
         "ERROR OPENING INPUT DATA FILE\ntenzio-batch: DIR/secret.dat: cannot be opened: Permission denied\n"},
        {"ReadOnlyPlotFolder", "EXAMPLE --plots DIR/shut/plots",
         "PROCESSING DATA\ntenzio-batch: no plots written: cannot create the plot folder DIR/shut/plots: Permission denied\n"},
    };
    TempFolder dir("messages-refused");
    giveToUnprivileged(dir.path());
    fs::create_directories(dir / "shut");
    ASSERT_EQ(::chmod((dir / "shut").c_str(), 0555), 0);
    writeFile(dir / "secret.dat", slurp(kExample));
    ASSERT_EQ(::chmod((dir / "secret.dat").c_str(), 0), 0);
    for (const RefusedCase& c : cases) {
        std::string arguments = inFolder(c.arguments, dir.path());
        if (const auto at = arguments.find("EXAMPLE"); at != std::string::npos) arguments.replace(at, 7, kExample.string());
        const std::string command = asUnprivileged(std::string(TENZIO_BATCH) + " " + arguments);
        if (command.empty()) GTEST_SKIP() << "no user whom permission bits stop";
        const fs::path errors = dir.path().string() + ".errors";
        EXPECT_EQ(shell(command + " 2>" + shellQuoted(errors)), 1) << c.name;
        EXPECT_EQ(slurp(errors), inFolder(c.errors, dir.path())) << c.name;
        fs::remove(errors);
        EXPECT_TRUE(fs::is_empty(dir / "shut")) << c.name;
    }
}

}  // namespace
