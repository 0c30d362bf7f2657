#include "fit/cell_volume.hpp"

VolumeWithEsd volumeOf(const UnitCell& cell, CrystalSystem system) {
    return {cell.volume(), cell.volumeEsd(system)};
}
