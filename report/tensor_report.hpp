#pragma once
#include "LIBRARIES/records/record_writer.hpp"
#include "calc/pair_result.hpp"

// The strain tensor and the property tensor of one calculation side by side, each with its own
// power of ten, and their esds.
void writeTensorSection(RecordFile& out, const PairResult& r, StrainType strainType, bool pressureRun);
