// The tenzio Python module: series read as tenzio-batch reads them (or made from arrays), run by
// the same driver, each run's --json document returned as a dict. Many series run on threads of
// their own with the interpreter's lock released; nothing is printed, bad input raises
// tenzio.InputError with the batch's message.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <memory>
#include <string>
#include <vector>

#include "python/document_object.hpp"
#include "python/input_problem.hpp"
#include "python/run_keywords.hpp"
#include "python/series_arrays.hpp"
#include "run/many_series.hpp"
#include "tenzio_version.hpp"

namespace py = pybind11;

namespace {

// A series for Python: read once, never changed, shared by every run of it (on any thread).
struct PySeries {
    std::shared_ptr<const SeriesSource> source;
    bool fromFile = false;
};

std::vector<std::filesystem::path> pathsOf(const py::object& given) {
    const py::module_ os = py::module_::import("os");
    std::vector<std::filesystem::path> paths;
    const auto add = [&](const py::handle item) {
        try {
            // The name's bytes, as the system takes it, whatever its encoding.
            paths.emplace_back(os.attr("fsencode")(item).cast<std::string>());
        } catch (const py::error_already_set&) {
            throw InputProblem("read: " + py::repr(item).cast<std::string>() + " is not a path");
        }
    };
    if (py::isinstance<py::str>(given) || py::isinstance<py::bytes>(given) || py::hasattr(given, "__fspath__")) {
        add(given);
    } else if (py::hasattr(given, "__iter__")) {
        for (py::handle item : given) add(item);
        if (paths.empty()) throw InputProblem("read: no file given");
    } else {
        add(given);
    }
    return paths;
}

PySeries readSeries(const py::object& given) {
    const std::vector<std::filesystem::path> paths = pathsOf(given);
    SeriesReading reading;
    {
        py::gil_scoped_release unlocked;
        reading = readSeriesFiles(paths);
    }
    if (!reading.source) throw InputProblem(reading.error);
    return {std::move(reading.source), true};
}

// The interpreter's cycle collector held off while a document's thousands of lists and dicts are
// made, none of them part of a cycle: otherwise it walks every container the caller keeps, again
// and again, which with a few hundred documents kept took twice as long as the making.
class CollectorPaused {
public:
    CollectorPaused() : gc_(py::module_::import("gc")), wasEnabled_(gc_.attr("isenabled")().cast<bool>()) {
        if (wasEnabled_) gc_.attr("disable")();
    }
    ~CollectorPaused() {
        if (wasEnabled_) gc_.attr("enable")();
    }
    CollectorPaused(const CollectorPaused&) = delete;
    CollectorPaused& operator=(const CollectorPaused&) = delete;

private:
    py::module_ gc_;
    bool wasEnabled_;
};

// The document as the dict json.loads makes of the --json file; a series made from arrays has
// no file, and its "input" is None.
py::object documentDict(const PySeries& series, const std::string& json) {
    const CollectorPaused paused;
    py::object document = documentObject(json);
    if (!series.fromFile) document["input"] = py::none();
    return document;
}

py::object runOne(const PySeries& series, const RunKeywords& keywords) {
    // The fits on this thread after the calculations: a caller runs series one after another (or
    // on threads of its own), and a thread per call, placed on another CPU, cost more than it
    // overlapped with 20-point series and waited for that CPU on a busy machine.
    const SeriesRunOptions options = seriesRunOptions(keywords);
    SeriesDocument document;
    {
        py::gil_scoped_release unlocked;
        document = runSeriesDocument(*series.source, options);
    }
    if (!document.ok) throw InputProblem(document.error);
    return documentDict(series, document.json);
}

py::list runMany(const py::iterable& given, const py::object& workers, const RunKeywords& keywords) {
    std::vector<PySeries> series;
    for (py::handle item : given) {
        if (!py::isinstance<PySeries>(item))
            throw InputProblem("run_many: " + py::repr(item).cast<std::string>() + " is not a tenzio.Series");
        series.push_back(item.cast<PySeries>());
    }
    unsigned threads = 0;
    if (workers.is_none()) {
        threads = availableCpus();
    } else if (py::isinstance<py::int_>(workers) && !py::isinstance<py::bool_>(workers) && workers.cast<long long>() >= 1) {
        threads = static_cast<unsigned>(std::min(workers.cast<long long>(), 4096LL));
    } else {
        throw InputProblem("workers: " + py::repr(workers).cast<std::string>() + " is not a whole number from 1");
    }
    const SeriesRunOptions options = seriesRunOptions(keywords);
    std::vector<SeriesDocument> documents(series.size());
    {
        py::gil_scoped_release unlocked;
        runSeriesInOrder(
            series.size(), threads, [&](std::size_t k) { return runSeriesDocument(*series[k].source, options); },
            [&](std::size_t k, SeriesDocument&& document) { documents[k] = std::move(document); });
    }
    py::list results;
    const CollectorPaused paused;  // once for the whole list rather than once a document
    for (std::size_t k = 0; k < documents.size(); ++k) {
        if (!documents[k].ok) throw InputProblem("series " + std::to_string(k) + ": " + documents[k].error);
        results.append(documentDict(series[k], documents[k].json));
        documents[k] = {};
    }
    return results;
}

std::string variableName(const Series& series) { return series.pressureRun ? "pressure" : "temperature"; }

}  // namespace

