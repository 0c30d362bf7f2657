#include "export/fit_report.hpp"


#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <string_view>

#include "LIBRARIES/text/text.hpp"
#include "export/state_fit_report.hpp"
#include "fit/state_fits.hpp"
#include "format/coefficient_units.hpp"
#include "format/esd_notation.hpp"
#include "tenzio_version.hpp"

namespace {


std::string fixedText(double v, int decimals) { return numberText(v, std::chars_format::fixed, decimals); }

std::string scaled(double value, double esd, double factor) { return valueWithEsd(value * factor, esd * factor); }

std::string uvwText(const std::array<double, 3>& uvw) {
    return "[" + fixedText(uvw[0], 3) + " " + fixedText(uvw[1], 3) + " " + fixedText(uvw[2], 3) + "]";
}

std::string strainName(StrainType t) {
    switch (t) {
        case StrainType::finiteEulerian: return "finite Eulerian";
        case StrainType::infinitesimalEulerian: return "infinitesimal Eulerian";
        case StrainType::finiteLagrangian: return "finite Lagrangian";
        case StrainType::infinitesimalLagrangian: return "infinitesimal Lagrangian";
    }
    return "";
}

// The report as it is made, handed on in pieces: the tables of a long series run to hundreds of
// megabytes.
class ReportText {
public:
    explicit ReportText(const std::function<void(std::string_view)>& write) : write_(write) {}
    ReportText& operator+=(std::string_view text) {
        text_ += text;
        if (text_.size() >= kPiece) handOn();
        return *this;
    }
    void finish() { handOn(); }

private:
    static constexpr std::size_t kPiece = std::size_t{1} << 16;
    void handOn() {
        if (text_.empty()) return;
        write_(text_);
        text_.clear();
    }

