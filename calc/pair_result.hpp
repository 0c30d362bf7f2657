#pragma once
// Every number of one calculation (a pair of cells), computed once, for every output to format.
#include <array>

#include "LIBRARIES/math/mat3.hpp"
#include "calc/options.hpp"
#include "calc/principal_axes.hpp"
#include "calc/property_tensor.hpp"
#include "calc/series.hpp"
#include "calc/strain_tensors.hpp"
#include "calc/unit_cell.hpp"

// One principal axis: its strain and property value with esds, and its direction unless the
// axis lies in a circular section of the strain ellipsoid.
struct PrincipalAxis {
    float strain = 0.0f;
    float strainEsd = 0.0f;
    float property = 0.0f;
    float propertyEsd = 0.0f;
    bool hasDirection = false;
    Vec3 direction{};    // unit vector on X, Y, Z (the eigenvector as delivered)
    AxisAngles angles;   // to X, Y, Z and to a, b, c of the reference cell, with esds
};

struct PairResult {
    int calculationNumber = 0;  // numbers the calculations of the process, 1, 2, 3, ...
    int first = 0;              // data point numbers, from 1
    int second = 0;
    DataPoint point1;  // both cells as read, with P, T and all esds
    DataPoint point2;
    std::array<bool, 2> esdPresent{};  // the cell carries esds
    CellParameters reciprocal1;  // a*, b*, c*, alpha*, beta*, gamma* (degrees)
    CellParameters reciprocal2;
    Mat3 sMatrix1;
    Mat3 sMatrix2;
    Mat3 axisAngles1;  // (j, k): degrees between crystal axis j (a, b, c) and Cartesian axis k (X, Y, Z)
    Mat3 axisAngles2;
    Delta delta{};  // change of T or P, its esd, midpoint

    StrainTensors strain;     // tensor and esds after the constraints; eigen decomposition
    PropertyTensor property;  // per unit change of T or P
    bool principalAxes = false;  // no crystal system or a monoclinic one
    std::array<PrincipalAxis, 3> principal{};  // in the order of the decomposition
};

// What a calculation needs to know of its run.
struct PairContext {
    RunOptions options;
    CrystalSystem crystalSystem = CrystalSystem::none;
    bool pressureRun = false;
};

PairResult computePair(const PairContext& context, const DataPoint& point1, const DataPoint& point2, int first,
                       int second);
