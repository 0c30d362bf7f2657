#pragma once
// Texts that several reports share.
#include <string>
#include <string_view>

#include "calc/options.hpp"

// A name as a blank-padded text of at least `width` characters, as the Aw fields expect.
inline std::string padded(std::string_view text, std::size_t width) {
    std::string s(text);
    if (s.size() < width) s.resize(width, ' ');
    return s;
}

// A name right-aligned in `width` characters.
inline std::string rightAligned(std::string_view text, std::size_t width) {
    std::string s(text);
    if (s.size() < width) s.insert(0, width - s.size(), ' ');
    return s;
}

// The strain measure's name, left-aligned in 24 characters.
inline std::string strainTypeName(StrainType strainType) { return padded(strainTypeLabel(strainType), 24); }

// The heading of the principal-axes columns, shared by the report and the result file.
inline constexpr std::string_view kPrincipalHeading =
    "PRINCIPAL STRAIN  ESD       PROPERTY  ESD    ANGLES TO  +X           +Y           +Z"
    "           +A           +B           +C";
inline constexpr std::string_view kCircularSection = "CIRCULAR SECTION OF STRAIN ELLIPSOID - NO EIGENVECTOR DEFINED";
