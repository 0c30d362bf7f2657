#pragma once
// All the tensor work for one pair of cells: the strain, its constraints, its esds by
// perturbation of the cell parameters, and its principal axes.
#include <array>

#include "LIBRARIES/math/eigen.hpp"
#include "LIBRARIES/math/mat3.hpp"
#include "calc/crystal_system.hpp"
#include "calc/unit_cell.hpp"
#include "calc/options.hpp"

struct StrainTensors {
    Mat3 strainTensor;  // after constrainTensor
    Mat3 esdTensor;     // after constrainTensor
    // The principal axes, for no crystal system or a monoclinic one only.
    std::array<float, 3> eigenValues{};
    std::array<float, 3> eigenValueEsds{};
    Mat3 eigenVectors = Mat3::identity();  // row m: eigenvector m on X, Y, Z
    Mat3 eigenVectorEsds;                  // row m: signed esds of row m of eigenVectors
    EigenFlag eigenFlag = EigenFlag::distinct;
    int esdCount = 0;        // cells of the pair that carry esds: 0, 1 or 2
    bool principalAxes = false;
    Mat3 referenceSMatrix;  // the cell the principal directions refer to: first (Lagrangian) or second (Eulerian)
};

constexpr float kStepFactor = 0.1f;  // each parameter moves by this fraction of its esd

// The changes of the six strain components (11, 22, 33, 12, 13, 23) that the moves of the esd
// estimate make, as the sums of their products: enough to give the esd of the strain along any
// direction, nT de n, from the same moves, where the tensor itself has no principal axis to
// offer (a zero tensor, equal principal strains).
struct StrainChangeMoments {
    std::array<std::array<double, 6>, 6> sums{};

    void add(const Mat3& changed, const Mat3& reference);
    // The esd of the strain along the unit direction n.
    double esdAlong(const Vec3& n) const;
};

// The cell with the parameters of one move of the esd estimate moved by kStepFactor of their esds.
CellParameters perturbed(const UnitCell& cell, Move move);

// How much of the esd estimate to work out: all of it (a pair's record); the tensor's esds and
// the moments only, without decomposing each moved tensor (what a series' axes need); or none.
enum class EsdScope { full, tensorOnly, none };

// cell1 is the first ("before") cell, cell2 the second ("after"); a cell without esds is not moved.
StrainTensors strainTensorsBetween(const UnitCell& cell1, const UnitCell& cell2, StrainType strainType, CrystalSystem crystalSystem,
                                  AxialSet axisConvention, StrainChangeMoments* moments = nullptr,
                                  EsdScope scope = EsdScope::full);

// Signs of the eigenvector esds: the monoclinic pattern (eigenvector 2 along the unique axis Y)
// or, with no crystal system, each esd row as nearly perpendicular to its eigenvector as the
// four sign choices allow.
void signMonoclinicEsds(const Mat3& eigenVectors, Mat3& eigenVectorEsds);
void signTriclinicEsds(const Mat3& eigenVectors, Mat3& eigenVectorEsds);
