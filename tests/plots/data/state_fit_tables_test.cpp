// The tables of the equations of state in T and in P and T for the results window: a row per
// model with its parameters in crystallographers' notation, a held one marked, a failed model
// with its reason; no table where the fits hold none.
#include <gtest/gtest.h>

#include <memory>

#include "fit/state_fits.hpp"
#include "plots/data/state_fit_tables.hpp"

namespace {

TEST(StateFitTables, ARowPerModelHeldParametersMarkedFailuresWithTheirReason) {
    FitResult fits;
    fits.status = FitStatus::success();
    EXPECT_TRUE(stateFitTables(fits, "GPa").empty());

    auto states = std::make_shared<StateFits>();
    ThermalFit berman;
    berman.fit.status = FitStatus::success();
    berman.fit.names = {"V0", "a0", "a1"};
    berman.fit.values = {100.0, 2.5e-5, 0.0};
    berman.fit.fixed = {false, false, true};
    berman.fit.freeNames = {"V0", "a0"};
    berman.fit.covariance = Covariance({4e-4, 0.0, 0.0, 9e-14});  // esds 0.02 and 3e-7
    states->thermal.push_back(berman);
    PvtFit failed;
    failed.model = PvtModel{EosModel::BM3, ThermalCoupling::mgd};
    failed.fit.status = FitStatus::failure("the Debye term needs the number of atoms in the volume V (--atoms N)");
    states->pvt.push_back(failed);
    fits.states = states;

    const std::vector<FitTable> tables = stateFitTables(fits, "GPa");
    ASSERT_EQ(tables.size(), 2u);
    const std::vector<std::string>& row = tables[0].rows.at(0);
    EXPECT_EQ(row.at(0), "berman");
    EXPECT_EQ(row.at(2), "100.00(2)");
    EXPECT_EQ(row.at(3), "25.0(3)");  // a0 in 10^-6 per K
    EXPECT_EQ(row.at(4), "0 (fixed)");
    EXPECT_EQ(tables[1].rows.at(0).at(0), "bm3-mgd");
    EXPECT_EQ(tables[1].rows.at(0).back(), failed.fit.status.text);
    EXPECT_EQ(tables[1].columns.at(2), "K0 (GPa)");
}

}  // namespace
