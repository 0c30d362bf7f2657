#pragma once
// The fits over the series as a readable text report (--fits): each fit with its formula, its
// parameters with esds in crystallographers' notation, chi2, n - p and correlations, and tables of
// the tensor fit's principal coefficients against T or P. The file is replaced whole, and only
// when the run completes.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "export/replaced_file.hpp"
#include "output/spill_buffer.hpp"
#include "output/run_output.hpp"

class FitReportOutput : public RunOutput {
public:
    explicit FitReportOutput(std::filesystem::path path) : path_(std::move(path)) {}
    // One that writes only for a series of volumes, which has no print file to show anything
    // else: the report of a run that names no output for the fits.
    FitReportOutput(std::filesystem::path path, bool onlyForVolumes) : path_(std::move(path)), onlyForVolumes_(onlyForVolumes) {}

    bool begin(const RunHeader& header) override;
    void calculation(const PairResult&) override {}
    std::unique_ptr<FitsFormatter> fitsFormatter() const override;
    void formattedFits(std::unique_ptr<SpillBuffer> text) override { text_ = std::move(text); }
    bool end() override;
    // Why the file could not be written: its name and the system's reason; empty when it was.
    const std::string& failure() const { return failure_.empty() ? file_.failure() : failure_; }

private:
    std::filesystem::path path_;
    ReplacedFile file_;
    std::string heading_;
    std::string temperatureUnit_;
    std::string pressureUnit_;
    std::unique_ptr<SpillBuffer> text_;  // the fits, formatted when they come and written in end()
    std::string failure_;
    bool onlyForVolumes_ = false;
    bool idle_ = false;  // writes nothing for this series
};

// The report's text for a series' fits (what FitReportOutput writes after its heading), handed
// to `write` in pieces as it is made; fitReportText gathers it into one string.
void writeFitReport(const FitResult& result, const std::string& unit, const std::function<void(std::string_view)>& write);
std::string fitReportText(const FitResult& result, const std::string& unit);
// The same with the sections of the equations of state in T and in P and T: the whole report
// after its heading, for the series' units of T and P.
std::string fitsReportBody(const FitResult& result, const std::string& temperatureUnit, const std::string& pressureUnit);
void writeFitsReportBody(const FitResult& result, const std::string& temperatureUnit, const std::string& pressureUnit,
                         const std::function<void(std::string_view)>& write);