    const std::function<void(std::string_view)>& write_;
    std::string text_;
};

void linearSection(ReportText& out, const LinearFits& fits, const SeriesAxes& axes, bool pressure, const CoefficientUnit& unit,
                          const std::string& x) {
    const std::string symbol = pressure ? "\u03b2" : "\u03b1";
    out += "LINEAR FITS\n  q = q0 + s " + x + " through every point; the coefficient " + symbol + " = " +
                      (pressure ? "-s" : "s") + " in " + unit.label +
                      ". q: each principal strain (axes followed by direction), the relative change of a, b, c and V.\n\n";
    out += "  " + alignedLeft("quantity", 10) + alignedRight(symbol + " (" + unit.label + ")", 22) + alignedRight("q0", 22) + alignedRight("\u03c7\u00b2", 12) +
           alignedRight("n-p", 5) + "  direction [uvw]\n";
    const auto row = [&](const std::string& name, const LinearFit& fit, const std::string& extra) {
        if (!fit.line.status.ok) {
            out += "  " + alignedLeft(name, 10) + "  failed: " + fit.line.status.text + "\n";
            return;
        }
        out += "  " + alignedLeft(name, 10) + alignedRight(scaled(fit.coefficient, fit.esd, unit.factor), 22) +
               alignedRight(valueWithEsd(fit.intercept, fit.interceptEsd), 22) + alignedRight(significantText(fit.line.chi2, 4), 12) +
               alignedRight(std::to_string(fit.line.dof), 5) + (extra.empty() ? "" : "  " + extra) + "\n";
    };
    for (std::size_t k = 0; k < 3; ++k)
        row("axis " + std::to_string(k + 1), fits.principal[k], axes.axes[k].hasDirection ? uvwText(axes.axes[k].uvw) : "");
    row("a", fits.a, "");
    row("b", fits.b, "");
    row("c", fits.c, "");
    row("V", fits.volume, "");
    out += "\n";
}

// An x of the tensor fit with its mark: none for a measured x, * for one asked for with --at, and
// † for one asked for outside the measured range.
std::string markedX(const TensorAt& at) {
    return significantText(at.x) + (at.measured ? " " : at.extrapolated ? "\u2020" : "*");
}

void tensorSection(ReportText& out, const TensorFit& fit, bool pressure, const CoefficientUnit& unit, const std::string& x,
                          const std::string& xLabel) {
    const std::string symbol = pressure ? "\u03b2" : "\u03b1";
    out += "TENSOR FIT\n  Each strain component \u03b5ij a polynomial of order " + std::to_string(fit.order) +
                      " in " + x + "; " + symbol + "ij = " + (pressure ? "-" : "") + "d\u03b5ij/d" + x +
                      ", its principal axes by the eigen decomposition.\n";
    if (!fit.status.ok) {
        out += "  failed: " + fit.status.text + "\n\n";
        return;
    }
    out += "\n  Principal coefficients (" + unit.label + ")" + (fit.principalAxes ? "" : ", along X, Y, Z") + ":\n";
    out += "  " + alignedRight(xLabel, 12);
    for (int m = 1; m <= 3; ++m) out += alignedRight(symbol + std::to_string(m), 18);
    out += "\n";
    for (const TensorAt& at : fit.at()) {
        out += "  " + alignedRight(markedX(at), 12);
        for (const PrincipalCoefficient& axis : at.principal) out += alignedRight(scaled(axis.value, axis.esd, unit.factor), 18);
        out += "\n";
    }
    if (fit.principalAxes) {
        out += "\n  Principal axes: angles to a, b, c of the reference cell (degrees) and [uvw]:\n";
        out += "  " + alignedRight(xLabel, 12);
        for (int m = 1; m <= 3; ++m) out += "  " + alignedLeft("axis " + std::to_string(m), 46);
        out += "\n";
        for (const TensorAt& at : fit.at()) {
            out += "  " + alignedRight(markedX(at), 12);
            for (const PrincipalCoefficient& axis : at.principal) {
                std::string cell = "circular section";
                if (axis.hasDirection) {
                    cell.clear();
                    for (std::size_t k = 0; k < 3; ++k) {
                        if (k > 0) cell += ' ';
                        cell += valueWithEsd(axis.toAbc[k], static_cast<double>(axis.toAbcEsd[k]));
                    }
                    cell += " " + uvwText(axis.uvw);
                }
                out += "  " + alignedLeft(cell, 46);
            }
            out += "\n";
        }
    }
    // The flags of the x asked for, without making the tensor again at every measured x.
    const auto anyAsked = [&fit](bool extrapolated) {
        for (std::size_t i = fit.measuredX.size(); i < fit.at().size(); ++i)
            if (fit.atEntry(i).extrapolated == extrapolated) return true;
        return false;
    };
    if (anyAsked(false))
        out += "  * asked for with --at\n";
    if (anyAsked(true))
        out += "  \u2020 asked for with --at, outside the measured range of " + x + ": extrapolated\n";
    out += "\n";
}

// The points a fit flags as possible outliers, as a small table under the fit (a line saying
// there are none otherwise): each with where the fitted function was taken, what was observed and
// calculated, and the residual in esds.
std::string outlierTable(const ResidualList& residuals, const std::string& xName, const std::string& yName,
                         int significant) {
    std::vector<Residual> flagged;
    for (const Residual& r : residuals)
        if (r.outlier) flagged.push_back(r);
    if (flagged.empty()) return "    no point lies more than 3 esds from the curve\n";
    std::string out = "    possible outliers, more than 3 esds from the curve:\n";
    out += "    " + alignedRight("point", 8) + alignedRight(xName, 14) + alignedRight(yName + " obs", 14) + alignedRight(yName + " calc", 14) +
           alignedRight("(obs-calc)/\u03c3", 16) + "\n";
    for (const Residual& r : flagged)
        out += "    " + alignedRight(std::to_string(r.point), 8) + alignedRight(significantText(r.x), 14) + alignedRight(significantText(r.observed, significant), 14) +
               alignedRight(significantText(r.calculated, significant), 14) + alignedRight(fixedText(r.weighted, 1), 16) + "\n";
    return out;
}

std::string formulaOf(EosModel model) {
    switch (model) {
        case EosModel::BM2:
        case EosModel::BM3:
        case EosModel::BM4:
            return "P = 3K0 f (1+2f)^(5/2) [1 + 3/2 (K'-4) f + 3/2 (K0K'' + (K'-4)(K'-3) + 35/9) f^2], "
                   "f = [(V0/V)^(2/3) - 1]/2";
        case EosModel::Vinet2:
        case EosModel::Vinet3: return "P = 3K0 (1-\u03b7)/\u03b7^2 exp[3/2 (K'-1)(1-\u03b7)], \u03b7 = (V/V0)^(1/3)";
        case EosModel::Murnaghan: return "P = K0/K' [(V0/V)^K' - 1]";
        case EosModel::NS2:
        case EosModel::NS3: return "P = 3K0 (V0/V) fN [1 + 3/2 (K'-2) fN], fN = ln(V0/V)/3";
    }
    return "";
}

void eosSection(ReportText& out, const std::vector<EosFit>& fits, const std::string& pUnit) {
    out += "EQUATIONS OF STATE\n  Residuals in P, weighted by 1/\u03c3\u00b2, \u03c3\u00b2 = \u03c3P\u00b2 + (K/V)\u00b2\u03c3V\u00b2; "
                      "esds from the covariance scaled by \u03c7\u00b2/(n-p). An edge x stands for V^(1/3): "
                      "x0, and the linear moduli M0 = 3K0, M' = 3K', M'' = 3K''.\n";
    const std::string unit = pUnit.empty() ? "" : " " + pUnit;
    std::vector<EosModel> shown;
    for (const EosFit& fit : fits) {
        if (std::find(shown.begin(), shown.end(), fit.model) == shown.end()) {
            shown.push_back(fit.model);
        }
    }
    for (const EosModel model : shown) out += "  " + alignedLeft(std::string(eosModelName(model)), 10) + formulaOf(model) + "\n";
    out += "\n";
    for (const EosFit& fit : fits) {
        const bool edge = fit.isEdge();
        out += "  " + std::string(eosModelName(fit.model)) + ", " + (edge ? "edge " + std::string(eosQuantityName(fit.quantity)) : "volume") + ": ";
        if (!fit.status.ok) {
            out += "failed: " + fit.status.text + "\n\n";
            continue;
        }
        const auto param = [&](const char* name, const FittedValue& v, const std::string& u) {
            return std::string(name) + " = " + valueWithEsd(v.value, v.esd) + u + (v.esd ? "" : " (fixed)");
        };
        const std::string m = edge ? "M" : "K";
        out += param(edge ? "x0" : "V0", fit.v0, "") + "   " + param((m + "0").c_str(), fit.k0, unit) + "   " +
               param((m + "'").c_str(), fit.kp, "") + "   " +
               param((m + "''").c_str(), fit.kpp, pUnit.empty() ? "" : " " + pUnit + "\u207b\u00b9") + "\n";
        out += "    \u03c7\u00b2 = " + significantText(fit.chi2, 5) + ", n-p = " + std::to_string(fit.dof) +
               ", largest |P_obs - P_calc| = " + significantText(fit.maxResidual, 4) + unit + "\n";
        const std::size_t p = fit.parameters.size();
        std::string correlations;
        for (std::size_t a = 0; a < p; ++a)
            for (std::size_t b = a + 1; b < p; ++b)
                correlations += (correlations.empty() ? "" : ", ") + fit.parameters[a] + "-" + fit.parameters[b] + " " +
                                fixedText(fit.covariance.correlation(a, b), 3);
        out += "    correlations: " + correlations + "\n";
        out += outlierTable(fit.residuals(), edge ? std::string(eosQuantityName(fit.quantity)) : "V", "P", 6) + "\n";
    }
}

void empiricalSection(ReportText& out, const std::vector<EmpiricalFit>& fits, const CoefficientUnit& unit, const std::string& xLabel) {
    out += "EMPIRICAL FITS\n  \u03b5(P) = \u03b50 + \u03bb (P - Pc)^\u03bd for each principal axis, Pc below the lowest "
                      "pressure (or on it, fixed, where the minimum lies there); compressibility K = -d\u03b5/dP in " + unit.label + ".\n\n";
    for (const EmpiricalFit& fit : fits) {
        out += "  axis " + std::to_string(fit.axis) + ": ";
        if (!fit.status.ok) {
            out += "failed: " + fit.status.text + "\n";
            continue;
        }
        out += "\u03b50 = " + valueWithEsd(fit.eps0.value, fit.eps0.esd) + "   \u03bb = " +
               valueWithEsd(fit.lambda.value, fit.lambda.esd) + "   Pc = " + valueWithEsd(fit.pc.value, fit.pc.esd) + (fit.pc.esd ? "" : " (fixed: the lowest P)") +
               "   \u03bd = " + valueWithEsd(fit.nu.value, fit.nu.esd) + "   \u03c7\u00b2 = " + significantText(fit.chi2, 5) +
               ", n-p = " + std::to_string(fit.dof) + "\n";
        out += outlierTable(fit.residuals(), "P", "\u03b5", 6);
    }
    const auto firstOk = std::find_if(fits.begin(), fits.end(), [](const EmpiricalFit& f) { return f.status.ok; });
    if (firstOk == fits.end()) {
        out += "\n";
        return;
    }
    out += "\n  " + alignedRight(xLabel, 12);
    for (const EmpiricalFit& fit : fits) out += alignedRight(std::string("K") += std::to_string(fit.axis), 18);
    out += "\n";
    for (std::size_t i = 0; i < firstOk->points.count; ++i) {
        out += "  " + alignedRight(significantText(firstOk->kAt(i).x), 12);
        for (const EmpiricalFit& fit : fits) {
            if (!fit.status.ok) {
                out += alignedRight("-", 18);
                continue;
            }
            const ValueAtPoint k = fit.kAt(i);
            out += alignedRight(scaled(k.value, k.esd, unit.factor), 18);
        }
        out += "\n";
    }
    out += "\n";
}

void ffSection(ReportText& out, const NormalisedPressure& ff, const std::string& xLabel, const std::string& pUnit) {
    out += "F-f\n  Normalised pressure F = P / [3f (1+2f)^(5/2)] against the Eulerian strain f = [(V0/V)^(2/3) - 1]/2, "
                      "V0 from BM3. A horizontal line: K' = 4 (BM2); a sloping line: BM3.\n";
    if (!ff.status.ok) {
        out += "  failed: " + ff.status.text + "\n\n";
        return;
    }
    out += "  V0 = " + valueWithEsd(ff.v0.value, ff.v0.esd) + "\n\n";
    out += "  " + alignedRight("point", 6) + alignedRight(xLabel, 12) + alignedRight("f", 18) + alignedRight("F" + (pUnit.empty() ? "" : " (" + pUnit + ")"), 18) + "\n";
    ff.forEachPoint([&out](const NormalisedPressurePoint& p) {
        out += "  " + alignedRight(std::to_string(p.point), 6) + alignedRight(significantText(p.x), 12) + alignedRight(valueWithEsd(p.f, p.fEsd), 18) +
               alignedRight(valueWithEsd(p.F, p.FEsd), 18) + "\n";
    });
    out += "\n";
}

}  // namespace

