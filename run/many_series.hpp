#pragma once
// Many series, each its own run of the driver with its JSON document kept in memory: what
// tenzio-batch --each and the Python module share. Every run has a RunState of its own, so runs
// on different threads share nothing they write.
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "calc/options.hpp"
#include "calc/series.hpp"
#include "fit/fit_series.hpp"

// A series as read from its files (or made by a caller), ready for any number of runs.
struct SeriesSource {
    Series series;
    std::string inputPath;  // as given: the document's "input"
    std::string inputName;  // as the reports name the input
    std::vector<std::string> warnings;  // what the reader passed over or kept as it was, a line each
};

// A series read, or why there is none.
struct SeriesReading {
    std::shared_ptr<const SeriesSource> source;  // null on failure
    std::string error;
};

// Reads an input as tenzio-batch reads its INPUT...: one keyword data file, or one or more CIF
// files as one series. The error is the batch's status text and reason on one line
// ("error reading file: x.dat, line 5: \"x\" is not a number").
SeriesReading readSeriesFiles(const std::vector<std::filesystem::path>& files);

struct SeriesRunOptions {
    RunOptions run;
    FitOptions fits;  // its strain measure and axial set are the run's
    // The fits on a thread of their own beside the calculations, as a single run makes them; where
    // series run side by side, a thread per series would cost more than it overlaps.
    bool fitsBeside = false;
};

// One run's --json document, or why the run failed (as readSeriesFiles words it).
struct SeriesDocument {
    bool ok = false;
    std::string json;
    std::string error;
    std::vector<std::string> warnings;  // the reader's, for a series read on the way to its run
};

SeriesDocument runSeriesDocument(const SeriesSource& source, const SeriesRunOptions& options);

// Computes runOne(0), ..., runOne(count - 1) on `workers` threads (1: on the calling thread) and
// hands each result to deliver on the calling thread, in the order of the index, as soon as it and
// every result before it are done. A run that throws gives a failed document with the reason; it
// never stops the others. Results wait for their turn in a window of a few per worker, so that
// memory stays bounded whatever the count.
void runSeriesInOrder(std::size_t count, unsigned workers, const std::function<SeriesDocument(std::size_t)>& runOne,
                      const std::function<void(std::size_t, SeriesDocument&&)>& deliver);

// Every CPU the process may use; at least 1.
unsigned availableCpus();
