#include "fit/fit_series.hpp"

#include <algorithm>
#include <memory>
#include <utility>
#include <string>

#include "fit/empirical_fit.hpp"
#include "fit/equation_of_state.hpp"
#include "fit/held_eos.hpp"
#include "fit/linear_fit.hpp"
#include "fit/normalised_pressure.hpp"
#include "fit/tensor_fit.hpp"

namespace {

constexpr int kMinimumPoints = 3;
constexpr int kHighestOrder = 4;

LinearFits linearFits(const Series& series, const SeriesAxes& axes, FitWeights mode) {
    LinearFits fits;
    const bool pressure = series.pressureRun;
    const double origin = axes.points.front().x;
    for (std::size_t k = 0; k < 3; ++k) {
        const FitPoints points{axes.points.size(), [&axes, k](std::size_t i) {
                                   const StrainOnAxes& s = axes.points[i];
                                   return FitPoint{s.x, s.sigX, s.value[k], s.esd[k]};
                               }};
        fits.principal[k] = fitLine(points, origin, pressure, mode);
    }
    // Relative changes from the reference point, each esd the point's own on the reference's scale.
    const DataPoint& reference = series.points.front();
    const auto relativeChanges = [&](const auto& quantity) {
        const double q0 = quantity(reference).first;
        const FitPoints points{series.points.size(), [&](std::size_t i) {
                                   const DataPoint& point = series.points[i];
                                   const auto [q, sigma] = quantity(point);
                                   return FitPoint{variableOf(point, pressure), variableEsdOf(point, pressure), (q - q0) / q0,
                                                   sigma / q0};
                               }};
        return fitLine(points, origin, pressure, mode);
    };
    LinearFit* edges[3] = {&fits.a, &fits.b, &fits.c};
    for (int e = 0; e < 3; ++e)
        *edges[e] = relativeChanges([e](const DataPoint& p) {
            return std::pair<double, double>{p.cell[e], p.cell.esd[e]};
        });
    fits.volume = relativeChanges([&](const DataPoint& p) {
        return std::pair<double, double>{p.cell.volume(), p.cell.volumeEsd(series.crystalSystem)};
    });
    return fits;
}

void addStateFits(const Series& series, const FitOptions& options, FitResult& result) {
    if (!wantsStateFits(series, options.states)) return;
    // --fix holds parameters of the equations of state of the volume too.
    if (!options.states.fixed.empty()) {
        std::optional<EosData> volumes;
        for (EosFit& fit : result.eos) {
            if (fit.isEdge() || !holdsAny(fit.model, options.states.fixed)) continue;
            if (!volumes) {
                volumes = eosDataOf(series, EosQuantity::volume);
                for (double& p : volumes->p) p -= options.states.pc.value_or(0.0);
            }
            fit = fitHeldEquationOfState(fit.model, *volumes, options.weights, options.states.fixed, fit);
        }
    }
    result.states = std::make_shared<const StateFits>(
        fitStates(series, options.states, options.weights, options.at, result.eos, result.notes));
}

// The fits a series of volumes allows: equations of state of V (and F-f) for pressure, V(T) for
// temperature, P(V, T) where both vary.
void fitVolumesOnly(const std::shared_ptr<const Series>& shared, const FitOptions& options, FitResult& result) {
    const Series& series = *shared;
    // Where T varies too, P(V) at one T does not hold: the P-V-T models stand in for it.
    if (series.pressureRun && !isPvtSeries(series)) {
        const FitPoints points = eosPointsOf(shared, EosQuantity::volume, options.states.pc.value_or(0.0));
        const EosData volumes = eosDataOf(points, EosQuantity::volume);
        std::optional<EosFit> seed;
        for (const EosModel model : options.eosModels) {
            result.eos.push_back(fitEquationOfState(model, volumes, points, options.weights, seed ? &*seed : nullptr));
            if (!seed && result.eos.back().status.ok) seed = result.eos.back();
        }
        const auto bm3 = std::find_if(result.eos.begin(), result.eos.end(), [](const EosFit& fit) { return fit.model == EosModel::BM3; });
        result.ff = normalisedPressure(points, bm3 != result.eos.end() ? *bm3
                                                                       : fitEquationOfState(EosModel::BM3, volumes, points, options.weights));
    }
    addStateFits(series, options, result);
}

}  // namespace

FitResult fitSeries(const Series& series, const FitOptions& options) {
    return fitSeries(std::make_shared<const Series>(series), options);
}

FitResult fitSeries(const std::shared_ptr<const Series>& shared, const FitOptions& options) {
    const Series& series = *shared;
    FitResult result;
    // A series of volumes has no cells, hence no axes.
    result.axes = series.volumeOnly ? std::make_shared<const SeriesAxes>()
                                    : std::make_shared<const SeriesAxes>(seriesAxes(series, options.run, options.namedCalculation));
    result.pressure = series.pressureRun;
    result.reference = 1;
    result.strain = options.run.strainType;
    result.weights = options.weights;
    if (!options.fits) {
        result.status = FitStatus::failure("turned off (--no-fits)");
        return result;
    }
    const int n = static_cast<int>(series.points.size());
    if (n < kMinimumPoints) {
        result.status = FitStatus::failure("fewer than 3 points");
        return result;
    }
    result.status = FitStatus::success();
    if (series.volumeOnly) {
        fitVolumesOnly(shared, options, result);
        return result;
    }

    result.linear = linearFits(series, *result.axes, options.weights);

    const int asked = options.order > 0 ? options.order : (series.pressureRun ? 2 : 1);
    const int order = std::clamp(std::min(asked, n - 2), 1, kHighestOrder);
    if (order != asked)
        result.notes.push_back("tensor polynomial of order " + std::to_string(order) + " instead of " +
                               std::to_string(asked) + ": " + std::to_string(n) + " points allow at most order " +
                               std::to_string(std::min(n - 2, kHighestOrder)));
    result.tensor = fitTensor(result.axes, order, series.pressureRun, options.at, options.weights);

    if (series.pressureRun) {
        const double pc = options.states.pc.value_or(0.0);
        result.eos = fitEquationsOfState(shared, options.eosModels, options.weights, pc);
        result.empirical = fitEmpirical(result.axes, options.weights);
        // V0 from the BM3 fit of the volumes, the one among the models when it is there.
        const FitPoints volumes = eosPointsOf(shared, EosQuantity::volume, pc);
        const auto bm3 = std::find_if(result.eos.begin(), result.eos.end(), [](const EosFit& fit) {
            return fit.model == EosModel::BM3 && !fit.isEdge();
        });
        result.ff = normalisedPressure(volumes, bm3 != result.eos.end()
                                                    ? *bm3
                                                    : fitEquationOfState(EosModel::BM3, eosDataOf(volumes, EosQuantity::volume),
                                                                         volumes, options.weights));
    }
    addStateFits(series, options, result);
    return result;
}
