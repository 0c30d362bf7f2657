#include "python/series_arrays.hpp"

#include <array>
#include <optional>
#include <vector>

#include "calc/crystal_system.hpp"
#include "calc/units.hpp"
#include "calc/validate_cells.hpp"
#include "python/input_problem.hpp"
#include "python/python_values.hpp"
#include "run/status_texts.hpp"

namespace py = pybind11;

namespace {

constexpr std::array<CrystalSystem, 7> kSystems = {CrystalSystem::none,       CrystalSystem::monoclinic,
                                                   CrystalSystem::orthorhombic, CrystalSystem::tetragonal,
                                                   CrystalSystem::trigonal,   CrystalSystem::hexagonal,
                                                   CrystalSystem::cubic};

// The name a caller gives a system: "triclinic" for none, else the JSON's own key.
std::string systemName(CrystalSystem system) {
    return system == CrystalSystem::none ? "triclinic" : std::string(crystalSystemKey(system));
}

CrystalSystem systemNamed(const py::object& given) {
    if (given.is_none()) return CrystalSystem::none;
    const std::string name = py::isinstance<py::str>(given) ? given.cast<std::string>() : std::string();
    for (const CrystalSystem system : kSystems)
        if (name == systemName(system)) return system;
    std::string known;
    for (const CrystalSystem system : kSystems) known += (known.empty() ? "" : ", ") + systemName(system);
    throw InputProblem("system: " + py::repr(given).cast<std::string>() + " is not one of " + known + " or None");
}

// The items of a sequence (a list, a tuple, a NumPy array's rows), or InputProblem.
std::vector<py::object> itemsOf(const py::object& given, const std::string& what) {
    if (py::isinstance<py::str>(given) || py::isinstance<py::bytes>(given) || !py::hasattr(given, "__len__") ||
        !py::hasattr(given, "__getitem__"))
        throw InputProblem(what + ": " + py::repr(given).cast<std::string>() + " is not a sequence");
    std::vector<py::object> items;
    for (py::handle item : given) items.push_back(py::reinterpret_borrow<py::object>(item));
    return items;
}

float valueOf(py::handle item, const std::string& where) {
    std::string text;
    const std::optional<float> value = dataFileFloat(item, text);
    if (!value) throw InputProblem(where + ": " + text + " is not a number");
    return *value;
}

std::vector<float> numbersOf(const py::object& given, const std::string& what, std::size_t count) {
    const std::vector<py::object> items = itemsOf(given, what);
    if (items.size() != count)
        throw InputProblem(what + ": " + std::to_string(items.size()) + " values for " + std::to_string(count) +
                           " values of x");
    std::vector<float> values;
    for (std::size_t k = 0; k < items.size(); ++k) values.push_back(valueOf(items[k], what + "[" + std::to_string(k) + "]"));
    return values;
}

std::vector<std::array<float, 6>> cellsOf(const py::object& given, const std::string& what, std::size_t count) {
    const std::vector<py::object> rows = itemsOf(given, what);
    if (rows.size() != count)
        throw InputProblem(what + ": " + std::to_string(rows.size()) + " rows for " + std::to_string(count) +
                           " values of x");
    std::vector<std::array<float, 6>> cells;
    for (std::size_t n = 0; n < rows.size(); ++n) {
        const std::string row = what + "[" + std::to_string(n) + "]";
        const std::vector<py::object> items = itemsOf(rows[n], row);
        if (items.size() != 6)
            throw InputProblem(row + ": " + std::to_string(items.size()) +
                               " values; a cell has 6 (a, b, c, alpha, beta, gamma)");
        std::array<float, 6>& cell = cells.emplace_back();
        for (std::size_t k = 0; k < 6; ++k) cell[k] = valueOf(items[k], row + "[" + std::to_string(k) + "]");
    }
    return cells;
}

// A unit as a UNITS line gives it: a known spelling in its canonical form, another word as given.
std::string unitOf(const py::handle given, bool pressure) {
    if (given.is_none()) return {};
    if (!py::isinstance<py::str>(given))
        throw InputProblem("units: " + py::repr(given).cast<std::string>() + " is not a unit's name");
    const std::string word = given.cast<std::string>();
    const std::optional<std::string> known = pressure ? pressureUnitNamed(word) : temperatureUnitNamed(word);
    return known ? *known : word;
}

void setUnits(Series& series, const py::object& units) {
    if (units.is_none()) return;
    if (py::isinstance<py::dict>(units)) {
        for (const auto& [key, value] : units.cast<py::dict>()) {
            const std::string name = py::isinstance<py::str>(key) ? key.cast<std::string>() : std::string();
            if (name != "T" && name != "P")
                throw InputProblem("units: " + py::repr(key).cast<std::string>() + " is neither \"T\" nor \"P\"");
            (name == "T" ? series.temperatureUnit : series.pressureUnit) = unitOf(value, name == "P");
        }
        return;
    }
    (series.pressureRun ? series.pressureUnit : series.temperatureUnit) = unitOf(units, series.pressureRun);
}

}  // namespace

std::shared_ptr<const SeriesSource> seriesFromArrays(const SeriesArrays& arrays) {
    if (arrays.variable != "temperature" && arrays.variable != "pressure")
        throw InputProblem("variable: \"" + arrays.variable + "\" is not one of temperature, pressure");
    auto source = std::make_shared<SeriesSource>();
    Series& series = source->series;
    series.title = arrays.title;
    series.pressureRun = arrays.variable == "pressure";
    series.crystalSystem = systemNamed(arrays.system);
    setUnits(series, arrays.units);

    const std::vector<float> x = numbersOf(arrays.x, "x", itemsOf(arrays.x, "x").size());
    const std::size_t count = x.size();
    const std::vector<std::array<float, 6>> cells = cellsOf(arrays.cells, "cells", count);
    const std::vector<std::array<float, 6>> cellEsds =
        arrays.cellEsds.is_none() ? std::vector<std::array<float, 6>>(count) : cellsOf(arrays.cellEsds, "cell_esds", count);
    const std::vector<float> xEsds =
        arrays.xEsds.is_none() ? std::vector<float>(count, 0.0f) : numbersOf(arrays.xEsds, "x_esds", count);

    for (std::size_t n = 0; n < count; ++n) {
        DataPoint point;
        (series.pressureRun ? point.p : point.t) = x[n];
        (series.pressureRun ? point.sigP : point.sigT) = xEsds[n];
        for (int k = 0; k < 6; ++k) {
            point.cell[k] = cells[n][static_cast<std::size_t>(k)];
            point.cell.esd[k] = cellEsds[n][static_cast<std::size_t>(k)];
        }
        applyCrystalSystem(point, series.crystalSystem);
        // The reader's check of each point as it is read.
        if (!isValidCell(point)) {
            const int number = static_cast<int>(n + 1);
            throw InputProblem(status::invalidCell(number) + ": data point " + std::to_string(number) +
                               " cannot form a unit cell");
        }
        series.points.push_back(point);
    }
    source->inputName = "the series";
    return source;
}
