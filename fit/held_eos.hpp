#pragma once
// An equation of state P(V) of the volume with some of V0, K0, K', K'' held at a value (--fix),
// fitted through the parametric fit: the same P(V), the same reweighting loop and covariance.
#include "fit/equation_of_state.hpp"
#include "fit/parametric_fit.hpp"

// Whether `fixed` names a parameter the model fits (V0, K0, Kp, Kpp).
bool holdsAny(EosModel model, const FixedParameters& fixed);

// The fit with the named parameters held: a held parameter has no esd and is not among
// `parameters`; `start`, an ordinary fit of the same data, is where the search begins when it
// succeeded.
EosFit fitHeldEquationOfState(EosModel model, const EosData& data, FitWeights mode, const FixedParameters& fixed,
                              const EosFit& start);
