#pragma once
// The numbers behind a figure as CSV (RFC 4180, "." decimals, CR LF): a header row, then one row
// per plotted x.
#include <functional>
#include <string>
#include <string_view>

#include "plots/data/plot_data.hpp"

// Columns: `x` (and `x_esd` when x carries esds), then for each line of each panel, for each
// column it stands for, the value and its esd (`axis_1`, `axis_1_esd`, ...). Values as stored:
// strains as fractions, coefficients per unit of T or P. Lines are joined on x in the order of
// their points (a repeated x is a new row each time); a value a line does not have, or an esd a
// point does not carry, is an empty field. Each fitted curve that names its columns follows its
// panel's lines, its value and esd at each x it was drawn at ("axis_1_fit", "axis_1_fit_esd"):
// rows of the points and of the curve share an x where they meet.
std::string figureCsv(const Figure& figure);

// The same text handed to `write` a piece at a time (some tens of kilobytes each), so that a long
// series never holds its table whole. Stops at the first piece `write` refuses; false then.
bool writeFigureCsv(const Figure& figure, const std::function<bool(std::string_view)>& write);
