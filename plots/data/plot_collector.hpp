#pragma once
// The plots' output of a run: keeps from each calculation what the plots show (a few numbers per
// pair, so the plots are an optional output that does hold the run), then builds the figures.
#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "calc/axis_matching.hpp"
#include "plots/data/plot_data.hpp"
#include "output/run_output.hpp"

class PlotCollector : public RunOutput {
public:
    bool begin(const RunHeader& header) override;
    void calculation(const PairResult& r) override;
    bool end() override { return true; }

    std::size_t calculations() const { return rows_.size(); }
    CrystalSystem crystalSystem() const { return crystalSystem_; }

    // Principal property values (for crystal systems without principal axes in the report, the
    // diagonal components) against the midpoint of T or P, each line one physical axis.
    Figure coefficients() const;
    // The same for the strains, in %.
    Figure strains() const;
    // a, b, c and V of every data point relative to the first point, in %.
    Figure cell() const;
    // The representation surface of the property tensor of calculation k (1 to calculations()),
    // in the units of the coefficients' plot.
    SurfaceData surface(std::size_t k) const;
    // Names calculation k in a list: "3: points 3 and 4, T 27".
    std::string calculationLabel(std::size_t k) const;

    // Everything, with the surface of calculation `surfaceK` (0: the last).
    PlotSet plots(std::size_t surfaceK = 0) const;

private:
    // What the plots need of one calculation, per axis in the order of the decomposition (or
    // X, Y, Z for the diagonal components).
    struct Row {
        int first = 0;
        int second = 0;
        float midpoint = 0.0f;
        bool defined = true;  // the property tensor exists
        bool withEsds = false;
        std::array<float, 3> property{};
        std::array<float, 3> propertyEsd{};
        std::array<float, 3> strain{};
        std::array<float, 3> strainEsd{};
        AxisDirections directions;
        std::array<std::array<float, 3>, 3> toAbc{};  // degrees from each axis to +a, +b, +c
        Mat3 propertyTensor;
        Mat3 referenceSMatrix;  // rows: a, b, c of the cell the directions refer to
    };

    Figure axisFigure(bool property) const;
    int coefficientExponent() const;
    std::vector<std::array<int, 3>> axisOrders() const { return followAxes(directionsOf()); }
    std::vector<AxisDirections> directionsOf() const;

    std::vector<DataPoint> points_;
    bool pressureRun_ = false;
    bool principalAxes_ = false;
    CrystalSystem crystalSystem_ = CrystalSystem::none;
    StrainType strainType_ = StrainType::finiteEulerian;
    std::vector<Row> rows_;
};
