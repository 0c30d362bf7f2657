#include "export/json_output.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>

#include "export/fit_json.hpp"
#include "export/float_text.hpp"
#include "tenzio_version.hpp"

namespace {

// The header's few values go through nlohmann-json; a float there is the run's single-precision
// value like every number of the document.
using Json = nlohmann::basic_json<nlohmann::ordered_map, std::vector, std::string, bool, std::int64_t,
                                  std::uint64_t, float>;

// The size of the pieces the points are written in.
constexpr std::size_t kPointsPiece = 64 * 1024;

// The points and the calculations, thousands of numbers a document, are written directly. Every
// number is the run's single-precision value as writeFloatText writes it (as nlohmann-json would);
// NaN (a property with no change of T or P) is written as null, and -0.0 (a zero strain component
// with its sign changed, say), which reads as 0 everywhere, as 0.
class NumberText {
public:
    explicit NumberText(std::string& out) : out_(out) {}

    NumberText& raw(std::string_view text) {
        out_ += text;
        return *this;
    }
    NumberText& number(float v) {
        if (!std::isfinite(v)) return raw("null");
        if (v == 0.0f) v = 0.0f;
        char buffer[kFloatTextRoom];
        out_.append(buffer, writeFloatText(buffer, v));
        return *this;
    }
    NumberText& integer(int v) {
        char buffer[16];
        out_.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
        return *this;
    }
    NumberText& boolean(bool v) { return raw(v ? "true" : "false"); }
    template <std::size_t N>
    NumberText& numbers(const std::array<float, N>& values) {
        out_ += '[';
        for (std::size_t k = 0; k < N; ++k) {
            if (k > 0) out_ += ',';
            number(values[k]);
        }
        out_ += ']';
        return *this;
    }
    template <std::size_t N>
    NumberText& numbersIf(bool known, const std::array<float, N>& values) {
        return known ? numbers(values) : raw("null");
    }
    NumberText& rows(const Mat3& m) {
        out_ += '[';
        for (int i = 1; i <= 3; ++i) {
            out_ += i == 1 ? "[" : ",[";
            number(m(i, 1)).raw(",").number(m(i, 2)).raw(",").number(m(i, 3));
            out_ += ']';
        }
        out_ += ']';
        return *this;
    }
    NumberText& rowsIf(bool known, const Mat3& m) { return known ? rows(m) : raw("null"); }
    NumberText& numberIf(bool known, float v) { return known ? number(v) : raw("null"); }

private:
    std::string& out_;
};

void writePoint(NumberText& j, const DataPoint& d, int index, bool volumeOnly) {
    j.raw("{\"index\":").integer(index);
    if (volumeOnly) {
        // A series of volumes has no cell: the volume as read, with its esd (null where none).
        j.raw(",\"cell\":null,\"cell_esd\":null,\"volume\":").number(d.volumeAsRead);
        j.raw(",\"volume_esd\":").numberIf(d.volumeAsReadEsd > 0.0f, d.volumeAsReadEsd);
    } else {
        j.raw(",\"cell\":").numbers(d.cell.values());
        j.raw(",\"cell_esd\":").numbersIf(d.cell.hasEsds(), d.cell.esd.values());
    }
    j.raw(",\"p\":").number(d.p).raw(",\"p_esd\":").number(d.sigP);
    j.raw(",\"t\":").number(d.t).raw(",\"t_esd\":").number(d.sigT).raw("}");
}

void writeAxis(NumberText& j, const PrincipalAxis& axis, bool withEsds) {
    j.raw("{\"strain\":").number(axis.strain).raw(",\"strain_esd\":").numberIf(withEsds, axis.strainEsd);
    j.raw(",\"property\":").number(axis.property).raw(",\"property_esd\":").numberIf(withEsds, axis.propertyEsd);
    if (!axis.hasDirection) {
        j.raw(",\"direction\":null}");
        return;
    }
    j.raw(",\"direction\":{\"vector\":").numbers(axis.direction);
    j.raw(",\"to_xyz\":").numbers(axis.angles.toXyz).raw(",\"to_xyz_esd\":").numbersIf(withEsds, axis.angles.toXyzEsd);
    j.raw(",\"to_abc\":").numbers(axis.angles.toAbc).raw(",\"to_abc_esd\":").numbersIf(withEsds, axis.angles.toAbcEsd);
    j.raw("}}");
}

void writeCalculation(NumberText& j, const PairResult& r) {
    const bool withEsds = r.strain.esdCount > 0;
    j.raw("{\"first\":").integer(r.first).raw(",\"second\":").integer(r.second);
    j.raw(",\"delta\":{\"change\":").number(r.delta.change).raw(",\"change_esd\":").number(r.delta.changeEsd);
    j.raw(",\"midpoint\":").number(r.delta.midpoint).raw("}");
    j.raw(",\"strain\":{\"tensor\":").rows(r.strain.strainTensor).raw(",\"esd\":").rowsIf(withEsds, r.strain.esdTensor);
    // Like the strain's, the property's esd is null when nothing gave it one: neither cell carries
    // esds and the esd of T or P did not enter (every component 0, or undefined).
    const bool propertyEsdKnown =
        withEsds || std::any_of(r.property.propertyEsd.v.begin(), r.property.propertyEsd.v.end(),
                                [](float e) { return e > 0.0f; });
    j.raw("},\"property\":{\"tensor\":").rows(r.property.propertyTensor);
    j.raw(",\"esd\":").rowsIf(propertyEsdKnown, r.property.propertyEsd);
    j.raw(",\"defined\":").boolean(r.property.defined).raw("},\"principal\":");
    if (r.principalAxes) {
        for (std::size_t k = 0; k < r.principal.size(); ++k) {
            j.raw(k == 0 ? "[" : ",");
            writeAxis(j, r.principal[k], withEsds);
        }
        j.raw("]");
    } else {
        j.raw("null");
    }
    j.raw("}");
}

}  // namespace

