#pragma once
#include "LIBRARIES/records/record_writer.hpp"
#include "calc/pair_result.hpp"

// The opening of one calculation: both cells with P, T and esds, their reciprocal cells, the
// axial convention, the angles between the Cartesian and crystal axes, and both S-matrices.
void writeOrientationSection(RecordFile& out, const PairResult& r, AxialSet axisConvention);