void writeFitReport(const FitResult& result, const std::string& unitAsRead,
                    const std::function<void(std::string_view)>& write) {
    ReportText out(write);
    // The report is UTF-8 whatever bytes the data file's UNITS line held.
    const std::string unit = oneLine(unitAsRead);
    if (!result.status.ok) {
        out += "No fits: " + result.status.text + ".\n";
        out.finish();
        return;
    }
    const bool pressure = result.pressure;
    const CoefficientUnit cu = coefficientUnit(pressure, unit);
    const std::string x = pressure ? "P" : "T";
    const std::string xLabel = variableLabel(pressure, unit);
    // A series of volumes has no strains: the fits of V alone.
    const bool volumesOnly = result.states && result.states->volumeOnly;
    out += (volumesOnly ? std::string("Fits of the volumes alone (the series holds no cells)")
                        : "Strains against point " + std::to_string(result.reference) + " (" + strainName(result.strain) + ")") +
           "; weights: " +
           (result.weights == FitWeights::esd
                ? "1/\u03c3\u00b2 from the esds, \u03c3 of " + x + " times the local slope added in quadrature"
                : "none (every point weight 1)") +
           ".\n";
    for (const std::string& note : result.notes) out += "Note: " + note + ".\n";
    out += "\n";
    if (result.linear) linearSection(out, *result.linear, *result.axes, pressure, cu, x);
    if (result.tensor) tensorSection(out, *result.tensor, pressure, cu, x, xLabel);
    if (pressure) {
        eosSection(out, result.eos, unit);
        empiricalSection(out, result.empirical, cu, xLabel);
        if (result.ff) ffSection(out, *result.ff, xLabel, unit);
    }
    out.finish();
}

