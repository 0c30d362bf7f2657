#pragma once
// The numbers behind a figure as CSV (RFC 4180, "." decimals, CR LF): a header row, then one row
// per plotted x.
#include <string>

#include "plots/data/plot_data.hpp"

// Columns: `x` (and `x_esd` when x carries esds), then for each line of each panel, for each
// column it stands for, the value and its esd (`axis_1`, `axis_1_esd`, ...). Values as stored:
// strains as fractions, coefficients per unit of T or P. Lines are joined on x in the order of
// their points (a repeated x is a new row each time); a value a line does not have, or an esd a
// point does not carry, is an empty field. A figure of fitted curves alone gives their values at
// each x they were drawn at.
std::string figureCsv(const Figure& figure);
