// Fuzz target: the bytes are a data file handed to READFILE. Besides the sanitizers' findings,
// it traps when the reader breaks its own contract, so that such inputs are kept as crashes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "run/run_state.hpp"
#include "input/readfile.hpp"

namespace {

void require(bool condition) {
    if (!condition) __builtin_trap();
}

bool sameOrBothNaN(float x, float y) { return x == y || (x != x && y != y); }

bool isAllZero(const DataPoint& p) {
    const auto zero = [](float v) { return v == 0.0f; };
    return zero(p.p) && zero(p.sigP) && zero(p.t) && zero(p.sigT) && std::all_of(p.cell.begin(), p.cell.end(), zero) &&
           std::all_of(p.sigCell.begin(), p.sigCell.end(), zero);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // fmemopen wants a writable buffer; one spare byte keeps it non-null for an empty input.
    std::vector<char> bytes(data, data + size);
    bytes.push_back('\0');
    RunState state;
    state.inputFile.reset(fmemopen(bytes.data(), size, "rb"));
    if (!state.inputFile) return 0;

    READFILE(state);

    if (state.runError != 0) {
        require(state.runError == 1);
        require(state.nData == 0);  // left as it was before the read
        return 0;
    }
    require(state.nData >= 0);
    require(static_cast<std::size_t>(state.nData) <= state.dataPoints.size());
    require(state.crystalSystem >= 0 && state.crystalSystem <= 5);
    require(state.pressureRun == 0 || state.pressureRun == 1);
    // Every point read carries the constraints of its crystal system. They are applied after
    // each value read, so a point of a file that names no column at all stays all zero.
    for (int n = 0; n < state.nData; ++n) {
        const DataPoint& p = state.dataPoints[static_cast<std::size_t>(n)];
        if (isAllZero(p)) continue;
        if (state.crystalSystem >= 1) {
            require(p.cell[3] == 90.0f);
            require(p.cell[5] == (state.crystalSystem == 4 ? 120.0f : 90.0f));
        }
        if (state.crystalSystem >= 3) require(sameOrBothNaN(p.cell[1], p.cell[0]));
        if (state.crystalSystem == 5) require(sameOrBothNaN(p.cell[2], p.cell[0]));
    }
    return 0;
}
