#pragma once
#include "LIBRARIES/records/record_writer.hpp"
#include "calc/pair_result.hpp"

// The principal strains and property values with their esds and the directions of the
// principal axes.
void writePrincipalSection(RecordFile& out, const PairResult& r);

// The fields of one axis line after its leading columns, shared with the principal-axes result
// file: strain, [esd,] property, [esd,] then the six angles [with esds], or, for an axis without
// direction, `circularLead` and the circular-section text. Without esds their columns stay blank.
void principalAxisFields(Rec& rec, const PrincipalAxis& axis, bool withEsds, std::string_view circularLead);
