// The check made before a run writes anything: a pair passes only when every number the
// calculation then gives is finite (the undefined property of an unchanged T or P aside), and
// pairs of ordinary numbers always pass. The principal values' esds are bounded, not computed,
// so a few absurd pairs whose numbers would all be finite are refused too (an esd of 1e16 on an
// edge of 6, a change of T of 1e-40).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "calc/crystal_system.hpp"
#include "calc/pair_ranges.hpp"
#include "calc/pair_result.hpp"
#include "calc/validate_cells.hpp"

namespace {

bool allFinite(std::span<const float> values) {
    for (const float v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

// Every number of a calculation that an output shows.
bool everyNumberFinite(const PairResult& r) {
    const StrainTensors& s = r.strain;
    const std::array<float, 3> delta{r.delta.change, r.delta.changeEsd, r.delta.midpoint};
    bool finite = allFinite(delta) && allFinite(s.strainTensor.v) && allFinite(s.esdTensor.v);
    if (r.property.defined) finite = finite && allFinite(r.property.propertyTensor.v) && allFinite(r.property.propertyEsd.v);
    if (!r.principalAxes) return finite;
    for (const PrincipalAxis& axis : r.principal) {
        finite = finite && std::isfinite(axis.strain) && std::isfinite(axis.strainEsd);
        if (r.property.defined) finite = finite && std::isfinite(axis.property) && std::isfinite(axis.propertyEsd);
        if (axis.hasDirection)
            finite = finite && allFinite(axis.direction) && allFinite(axis.angles.toXyz) &&
                     allFinite(axis.angles.toXyzEsd) && allFinite(axis.angles.toAbc) && allFinite(axis.angles.toAbcEsd);
    }
    return finite;
}

DataPoint point(float t, float sigT, std::array<float, 6> cell, float sigA) {
    DataPoint p;
    p.t = t;
    p.sigT = sigT;
    for (int k = 0; k < 6; ++k) {
        p.cell[k] = cell[static_cast<std::size_t>(k)];
        p.cell.esd[k] = k < 3 ? 0.002f : 0.01f;
    }
    p.cell.esd.a = sigA;
    return p;
}

// Pairs from ordinary to absurd: the esd of one edge, which cell carries it, the change of T and
// its esd, every strain measure, with and without principal axes.
TEST(PairRanges, APairPassesOnlyWhenEveryNumberIsFinite) {
    const float edgeEsds[] = {0.003f, 3.0f, 1e10f, 1e16f, 1e17f, 1e18f, 1e20f, 1e30f};
    const float temperatures[][2] = {{100.0f, 110.0f}, {1e-30f, 2e-30f}, {1e-40f, 2e-40f}, {100.0f, 100.0f}};
    const float temperatureEsds[] = {0.0f, 0.1f, 1e10f, 1e19f};
    const CrystalSystem systems[] = {CrystalSystem::none, CrystalSystem::orthorhombic};
    int refused = 0;
    int ordinary = 0;
    for (const CrystalSystem system : systems)
        for (int type = 1; type <= 4; ++type)
            for (const float sigA : edgeEsds)
                for (int which = 0; which < 2; ++which)
                    for (const auto& t : temperatures)
                        for (const float sigT : temperatureEsds) {
                            Series series;
                            series.crystalSystem = system;
                            const std::array<float, 6> cell1{6.18f, 10.83f, 17.41f, 76.9f, 84.5f, 81.6f};
                            const std::array<float, 6> cell2{6.19f, 10.83f, 17.42f, 76.9f, 84.4f, 81.5f};
                            series.points = {point(t[0], sigT, cell1, which == 0 ? sigA : 0.003f),
                                             point(t[1], sigT, cell2, which == 1 ? sigA : 0.003f)};
                            for (DataPoint& p : series.points) applyCrystalSystem(p, system);
                            RunOptions options;
                            options.strainType = static_cast<StrainType>(type);
                            const std::string name = "system " + std::to_string(static_cast<int>(system)) + ", strain " +
                                                     std::to_string(type) + ", SIGA " + std::to_string(sigA) +
                                                     " on point " + std::to_string(which + 1) + ", T " +
                                                     std::to_string(t[0]) + ", SIGT " + std::to_string(sigT);
                            ASSERT_EQ(pointRangeFault(series.points[0]).fault, RangeFault::none) << name;
                            const PairResult r = computePair({options, system, false}, series.points[0],
                                                             series.points[1], 1, 2);
                            const PairRangeFault fault = firstPairRangeFault(series, options);
                            // Never a pass for a pair with a number that is not finite.
                            if (!everyNumberFinite(r)) {
                                EXPECT_NE(fault.fault, RangeFault::none) << name;
                            }
                            // Ordinary numbers always pass.
                            const bool isOrdinary = sigA <= 3.0f && sigT <= 0.1f && t[0] == 100.0f;
                            if (isOrdinary) {
                                ++ordinary;
                                EXPECT_EQ(fault.fault, RangeFault::none) << name;
                            }
                            if (fault.fault != RangeFault::none) {
                                ++refused;
                                EXPECT_EQ(fault.first, 1);
                                EXPECT_EQ(fault.second, 2);
                            }
                        }
    EXPECT_GT(refused, 0);
    EXPECT_GT(ordinary, 0);
}

TEST(PairRanges, ANumberThatIsNoneOrTooLargeNamesItsColumn) {
    const struct {
        float DataPoint::*field;
        float value;
        RangeFault fault;
        const char* name;
    } cases[] = {
        {&DataPoint::t, std::numeric_limits<float>::quiet_NaN(), RangeFault::variable, "T"},
        {&DataPoint::t, 3e38f, RangeFault::variable, "T"},
        {&DataPoint::p, -std::numeric_limits<float>::infinity(), RangeFault::variable, "P"},
        {&DataPoint::sigT, 2e19f, RangeFault::esd, "SIGT"},
        {&DataPoint::sigP, std::numeric_limits<float>::quiet_NaN(), RangeFault::esd, "SIGP"},
        {&DataPoint::t, 1.7e38f, RangeFault::none, ""},
        {&DataPoint::sigT, 1e19f, RangeFault::none, ""},
    };
    for (const auto& c : cases) {
        DataPoint p;
        p.*c.field = c.value;
        const PointRangeFault fault = pointRangeFault(p);
        EXPECT_EQ(fault.fault, c.fault) << c.name << " " << c.value;
        EXPECT_STREQ(fault.name, c.name) << c.value;
    }
    DataPoint p;
    p.cell.esd.beta = std::numeric_limits<float>::infinity();
    EXPECT_STREQ(pointRangeFault(p).name, "SIGBETA");
}

}  // namespace
