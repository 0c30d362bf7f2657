// Fuzz target: the bytes are a data file handed to readSeriesFile. Besides the sanitizers' findings,
// it traps when the reader breaks its own contract, so that such inputs are kept as crashes.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "calc/validate_cells.hpp"
#include "input/readfile.hpp"

namespace {

void require(bool condition) {
    if (!condition) __builtin_trap();
}

bool sameOrBothNaN(float x, float y) { return x == y || (x != x && y != y); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // fmemopen wants a writable buffer; one spare byte keeps it non-null for an empty input.
    std::vector<char> bytes(data, data + size);
    bytes.push_back('\0');
    std::FILE* file = fmemopen(bytes.data(), size, "rb");
    if (!file) return 0;
    const ReadResult read = readSeriesFile(file);
    std::fclose(file);

    if (!read.ok()) {
        require(!read.reason.empty());
        require((read.failure == ReadFailure::invalidCell) == (read.badPoint >= 1));
        return 0;
    }
    const Series& series = read.series;
    const CrystalSystem system = series.crystalSystem;
    // A series of volumes holds a positive, finite volume at every point and no cell.
    if (series.volumeOnly) {
        for (const DataPoint& p : series.points) require(p.volumeAsRead > 0.0f && std::isfinite(p.volumeAsRead));
        return 0;
    }
    // Every point read can form a cell and carries the constraints of its crystal system.
    for (const DataPoint& p : series.points) {
        require(isValidCell(p));
        if (system != CrystalSystem::none) {
            require(p.cell[3] == 90.0f);
            const bool hexagonalAxes = system == CrystalSystem::trigonal || system == CrystalSystem::hexagonal;
            require(p.cell[5] == (hexagonalAxes ? 120.0f : 90.0f));
        }
        if (isUniaxialOrCubic(system)) require(sameOrBothNaN(p.cell[1], p.cell[0]));
        if (system == CrystalSystem::cubic) require(sameOrBothNaN(p.cell[2], p.cell[0]));
    }
    return 0;
}
