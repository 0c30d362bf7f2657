#pragma once
#include "calc/property_tensor.hpp"
#include "calc/run_state.hpp"
#include "calc/strain_tensors.hpp"

// The strain tensor and the property tensor of one calculation side by side, each with its own
// power of ten, their esds, and one data line each in the strain and property-tensor result files.
void WRITE_TENSOR(RunState& state, const StrainTensors& tensors, const Delta& delta, int strainType);
