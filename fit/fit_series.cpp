#include "fit/fit_series.hpp"

#include <algorithm>
#include <string>

#include "fit/empirical_fit.hpp"
#include "fit/equation_of_state.hpp"
#include "fit/linear_fit.hpp"
#include "fit/normalised_pressure.hpp"
#include "fit/reference_strains.hpp"
#include "fit/tensor_fit.hpp"

namespace {

constexpr int kMinimumPoints = 3;
constexpr int kHighestOrder = 4;

LinearFits linearFits(const ReferenceStrains& strains, bool pressure, FitWeights mode) {
    LinearFits fits;
    const PointStrain& ref = strains.points.front();
    const double origin = ref.x;
    for (std::size_t t = 0; t < 3; ++t) {
        std::vector<FitPoint> points;
        for (const PointStrain& s : strains.points) points.push_back({s.x, s.sigX, s.principal[t], s.principalEsd[t]});
        PrincipalLinearFit& fit = fits.principal[t];
        static_cast<LinearFit&>(fit) = fitLine(points, origin, pressure, mode);
        // The mean direction of the axis along the series, each direction turned to agree with the first.
        std::optional<Vec3> first;
        std::array<double, 3> sum{};
        for (const PointStrain& s : strains.points) {
            if (!s.directions[t]) continue;
            Vec3 d = *s.directions[t];
            if (!first) first = d;
            const float sense = dot(d, *first) < 0.0f ? -1.0f : 1.0f;
            for (std::size_t i = 0; i < 3; ++i) sum[i] += static_cast<double>(sense * d[i]);
        }
        if (first) {
            const Vec3 mean = unit({static_cast<float>(sum[0]), static_cast<float>(sum[1]), static_cast<float>(sum[2])});
            fit.direction = mean;
            fit.uvw = uvwOf(mean, strains.referenceSMatrix);
        }
    }
    // Relative changes from the reference point, each esd the point's own on the reference's scale.
    LinearFit* edges[3] = {&fits.a, &fits.b, &fits.c};
    for (std::size_t e = 0; e < 3; ++e) {
        std::vector<FitPoint> points;
        for (const PointStrain& s : strains.points)
            points.push_back({s.x, s.sigX, (s.edges[e] - ref.edges[e]) / ref.edges[e], s.edgeEsds[e] / ref.edges[e]});
        *edges[e] = fitLine(points, origin, pressure, mode);
    }
    std::vector<FitPoint> points;
    for (const PointStrain& s : strains.points)
        points.push_back({s.x, s.sigX, (s.volume - ref.volume) / ref.volume, s.volumeEsd / ref.volume});
    fits.volume = fitLine(points, origin, pressure, mode);
    return fits;
}

}  // namespace

FitResult fitSeries(const Series& series, const FitOptions& options) {
    FitResult result;
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

    const ReferenceStrains strains = strainsAgainstReference(series, options.run);
    result.linear = linearFits(strains, series.pressureRun, options.weights);

    const int asked = options.order > 0 ? options.order : (series.pressureRun ? 2 : 1);
    const int order = std::clamp(std::min(asked, n - 2), 1, kHighestOrder);
    if (order != asked)
        result.notes.push_back("tensor polynomial of order " + std::to_string(order) + " instead of " +
                               std::to_string(asked) + ": " + std::to_string(n) + " points allow at most order " +
                               std::to_string(std::min(n - 2, kHighestOrder)));
    result.tensor = fitTensor(strains, order, series.pressureRun, options.at, options.weights);

    if (series.pressureRun) {
        result.eos = fitEquationsOfState(series, options.eosModels, options.weights);
        result.empirical = fitEmpirical(strains, options.weights);
        // V0 from the BM3 fit of the volumes, the one among the models when it is there.
        const EosData volumes = eosDataOf(series, "volume");
        const auto bm3 = std::find_if(result.eos.begin(), result.eos.end(), [](const EosFit& fit) {
            return fit.model == EosModel::BM3 && !fit.isEdge();
        });
        result.ff = normalisedPressure(volumes, bm3 != result.eos.end() ? *bm3
                                                                        : fitEquationOfState(EosModel::BM3, volumes, options.weights));
    }
    return result;
}
