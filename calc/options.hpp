#pragma once
// The options of a run and what each one means. Their numeric values are the codes of the data
// files, the dialog and the reports.
#include <string_view>

enum class StrainType { finiteEulerian = 1, infinitesimalEulerian = 2, finiteLagrangian = 3, infinitesimalLagrangian = 4 };

// The Cartesian axial set tied to the crystal.
enum class AxialSet { xAStarZC = 1, yBZCStar = 2, xAStarYB = 3 };

// The crystal system named in a data file. Trigonal and hexagonal share their constraints and
// their file code; they are told apart only by name.
enum class CrystalSystem { none, monoclinic, orthorhombic, tetragonal, trigonal, hexagonal, cubic };

struct RunOptions {
    AxialSet axisConvention = AxialSet::xAStarZC;
    StrainType strainType = StrainType::finiteEulerian;
    bool incremental = true;  // each cell against the one before it; otherwise each against the first
};

// Eulerian strains refer to the second cell of a pair, Lagrangian ones to the first.
constexpr bool isEulerian(StrainType t) { return t == StrainType::finiteEulerian || t == StrainType::infinitesimalEulerian; }

// "FINITE EULERIAN", "INFINITESIMAL LAGRANGIAN", ...: the reports pad it to 24 characters.
std::string_view strainTypeLabel(StrainType t);
// "finite-eulerian", ...: the names of the batch command and the data exports.
std::string_view strainTypeKey(StrainType t);

// The report's name of the axial set, e.g. "X//A* AND Z//C: IRE CONVENTION".
std::string_view axialSetLabel(AxialSet a);

// 0 none, 1 monoclinic, 2 orthorhombic, 3 tetragonal, 4 trigonal or hexagonal, 5 cubic.
int crystalSystemCode(CrystalSystem s);
// "none", "monoclinic", ..., "cubic".
std::string_view crystalSystemKey(CrystalSystem s);

// Principal axes are found and reported for no crystal system and a monoclinic one only; for the
// others the Cartesian axes are the principal axes.
constexpr bool hasPrincipalAxes(CrystalSystem s) { return s == CrystalSystem::none || s == CrystalSystem::monoclinic; }
// b is tied to a (tetragonal, trigonal, hexagonal, cubic).
constexpr bool isUniaxialOrCubic(CrystalSystem s) {
    return s == CrystalSystem::tetragonal || s == CrystalSystem::trigonal || s == CrystalSystem::hexagonal ||
           s == CrystalSystem::cubic;
}
