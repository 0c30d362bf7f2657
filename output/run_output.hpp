#pragma once
// What every output of a run receives: the run's header data once, then each calculation's
// record in order, then the fits over the whole series (to the outputs that want them), then the
// end. Outputs only format; they compute nothing.
#include <string>

#include "calc/options.hpp"
#include "calc/pair_result.hpp"
#include "calc/series.hpp"
#include "fit/fit_result.hpp"

struct RunHeader {
    const Series& series;
    RunOptions options;
    std::string inputName;  // without folder, as the reports show it
    std::string inputPath;  // as the user gave it
    std::string dateTime;   // the 24-character local date and time of the run
};

class RunOutput {
public:
    virtual ~RunOutput() = default;
    // Opens and writes the output's heading; false when it cannot (the run then goes on
    // without this output and ends as a failure).
    virtual bool begin(const RunHeader& header) = 0;
    virtual void calculation(const PairResult& result) = 0;
    // Whether this output shows the fits over the series; the run computes them only when some
    // output does.
    virtual bool wantsFits() const { return false; }
    // Once before end(), to the outputs that want fits. With fewer than three points the result is
    // not ok and says why. It may come on the thread that computed the fits, while calculation()
    // runs on the run's own: an output formats the fits here (so that the work is off the run's
    // path) but touches nothing calculation() touches, and writes them out in end().
    virtual void fits(const FitResult& /*result*/) {}
    // Pushes everything out; false when any write of this output failed.
    virtual bool end() = 0;
};
