#include "calc/crystal_system.hpp"

void applyCrystalSystem(DataPoint& point, CrystalSystem system) {
    if (system == CrystalSystem::none) return;
    UnitCell& c = point.cell;
    c.alpha = 90.0f;
    c.gamma = 90.0f;
    c.esd.alpha = 0.0f;
    c.esd.gamma = 0.0f;
    if (system == CrystalSystem::monoclinic) return;
    c.esd.beta = 0.0f;
    if (isUniaxialOrCubic(system)) {
        c.b = c.a;
        c.esd.b = c.esd.a;
    }
    c.beta = 90.0f;
    if (system == CrystalSystem::trigonal || system == CrystalSystem::hexagonal) c.gamma = 120.0f;
    if (system == CrystalSystem::cubic) {
        c.c = c.a;
        c.esd.c = c.esd.a;
    }
}

void constrainTensor(Mat3& t, CrystalSystem system) {
    if (system == CrystalSystem::none) return;
    t(1, 2) = 0.0f;
    t(2, 3) = 0.0f;
    if (system != CrystalSystem::monoclinic) t(1, 3) = 0.0f;
    if (system == CrystalSystem::cubic) {
        t(1, 1) = t(2, 2) = t(3, 3) = (t(1, 1) + t(2, 2) + t(3, 3)) / 3.0f;
    } else if (isUniaxialOrCubic(system)) {
        t(1, 1) = t(2, 2) = (t(1, 1) + t(2, 2)) / 2.0f;
    }
    t(2, 1) = t(1, 2);
    t(3, 1) = t(1, 3);
    t(3, 2) = t(2, 3);
}

bool equalBySymmetry(CrystalSystem system, int i, int j) {
    if (i == j) return false;
    if (system == CrystalSystem::cubic) return true;
    return isUniaxialOrCubic(system) && i + j == 3;  // X and Y
}

std::span<const Move> perturbationMoves(CrystalSystem system) {
    static constexpr Move kTriclinic[] = {Move::a, Move::b, Move::c, Move::alpha, Move::beta, Move::gamma};
    static constexpr Move kMonoclinic[] = {Move::a, Move::b, Move::c, Move::beta};
    static constexpr Move kOrthorhombic[] = {Move::a, Move::b, Move::c};
    static constexpr Move kUniaxial[] = {Move::aWithB, Move::c};
    static constexpr Move kCubic[] = {Move::abcTogether};
    switch (system) {
        case CrystalSystem::none: return kTriclinic;
        case CrystalSystem::monoclinic: return kMonoclinic;
        case CrystalSystem::orthorhombic: return kOrthorhombic;
        case CrystalSystem::cubic: return kCubic;
        default: return kUniaxial;
    }
}
