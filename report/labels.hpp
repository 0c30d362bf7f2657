#pragma once
// Texts that several reports share.
#include <string>
#include <string_view>

#include "calc/run_state.hpp"
#include "report/date_time.hpp"

// A name as a blank-padded text of at least `width` characters, as the Aw fields expect.
inline std::string padded(std::string_view text, std::size_t width) {
    std::string s(text);
    if (s.size() < width) s.resize(width, ' ');
    return s;
}

// The strain measure's name, left-aligned in 24 characters (1 to 4).
inline std::string_view strainTypeName(int strainType) {
    static constexpr std::string_view kNames[] = {"FINITE EULERIAN         ", "INFINITESIMAL EULERIAN  ",
                                                  "FINITE LAGRANGIAN       ", "INFINITESIMAL LAGRANGIAN"};
    return kNames[(strainType >= 1 && strainType <= 4) ? strainType - 1 : 0];
}

// The date-and-time text of this run.
inline std::string runDateTime(const RunState& state) { return state.clock ? state.clock() : localDateTimeText(); }

// The heading of the principal-axes columns, shared by the report and the result file.
inline constexpr std::string_view kPrincipalHeading =
    "PRINCIPAL STRAIN  ESD       PROPERTY  ESD    ANGLES TO  +X           +Y           +Z"
    "           +A           +B           +C";
inline constexpr std::string_view kCircularSection = "CIRCULAR SECTION OF STRAIN ELLIPSOID - NO EIGENVECTOR DEFINED";
