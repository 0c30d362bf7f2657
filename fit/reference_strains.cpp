#include "fit/reference_strains.hpp"

#include "calc/principal_axes.hpp"
#include "calc/strain_tensors.hpp"
#include "fit/cell_volume.hpp"

ReferenceStrains strainsAgainstReference(const Series& series, const RunOptions& options) {
    ReferenceStrains r;
    r.principalAxes = hasPrincipalAxes(series.crystalSystem);
    if (series.points.empty()) return r;
    const DataPoint& reference = series.points.front();
    r.referenceSMatrix = reference.cell.sMatrix(options.axisConvention);

    std::vector<AxisDirections> directions;
    for (std::size_t i = 0; i < series.points.size(); ++i) {
        const DataPoint& point = series.points[i];
        // The reference against itself: zero strain, with the esd its own cell gives.
        const StrainTensors t = CALC_STRAIN_TENSORS(reference.cell, point.cell, options.strainType,
                                                    series.crystalSystem, options.axisConvention);
        PointStrain s;
        s.x = variableOf(point, series.pressureRun);
        s.sigX = variableEsdOf(point, series.pressureRun);
        s.strain = t.strainTensor;
        s.strainEsd = t.esdTensor;
        for (int m = 0; m < 3; ++m) {
            const auto k = static_cast<std::size_t>(m);
            if (r.principalAxes) {
                s.principal[k] = t.eigenValues[k];
                s.principalEsd[k] = t.eigenValueEsds[k];
                if (!isCircularSection(t.eigenVectors, t.eigenFlag, m + 1)) s.directions[k] = row(t.eigenVectors, m + 1);
            } else {
                s.principal[k] = t.strainTensor(m + 1, m + 1);
                s.principalEsd[k] = t.esdTensor(m + 1, m + 1);
                Vec3 axis{};
                axis[k] = 1.0f;
                s.directions[k] = axis;
            }
            s.edges[k] = point.cell[m];
            s.edgeEsds[k] = point.cell.esd[m];
        }
        const VolumeWithEsd volume = volumeOf(point.cell, series.crystalSystem);
        s.volume = volume.volume;
        s.volumeEsd = volume.esd;
        directions.push_back(s.directions);
        r.points.push_back(s);
    }

    // Principal strains in track order, so that each line follows one physical axis.
    const std::vector<std::array<int, 3>> orders = followAxes(directions);
    for (std::size_t i = 0; i < r.points.size(); ++i) {
        PointStrain& s = r.points[i];
        const PointStrain before = s;
        for (std::size_t t = 0; t < 3; ++t) {
            const auto m = static_cast<std::size_t>(orders[i][t]);
            s.principal[t] = before.principal[m];
            s.principalEsd[t] = before.principalEsd[m];
            s.directions[t] = before.directions[m];
        }
    }
    return r;
}