std::string fitReportText(const FitResult& result, const std::string& unitAsRead) {
    std::string text;
    writeFitReport(result, unitAsRead, [&text](std::string_view piece) { text.append(piece); });
    return text;
}

bool FitReportOutput::begin(const RunHeader& header) {
    const Series& s = header.series;
    idle_ = onlyForVolumes_ && !s.volumeOnly;
    if (idle_) return true;
    if (!file_.open(path_)) return false;
    temperatureUnit_ = s.temperatureUnit;
    pressureUnit_ = s.pressureUnit;
    heading_ = "Tenzio " TENZIO_VERSION ": fits over the series\n";
    // Names and titles as they came, made UTF-8 on one line each.
    heading_ += "Input: " + oneLine(header.inputName) + "\n";
    if (!s.title.empty()) heading_ += "Title: " + oneLine(s.title) + "\n";
    heading_ += std::string(s.pressureRun ? "Pressure" : "Temperature") + " series of " + std::to_string(s.points.size()) +
                " points, " + (s.crystalSystem == CrystalSystem::none ? std::string("no crystal system")
                                                                 : std::string(crystalSystemKey(s.crystalSystem)) + " crystal system");
    const std::string unit = oneLine(s.pressureRun ? s.pressureUnit : s.temperatureUnit);
    heading_ += unit.empty() ? ", no units given" : ", " + std::string(s.pressureRun ? "P" : "T") + " in " + unit;
    heading_ += "; " + header.dateTime + "\n\n";
    return true;
}

