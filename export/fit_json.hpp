#pragma once
// The fits of a run as the members of the JSON document that hold them: "fits" (null with a
// "fits_reason" when there are none).
#include <string>

#include "fit/fit_result.hpp"

// `"fits": {...}`, or `"fits": null, "fits_reason": "..."`; numbers in double precision, a
// failed fit's numbers null beside its "status".
std::string fitsJsonMembers(const FitResult& result);
