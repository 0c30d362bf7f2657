#include "fit/normalised_pressure.hpp"

NormalisedPressure normalisedPressure(const Series&, FitWeights) {
    NormalisedPressure r;
    r.status = FitStatus::failure("not computed yet");
    return r;
}
