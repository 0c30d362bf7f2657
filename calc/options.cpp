#include "calc/options.hpp"

std::string_view strainTypeLabel(StrainType t) {
    switch (t) {
        case StrainType::infinitesimalEulerian: return "INFINITESIMAL EULERIAN";
        case StrainType::finiteLagrangian: return "FINITE LAGRANGIAN";
        case StrainType::infinitesimalLagrangian: return "INFINITESIMAL LAGRANGIAN";
        default: return "FINITE EULERIAN";
    }
}

std::string_view strainTypeKey(StrainType t) {
    switch (t) {
        case StrainType::infinitesimalEulerian: return "infinitesimal-eulerian";
        case StrainType::finiteLagrangian: return "finite-lagrangian";
        case StrainType::infinitesimalLagrangian: return "infinitesimal-lagrangian";
        default: return "finite-eulerian";
    }
}

std::string_view axialSetLabel(AxialSet a) {
    switch (a) {
        case AxialSet::yBZCStar: return "Y//B AND Z//C*: QUILLOM & DOVRAKIAN";
        case AxialSet::xAStarYB: return "X//A* AND Y//B: VIREL & TAMSK";
        default: return "X//A* AND Z//C: IRE CONVENTION";
    }
}

int crystalSystemCode(CrystalSystem s) {
    switch (s) {
        case CrystalSystem::none: return 0;
        case CrystalSystem::monoclinic: return 1;
        case CrystalSystem::orthorhombic: return 2;
        case CrystalSystem::tetragonal: return 3;
        case CrystalSystem::trigonal:
        case CrystalSystem::hexagonal: return 4;
        case CrystalSystem::cubic: return 5;
    }
    return 0;
}

std::string_view crystalSystemKey(CrystalSystem s) {
    switch (s) {
        case CrystalSystem::monoclinic: return "monoclinic";
        case CrystalSystem::orthorhombic: return "orthorhombic";
        case CrystalSystem::tetragonal: return "tetragonal";
        case CrystalSystem::trigonal: return "trigonal";
        case CrystalSystem::hexagonal: return "hexagonal";
        case CrystalSystem::cubic: return "cubic";
        default: return "none";
    }
}
