#pragma once
// What every output of a run receives: the run's header data once, then each calculation's
// record in order, then the fits over the whole series (to the outputs that show them), then the
// end. Outputs only format; they compute nothing.
#include <memory>
#include <string>

#include "calc/options.hpp"
#include "calc/pair_result.hpp"
#include "calc/series.hpp"
#include "fit/fit_result.hpp"
#include "output/spill_buffer.hpp"

struct RunHeader {
    const Series& series;  // stays, unchanged, until the outputs' end()
    RunOptions options;
    std::string inputName;  // without folder, as the reports show it
    std::string inputPath;  // as the user gave it
    std::string dateTime;   // the 24-character local date and time of the run
};

// How an output writes the fits, made by the output from copies of what it needs (units, a
// folder): it is given the fits alone and hands back their text. The run uses it on the thread
// that computed the fits, beside the calculations, so that formatting them is off the
// calculations' path; holding nothing of its output, it cannot touch what calculation() touches.
class FitsFormatter {
public:
    virtual ~FitsFormatter() = default;
    virtual std::unique_ptr<SpillBuffer> format(const FitResult& result) const = 0;
};

class RunOutput {
public:
    virtual ~RunOutput() = default;
    // Opens and writes the output's heading; false when it cannot (the run then goes on
    // without this output and ends as a failure).
    virtual bool begin(const RunHeader& header) = 0;
    virtual void calculation(const PairResult& result) = 0;
    // How this output writes the fits, asked once after begin(); none when it writes none. The run
    // computes the fits only when some output formats or keeps them (wantsFits).
    virtual std::unique_ptr<FitsFormatter> fitsFormatter() const { return nullptr; }
    // The text fitsFormatter() made, on the run's own thread, after the last calculation and
    // before end().
    virtual void formattedFits(std::unique_ptr<SpillBuffer> /*text*/) {}
    // Whether this output keeps the fits themselves (to draw them at its end). They come in fits(),
    // on the run's own thread after the last calculation and before end(). With fewer than three
    // points the result is not ok and says why.
    virtual bool wantsFits() const { return false; }
    virtual void fits(const FitResult& /*result*/) {}
    // Pushes everything out; false when any write of this output failed.
    virtual bool end() = 0;
};