PYBIND11_MODULE(tenzio, m) {
    m.doc() = "Strain, thermal-expansion and compressibility tensors from a series of unit cells (Tenzio).";
    m.attr("__version__") = TENZIO_VERSION;
    py::register_exception<InputProblem>(m, "InputError", PyExc_ValueError).doc() =
        "Input that cannot be used; the message is tenzio-batch's for the same input.";

    py::class_<PySeries>(m, "Series", "A series of unit cells at temperatures or pressures, as a run reads it.")
        .def_static(
            "from_arrays",
            [](py::object x, py::object cells, py::object cellEsds, py::object xEsds, std::string variable,
               py::object system, std::string title, py::object units) {
                return PySeries{seriesFromArrays({std::move(x), std::move(cells), std::move(cellEsds), std::move(xEsds),
                                                  std::move(variable), std::move(system), std::move(title),
                                                  std::move(units)}),
                                false};
            },
            py::arg("x"), py::arg("cells"), py::arg("cell_esds") = py::none(), py::arg("x_esds") = py::none(),
            py::arg("variable") = "temperature", py::arg("system") = py::none(), py::arg("title") = "",
            py::arg("units") = py::none(),
            "A series from x (n numbers: T or P), cells (n rows of a, b, c, alpha, beta, gamma) and their esds,\n"
            "with the constraints and checks of a data file's series. system: triclinic, monoclinic,\n"
            "orthorhombic, tetragonal, trigonal, hexagonal, cubic or None (unconstrained); variable:\n"
            "temperature or pressure; units: the unit of x, or {\"T\": ..., \"P\": ...}.")
        .def_property_readonly("title", [](const PySeries& s) { return s.source->series.title; })
        .def_property_readonly("variable", [](const PySeries& s) { return variableName(s.source->series); })
        .def_property_readonly("crystal_system",
                               [](const PySeries& s) { return std::string(crystalSystemKey(s.source->series.crystalSystem)); })
        .def_property_readonly("input", [](const PySeries& s) -> py::object {
            return s.fromFile ? py::object(py::str(s.source->inputPath)) : py::object(py::none());
        })
        .def_property_readonly("warnings", [](const PySeries& s) { return s.source->warnings; },
                               "What the reader passed over or kept as it was, a line each.")
        .def("__len__", [](const PySeries& s) { return s.source->series.points.size(); })
        .def("__repr__", [](const PySeries& s) {
            return "<tenzio.Series " + py::repr(py::str(s.source->series.title)).cast<std::string>() + ", " +
                   std::to_string(s.source->series.points.size()) + " points, " + variableName(s.source->series) + ">";
        });

    m.def("read", &readSeries, py::arg("path"),
          "The series of a keyword data file, or of one or more CIF files (a list of paths) read as one series,\n"
          "as tenzio-batch reads its INPUT.");

    const auto keywordsOf = [](std::string strain, py::object axes, bool againstFirst, bool fits, py::object fitOrder,
                               py::object at, py::object eos, std::string weights) {
        return RunKeywords{std::move(strain), std::move(axes), againstFirst, fits, std::move(fitOrder),
                           std::move(at),     std::move(eos),  std::move(weights)};
    };
    m.def(
        "run",
        [keywordsOf](const PySeries& series, std::string strain, py::object axes, bool againstFirst, bool fits,
                     py::object fitOrder, py::object at, py::object eos, std::string weights) {
            return runOne(series, keywordsOf(std::move(strain), std::move(axes), againstFirst, fits, std::move(fitOrder),
                                             std::move(at), std::move(eos), std::move(weights)));
        },
        py::arg("series"), py::arg("strain") = "finite-eulerian", py::arg("axes") = 1, py::arg("against_first") = false,
        py::arg("fits") = true, py::arg("fit_order") = py::none(), py::arg("at") = py::none(),
        py::arg("eos") = py::none(), py::arg("weights") = "esd",
        "Runs the series with tenzio-batch's options (the same words and defaults) and gives the dict that\n"
        "json.loads makes of the batch's --json file.");
    m.def(
        "run_many",
        [keywordsOf](const py::iterable& series, py::object workers, std::string strain, py::object axes,
                     bool againstFirst, bool fits, py::object fitOrder, py::object at, py::object eos,
                     std::string weights) {
            return runMany(series, workers,
                           keywordsOf(std::move(strain), std::move(axes), againstFirst, fits, std::move(fitOrder),
                                      std::move(at), std::move(eos), std::move(weights)));
        },
        py::arg("series"), py::arg("workers") = py::none(), py::kw_only(), py::arg("strain") = "finite-eulerian",
        py::arg("axes") = 1, py::arg("against_first") = false, py::arg("fits") = true,
        py::arg("fit_order") = py::none(), py::arg("at") = py::none(), py::arg("eos") = py::none(),
        py::arg("weights") = "esd",
        "tenzio.run over a list of series on `workers` threads (default: every CPU), in the order given.");
}
