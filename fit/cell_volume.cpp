#include "fit/cell_volume.hpp"

VolumeWithEsd volumeOf(const DataPoint& point, const Series& series) {
    if (series.volumeOnly) return {point.volumeAsRead, point.volumeAsReadEsd};
    return {point.cell.volume(), point.cell.volumeEsd(series.crystalSystem)};
}
