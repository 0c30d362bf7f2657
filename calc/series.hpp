#pragma once
// One measured cell and the series of them that a run works on.
#include <array>
#include <string>
#include <vector>

#include "calc/options.hpp"
#include "calc/unit_cell.hpp"

struct DataPoint {
    float p = 0.0f;
    float sigP = 0.0f;
    float t = 0.0f;
    float sigT = 0.0f;
    UnitCell cell;  // a, b, c, alpha, beta, gamma (degrees) with their esds
    // The V column and its esd as read: kept for writing the series back, never calculated with
    // (the volume of the cell is cell.volume()).
    float volumeAsRead = 0.0f;
    float volumeAsReadEsd = 0.0f;
};

struct Series {
    std::vector<DataPoint> points;  // data point n is points[n - 1]
    std::string title;
    CrystalSystem crystalSystem = CrystalSystem::none;
    bool pressureRun = false;  // a pressure series (compressibility); otherwise temperature (thermal expansion)
    // A V column and no cell: the series serves the fits only, with V as read.
    bool volumeOnly = false;
    std::string note;          // one line for the report's reader about how the series was read, or empty
    // The units of T and P as the input names them ("K", "°C", "GPa", "kbar", ...); empty when
    // unknown, and labels then say "per unit of T".
    std::string temperatureUnit;
    std::string pressureUnit;
};

// The intensive variable of the series at a point: P for a pressure series, otherwise T.
inline float variableOf(const DataPoint& d, bool pressureRun) { return pressureRun ? d.p : d.t; }
inline float variableEsdOf(const DataPoint& d, bool pressureRun) { return pressureRun ? d.sigP : d.sigT; }
