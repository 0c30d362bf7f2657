#pragma once
// One measured cell and the series of them that a run works on.
#include <array>
#include <string>
#include <vector>

#include "calc/options.hpp"

struct DataPoint {
    float p = 0.0f;
    float sigP = 0.0f;
    std::array<float, 7> cell{};  // a, b, c, alpha, beta, gamma (degrees), V
    float t = 0.0f;
    float sigT = 0.0f;
    std::array<float, 7> sigCell{};
};

struct Series {
    std::vector<DataPoint> points;  // data point n is points[n - 1]
    std::string title;
    CrystalSystem crystalSystem = CrystalSystem::none;
    bool pressureRun = false;  // a pressure series (compressibility); otherwise temperature (thermal expansion)
    std::string note;          // one line for the report's reader about how the series was read, or empty
};

// A cell carries esds when those of its six parameters add up to more than a rounding residue.
bool hasCellEsds(const DataPoint& point);

// The intensive variable of the series at a point: P for a pressure series, otherwise T.
inline float variableOf(const DataPoint& d, bool pressureRun) { return pressureRun ? d.p : d.t; }
inline float variableEsdOf(const DataPoint& d, bool pressureRun) { return pressureRun ? d.sigP : d.sigT; }