namespace {

// The report's body, in the series' units, kept beside where the report is written.
class FitReportFormatter : public FitsFormatter {
public:
    FitReportFormatter(std::filesystem::path folder, std::string temperatureUnit, std::string pressureUnit)
        : folder_(std::move(folder)), temperatureUnit_(std::move(temperatureUnit)), pressureUnit_(std::move(pressureUnit)) {}
    std::unique_ptr<SpillBuffer> format(const FitResult& result) const override {
        auto text = std::make_unique<SpillBuffer>(folder_);
        writeFitsReportBody(result, temperatureUnit_, pressureUnit_, [&text](std::string_view piece) { text->append(piece); });
        return text;
    }

private:
    std::filesystem::path folder_;
    std::string temperatureUnit_;
    std::string pressureUnit_;
};

}  // namespace

std::unique_ptr<FitsFormatter> FitReportOutput::fitsFormatter() const {
    if (idle_) return nullptr;
    return std::make_unique<FitReportFormatter>(path_.parent_path(), temperatureUnit_, pressureUnit_);
}

void writeFitsReportBody(const FitResult& result, const std::string& temperatureUnit, const std::string& pressureUnit,
                         const std::function<void(std::string_view)>& write) {
    writeFitReport(result, result.pressure ? pressureUnit : temperatureUnit, write);
    write(stateFitReportText(result, temperatureUnit, pressureUnit));
}

std::string fitsReportBody(const FitResult& result, const std::string& temperatureUnit, const std::string& pressureUnit) {
    std::string text;
    writeFitsReportBody(result, temperatureUnit, pressureUnit, [&text](std::string_view piece) { text.append(piece); });
    return text;
}

bool FitReportOutput::end() {
    if (idle_) return true;
    file_.write(heading_);
    if (text_ && !text_->readBack([this](std::string_view piece) { file_.write(piece); })) {
        // Not committed: an earlier file of the name stays as it was.
        failure_ = "cannot write " + path_.string() + ": " + text_->failure();
        return false;
    }
    return file_.commit();
}
