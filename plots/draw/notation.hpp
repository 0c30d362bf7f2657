#pragma once
// Texts for a reader with their symbols typeset: the plain names that the report, the JSON and
// the CSV share (K0, Kp, V0, eps0, nu, a0 ...) as the notation writes them (K₀, K′, V₀, ε₀, ν,
// a₀ ...). Figures, their files and the window show every text through it; the numbers' files
// keep the plain names.
#include <string>
#include <string_view>

// A name is typeset only as a whole word (after a digit counts as whole: "3K0" gives "3K₀"), so
// "menu" or "K00" stay as they are.
std::string typesetNotation(std::string_view text);
