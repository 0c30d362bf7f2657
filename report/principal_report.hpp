#pragma once
#include "calc/property_tensor.hpp"
#include "calc/run_state.hpp"
#include "calc/strain_tensors.hpp"

// The principal strains and property values with their esds and the directions of the
// principal axes, in the report and in the principal-axes result file.
void WRITE_PRINCIPAL(RunState& state, const StrainTensors& tensors, const Delta& delta);
