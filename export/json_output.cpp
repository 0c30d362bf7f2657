#include "export/json_output.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <string>

#include "export/fit_json.hpp"
#include "tenzio_version.hpp"

namespace {

// Every number is the run's single-precision value, written as the shortest decimal that reads
// back to the same float; NaN (a property with no change of T or P) is written as null.
using Json = nlohmann::basic_json<nlohmann::ordered_map, std::vector, std::string, bool, std::int64_t,
                                  std::uint64_t, float>;

template <std::size_t N>
Json arrayOf(const std::array<float, N>& values) {
    Json a = Json::array();
    for (const float v : values) a.push_back(v);
    return a;
}

// -0.0 (a zero strain component with its sign changed, say) reads as 0 everywhere: written as 0.
void withoutNegativeZero(Json& j) {
    if (j.is_number_float()) {
        if (j.get<float>() == 0.0f) j = 0.0f;
    } else if (j.is_structured()) {
        for (Json& element : j) withoutNegativeZero(element);
    }
}

Json rowsOf(const Mat3& m) {
    Json rows = Json::array();
    for (int i = 1; i <= 3; ++i) rows.push_back(Json::array({m(i, 1), m(i, 2), m(i, 3)}));
    return rows;
}

Json pointOf(const DataPoint& d, int index, bool volumeOnly) {
    Json j;
    j["index"] = index;
    if (volumeOnly) {
        // A series of volumes has no cell: the volume as read, with its esd (null where none).
        j["cell"] = nullptr;
        j["cell_esd"] = nullptr;
        j["volume"] = d.volumeAsRead;
        j["volume_esd"] = d.volumeAsReadEsd > 0.0f ? Json(d.volumeAsReadEsd) : Json(nullptr);
    } else {
        j["cell"] = arrayOf(d.cell.values());
        j["cell_esd"] = d.cell.hasEsds() ? arrayOf(d.cell.esd.values()) : Json(nullptr);
    }
    j["p"] = d.p;
    j["p_esd"] = d.sigP;
    j["t"] = d.t;
    j["t_esd"] = d.sigT;
    return j;
}

Json axisOf(const PrincipalAxis& axis, bool withEsds) {
    const auto esd = [&](const Json& value) { return withEsds ? value : Json(nullptr); };
    Json j;
    j["strain"] = axis.strain;
    j["strain_esd"] = esd(axis.strainEsd);
    j["property"] = axis.property;
    j["property_esd"] = esd(axis.propertyEsd);
    if (!axis.hasDirection) {
        j["direction"] = nullptr;
        return j;
    }
    Json d;
    d["vector"] = arrayOf(axis.direction);
    d["to_xyz"] = arrayOf(axis.angles.toXyz);
    d["to_xyz_esd"] = esd(arrayOf(axis.angles.toXyzEsd));
    d["to_abc"] = arrayOf(axis.angles.toAbc);
    d["to_abc_esd"] = esd(arrayOf(axis.angles.toAbcEsd));
    j["direction"] = std::move(d);
    return j;
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
    put("\"points\": [");
    for (std::size_t n = 0; n < series.points.size(); ++n) {
        put(n == 0 ? "\n" : ",\n");
        Json point = pointOf(series.points[n], static_cast<int>(n + 1), series.volumeOnly);
        withoutNegativeZero(point);
        put(point.dump());
    }
    put("\n],\n\"calculations\": [");
    return sink_ || file_.isOpen();
}

void JsonOutput::calculation(const PairResult& r) {
    const bool withEsds = r.strain.esdCount > 0;
    Json j;
    j["first"] = r.first;
    j["second"] = r.second;
    j["delta"] = {{"change", r.delta.change}, {"change_esd", r.delta.changeEsd}, {"midpoint", r.delta.midpoint}};
    j["strain"] = {{"tensor", rowsOf(r.strain.strainTensor)},
                   {"esd", withEsds ? rowsOf(r.strain.esdTensor) : Json(nullptr)}};
    // Like the strain's, the property's esd is null when nothing gave it one: neither cell carries
    // esds and the esd of T or P did not enter (every component 0, or undefined).
    const bool propertyEsdKnown =
        withEsds || std::any_of(r.property.propertyEsd.v.begin(), r.property.propertyEsd.v.end(),
                                [](float e) { return e > 0.0f; });
    j["property"] = {{"tensor", rowsOf(r.property.propertyTensor)},
                     {"esd", propertyEsdKnown ? rowsOf(r.property.propertyEsd) : Json(nullptr)},
                     {"defined", r.property.defined}};
    if (r.principalAxes) {
        Json axes = Json::array();
        for (const PrincipalAxis& axis : r.principal) axes.push_back(axisOf(axis, withEsds));
        j["principal"] = std::move(axes);
    } else {
        j["principal"] = nullptr;
    }
    withoutNegativeZero(j);
    put(firstCalculation_ ? "\n" : ",\n");
    firstCalculation_ = false;
    put(j.dump());
}

void JsonOutput::fits(const FitResult& result) {
    fitsMembers_ = std::make_unique<SpillBuffer>(path_.parent_path());
    writeFitsJsonMembers(result, [this](std::string_view piece) { fitsMembers_->append(piece); });
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
