// V against T with the fitted V(T) models, and the thermal expansion alpha(T) they give: the
// figure of a temperature series fitted by --thermal (or of volumes alone, fitted by default).
#include <algorithm>
#include <charconv>
#include <cmath>

#include "fit/state_fits.hpp"
#include "plots/data/figures.hpp"
#include "plots/data/series_names.hpp"

namespace {

constexpr int kSamples = 121;
constexpr double kAlphaScale = 1e6;  // alpha shown in 10^-6 K^-1
constexpr PlotColour kModelColours[] = {PlotColour::axis1, PlotColour::axis2, PlotColour::axis3};

}  // namespace

std::optional<Figure> volumeAgainstTFigure(const PlotRecorder& record) {
    const std::optional<FitResult>& result = record.fitResult();
    if (record.pressureRun() || !result || !result->states) return std::nullopt;
    const std::vector<PlotPoint>& points = record.points();
    const std::string& temperatureUnit = record.temperatureUnit();
    std::vector<const ThermalFit*> fits;
    for (const ThermalFit& f : result->states->thermal)
        if (f.fit.status.ok && !f.isEdge()) fits.push_back(&f);
    if (fits.empty() || points.empty()) return std::nullopt;

    Figure figure;
    figure.xLabel = temperatureUnit.empty() ? "T" : "T (" + temperatureUnit + ")";
    PlotPanel volume;
    volume.yLabel = "V (Å³)";
    PlotLine measured;
    measured.name = "V";
    measured.columns = {"V"};
    measured.colour = PlotColour::volume;
    measured.joined = false;
    measured.inLegend = false;
    reserveLine(measured, points.size());
    measured.xEsd.reserve(points.size());
    for (std::size_t k = 0; k < points.size(); ++k) {
        const PlotPoint& p = points[k];
        measured.x.push_back(p.x);
        measured.y.push_back(record.volumeOnly() ? record.volumesAsRead()[k][0] : p.cell.volume());
        const float esd = record.volumeOnly() ? record.volumesAsRead()[k][1] : p.cell.volumeEsd(record.crystalSystem());
        measured.esd.push_back(esd > 0.0f ? esd : std::nanf(""));
        measured.xEsd.push_back(p.xEsd);
    }
    const auto [lowest, highest] = std::minmax_element(measured.x.begin(), measured.x.end());
    const double low = *lowest, high = *highest;
    volume.lines.push_back(std::move(measured));
    PlotPanel alpha;
    alpha.yLabel = "α (10⁻⁶ K⁻¹)";
    alpha.scale = kAlphaScale;
    for (std::size_t m = 0; m < fits.size(); ++m) {
        const ThermalFit& f = *fits[m];
        FittedCurve v, a;
        // Named once, in the legend of the volume's curves; alpha's keep their colour and dash.
        v.name = std::string(thermalModelName(f.model));
        v.columns = {"V_" + v.name};
        a.columns = {"alpha_" + v.name};
        v.colour = a.colour = kModelColours[m % 3];
        v.dashed = a.dashed = m > 0;
        for (int k = 0; k < kSamples; ++k) {
            const double x = low + (high - low) * k / (kSamples - 1);
            const double t = kelvinOf(x, temperatureUnit);
            const double vt = f.volumeAt(t);
            // alpha = (1/V) dV/dT, by a central difference on the fitted V(T).
            const double h = 1e-3 * std::max(std::fabs(t), 1.0);
            const double at = (f.volumeAt(t + h) - f.volumeAt(t - h)) / (2.0 * h) / vt;
            if (!std::isfinite(vt) || !std::isfinite(at)) continue;
            v.x.push_back(x);
            v.y.push_back(vt);
            v.esd.push_back(f.fit.esdOf([&](const std::vector<double>& p) { return thermalVolume(f.model, p, t, f.tref); }));
            a.x.push_back(x);
            a.y.push_back(at);
        }
        volume.curves.push_back(std::move(v));
        alpha.curves.push_back(std::move(a));
    }
    figure.panels = {std::move(volume), std::move(alpha)};
    char tref[32];
    const std::string trefText(tref, std::to_chars(tref, tref + sizeof tref, fits.front()->tref).ptr);
    figure.caption = "The volume against T with the V(T) models fitted to it (a band of ± 1 esd), and the thermal expansion "
                     "α = (1/V) dV/dT each gives. Tref = " + trefText + " K.";
    return figure;
}
