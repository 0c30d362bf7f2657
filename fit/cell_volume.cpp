#include "fit/cell_volume.hpp"

VolumeWithEsd volumeOf(const UnitCell& cell, CrystalSystem system) {
    return {cell.volume(), cell.volumeEsd(system)};
}

VolumeWithEsd volumeOf(const DataPoint& point, const Series& series) {
    if (series.volumeOnly) return {point.volumeAsRead, point.volumeAsReadEsd};
    return volumeOf(point.cell, series.crystalSystem);
}