void JsonOutput::put(std::string_view text) {
    if (sink_) sink_(text);
    else file_.write(text);
}

bool JsonOutput::begin(const RunHeader& header) {
    if (!sink_ && !file_.open(path_)) return false;
    const Series& series = header.series;
    Json program;
    program["name"] = "Tenzio";
    program["version"] = TENZIO_VERSION;
    Json options;
    options["axes"] = static_cast<int>(header.options.axisConvention);
    options["strain"] = strainTypeKey(header.options.strainType);
    options["incremental"] = header.options.incremental;

    // The document is written piece by piece: the opening keys, a point per line, then the
    // calculations as they come.
    put("{\n\"program\": " + program.dump() + ",\n");
    put("\"input\": " + Json(header.inputPath).dump(-1, ' ', false, Json::error_handler_t::replace) + ",\n");
    put("\"title\": " + Json(series.title).dump(-1, ' ', false, Json::error_handler_t::replace) + ",\n");
    put("\"crystal_system\": " + Json(crystalSystemKey(series.crystalSystem)).dump() + ",\n");
    put(std::string("\"series\": ") + (series.pressureRun ? "\"pressure\"" : "\"temperature\"") + ",\n");
    // The units of T and P as the series names them; null where it names none.
    const auto unit = [](const std::string& name) { return name.empty() ? Json(nullptr) : Json(name); };
    const Json units = {{"T", unit(series.temperatureUnit)}, {"P", unit(series.pressureUnit)}};
    put("\"units\": " + units.dump(-1, ' ', false, Json::error_handler_t::replace) + ",\n");
    put("\"options\": " + options.dump() + ",\n");
    std::string points = "\"points\": [";
    NumberText j(points);
    for (std::size_t n = 0; n < series.points.size(); ++n) {
        j.raw(n == 0 ? "\n" : ",\n");
        writePoint(j, series.points[n], static_cast<int>(n + 1), series.volumeOnly);
        // A long series' points go out a piece at a time: as one text they would be some 300
        // bytes a point.
        if (points.size() >= kPointsPiece) {
            put(points);
            points.clear();
        }
    }
    j.raw("\n],\n\"calculations\": [");
    put(points);
    return sink_ || file_.isOpen();
}

void JsonOutput::calculation(const PairResult& r) {
    text_.assign(firstCalculation_ ? "\n" : ",\n");
    firstCalculation_ = false;
    NumberText j(text_);
    writeCalculation(j, r);
    put(text_);
}

namespace {

// The fits' members of the document, kept beside where it is written.
class JsonFitsFormatter : public FitsFormatter {
public:
    explicit JsonFitsFormatter(std::filesystem::path folder) : folder_(std::move(folder)) {}
    std::unique_ptr<SpillBuffer> format(const FitResult& result) const override {
        auto text = std::make_unique<SpillBuffer>(folder_);
        writeFitsJsonMembers(result, [&text](std::string_view piece) { text->append(piece); });
        return text;
    }

private:
    std::filesystem::path folder_;
};

}  // namespace

std::unique_ptr<FitsFormatter> JsonOutput::fitsFormatter() const {
    return std::make_unique<JsonFitsFormatter>(path_.parent_path());
}

bool JsonOutput::end() {
    if (fitsMembers_) {
        put("\n],\n");
        if (!fitsMembers_->readBack([this](std::string_view piece) { put(piece); })) {
            // Not committed: an earlier file of the name stays as it was.
            failure_ = "cannot write " + path_.string() + ": " + fitsMembers_->failure();
            return false;
        }
        fitsMembers_.reset();
        put("\n}\n");
    } else {
        put("\n]\n}\n");
    }
    return sink_ || file_.commit();
}
