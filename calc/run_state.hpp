#pragma once
// The shared records of a run: the options, one measured cell, and the state of the program.
#include <array>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "report/record_writer.hpp"

struct RunOptions {
    int axisConvention = 1;  // 1 X//a* Z//c; 2 Y//b Z//c*; 3 X//a* Y//b
    int strainType = 1;      // 1 finite Eulerian, 2 infinitesimal Eulerian, 3 finite Lagrangian, 4 infinitesimal Lagrangian
    int incremental = 1;     // 1 each cell against the one before it; 0 each against the first
};

struct DataPoint {
    float p = 0.0f;
    float sigP = 0.0f;
    std::array<float, 7> cell{};  // a, b, c, alpha, beta, gamma (degrees), V
    float t = 0.0f;
    float sigT = 0.0f;
    std::array<float, 7> sigCell{};
};

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using InputFile = std::unique_ptr<std::FILE, FileCloser>;

struct RunState {
    // The table of data points; data point n is dataPoints[n - 1]. It grows as the reader needs
    // and is never cleared, so a field that no column names keeps what it held (0.0 at start).
    std::vector<DataPoint> dataPoints;
    int nData = 0;
    int crystalSystem = 0;  // 0 none, 1 monoclinic, 2 orthorhombic, 3 tetragonal, 4 trigonal/hexagonal, 5 cubic
    int pressureRun = 0;    // 1 pressure series (compressibility), 0 temperature series (thermal expansion)
    int runError = 0;
    std::array<int, 2> esdPresent{};  // of the current pair's first and second cell
    RunOptions options;

    InputFile inputFile;
    RecordFile printFile;
    std::array<int, 2> fileChosen{};  // input, print
    std::string inputFileName;        // without folder
    std::string printFileName;        // without folder
    RecordFile strainCalFile;
    RecordFile tensorCalFile;
    RecordFile prinCalFile;
    std::filesystem::path resultFolder;  // where the result files are created; empty: the current folder

    int calculationNumber = 0;  // numbers the calculations of the process, 1, 2, 3, ...

    // Where status-line texts go (the dialog's status line, or standard error in batch use).
    std::function<void(std::string_view)> statusSink;
    // The 24-character local date and time; replaceable so that runs can be reproduced.
    std::function<std::string()> clock;
};

// Shows a text on the status line: the text up to its first run of five blanks, at most 80 characters.
std::string statusText(std::string_view text);
void WLINE(RunState& state, std::string_view text);
