#include "python/run_keywords.hpp"

#include <cmath>
#include <optional>
#include <vector>

#include "LIBRARIES/text/text.hpp"
#include "fit/fit_result.hpp"
#include "python/input_problem.hpp"
#include "python/python_values.hpp"

namespace py = pybind11;

namespace {

constexpr StrainType kStrainTypes[] = {StrainType::finiteEulerian, StrainType::infinitesimalEulerian,
                                       StrainType::finiteLagrangian, StrainType::infinitesimalLagrangian};

StrainType strainNamed(const std::string& word) {
    std::string known;
    for (const StrainType type : kStrainTypes) {
        if (word == strainTypeKey(type)) return type;
        known += (known.empty() ? "" : ", ") + std::string(strainTypeKey(type));
    }
    throw InputProblem("strain: " + word + " is not one of " + known);
}

int wholeNumberFrom(const py::object& given, const std::string& name, int low, int high) {
    const std::string text = py::repr(given).cast<std::string>();
    if (!py::isinstance<py::int_>(given) || py::isinstance<py::bool_>(given))
        throw InputProblem(name + ": " + text + " is not a whole number");
    const long long value = given.cast<long long>();
    if (value < low || value > high)
        throw InputProblem(name + ": " + text + " is not from " + std::to_string(low) + " to " + std::to_string(high));
    return static_cast<int>(value);
}

// A single item or a sequence of them; a string is one item.
std::vector<py::object> oneOrMany(const py::object& given) {
    std::vector<py::object> items;
    if (py::isinstance<py::str>(given) || !py::hasattr(given, "__iter__")) {
        items.push_back(given);
        return items;
    }
    for (py::handle item : given) items.push_back(py::reinterpret_borrow<py::object>(item));
    return items;
}

std::vector<double> atValues(const py::object& given) {
    std::vector<double> values;
    if (given.is_none()) return values;
    for (const py::object& item : oneOrMany(given)) {
        std::string text;
        const std::optional<float> value = dataFileFloat(item, text);
        // As the batch's --at: a float as the data file reads T and P, finite.
        if (!value || !std::isfinite(*value)) {
            const bool number = !py::isinstance<py::str>(item) && !py::isinstance<py::bytes>(item) &&
                                !py::isinstance<py::bool_>(item) && py::hasattr(item, "__float__");
            if (!number) throw InputProblem("at: " + text + " is not a number");
            const bool finite = std::isfinite(py::float_(item).cast<double>());
            throw InputProblem("at: " + text + (finite ? " is beyond single precision" : " is not a finite number"));
        }
        values.push_back(*value);
    }
    return values;
}

std::vector<EosModel> eosModels(const py::object& given) {
    if (given.is_none()) return defaultEosModels();
    std::vector<py::object> items = oneOrMany(given);
    // "BM3,Vinet3" as on the command line.
    std::vector<std::string> names;
    for (const py::object& item : items) {
        if (!py::isinstance<py::str>(item))
            throw InputProblem("eos: " + py::repr(item).cast<std::string>() + " is not an equation of state's name");
        const std::string text = item.cast<std::string>();
        std::size_t start = 0;
        for (;;) {
            const std::size_t comma = text.find(',', start);
            names.emplace_back(trimmed(std::string_view(text).substr(start, comma - start)));
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
    }
    std::vector<EosModel> models;
    for (const std::string& name : names) {
        const std::optional<EosModel> model = eosModelNamed(name);
        if (!model) {
            std::string known;
            for (const EosModel m : knownEosModels()) known += (known.empty() ? "" : ", ") + std::string(eosModelName(m));
            throw InputProblem("eos: " + (name.empty() ? std::string("an empty name is no equation of state")
                                                       : "unknown equation of state " + name) +
                               " (known: " + known + ")");
        }
        // A model named twice is fitted once, in the order first named.
        bool seen = false;
        for (const EosModel m : models) seen = seen || m == *model;
        if (!seen) models.push_back(*model);
    }
    return models;
}

}  // namespace

SeriesRunOptions seriesRunOptions(const RunKeywords& keywords) {
    SeriesRunOptions options;
    options.run.strainType = strainNamed(keywords.strain);
    options.run.axisConvention = static_cast<AxialSet>(wholeNumberFrom(keywords.axes, "axes", 1, 3));
    options.run.incremental = !keywords.againstFirst;
    options.fits.run = options.run;
    options.fits.fits = keywords.fits;
    options.fits.order = keywords.fitOrder.is_none() ? 0 : wholeNumberFrom(keywords.fitOrder, "fit_order", 1, 4);
    options.fits.at = atValues(keywords.at);
    options.fits.eosModels = eosModels(keywords.eos);
    if (keywords.weights != "esd" && keywords.weights != "none")
        throw InputProblem("weights: " + keywords.weights + " is not one of esd, none");
    options.fits.weights = keywords.weights == "none" ? FitWeights::none : FitWeights::esd;
    return options;
}
