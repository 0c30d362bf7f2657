#pragma once
// The volume of a data point and its esd. A cell's esd is propagated from the parameters the
// crystal system leaves independent (a cubic cell's a, b and c move as one), as the strain esds are.
#include "calc/options.hpp"
#include "calc/series.hpp"
#include "calc/unit_cell.hpp"

struct VolumeWithEsd {
    double volume = 0.0;
    double esd = 0.0;
};

// The volume of a data point: its cell's, or for a series of volumes only the V column as read.
VolumeWithEsd volumeOf(const DataPoint& point, const Series& series);
