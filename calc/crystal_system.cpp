#include "calc/crystal_system.hpp"

void applyCrystalSystem(DataPoint& point, CrystalSystem system) {
    if (system == CrystalSystem::none) return;
    auto& c = point.cell;
    auto& s = point.sigCell;
    c[3] = 90.0f;
    c[5] = 90.0f;
    s[3] = 0.0f;
    s[5] = 0.0f;
    if (system == CrystalSystem::monoclinic) return;
    s[4] = 0.0f;
    if (isUniaxialOrCubic(system)) {
        c[1] = c[0];
        s[1] = s[0];
    }
    if (system == CrystalSystem::trigonal || system == CrystalSystem::hexagonal) {
        c[4] = 90.0f;
        c[5] = 120.0f;
    } else {
        c[4] = 90.0f;
    }
    if (system == CrystalSystem::cubic) {
        c[2] = c[0];
        s[2] = s[0];
    }
}

void FIX_TENSOR(Mat3& t, CrystalSystem system) {
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
