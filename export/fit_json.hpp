#pragma once
// The fits of a run as the members of the JSON document that hold them: "fits" (null with a
// "fits_reason" when there are none).
#include <functional>
#include <string>
#include <string_view>

#include "fit/fit_result.hpp"

// `"fits": {...}`, or `"fits": null, "fits_reason": "..."`; numbers in double precision, a
// failed fit's numbers null beside its "status".
// The text is handed to `write` in pieces as it is made, so that a long series' fits need not be
// held whole; fitsJsonMembers gathers them into one string.
void writeFitsJsonMembers(const FitResult& result, const std::function<void(std::string_view)>& write);
std::string fitsJsonMembers(const FitResult& result);
