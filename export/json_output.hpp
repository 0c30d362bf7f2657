#pragma once
// The run as one JSON document: the options, the data points and every calculation's numbers,
// written as each calculation comes, so that no run is held in memory; then the fits over the
// series.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "export/replaced_file.hpp"
#include "output/spill_buffer.hpp"
#include "output/run_output.hpp"

class JsonOutput : public RunOutput {
public:
    explicit JsonOutput(std::filesystem::path path) : path_(std::move(path)) {}
    // The same document, handed to `sink` in pieces as it is made instead of written to a file
    // (for callers that keep it in memory); such an output never fails.
    explicit JsonOutput(std::function<void(std::string_view)> sink) : sink_(std::move(sink)) {}

    bool begin(const RunHeader& header) override;
    void calculation(const PairResult& r) override;
    std::unique_ptr<FitsFormatter> fitsFormatter() const override;
    void formattedFits(std::unique_ptr<SpillBuffer> text) override { fitsMembers_ = std::move(text); }
    bool end() override;
    // Why the file could not be written, naming it; empty when it could.
    const std::string& failure() const { return failure_.empty() ? file_.failure() : failure_; }

private:
    void put(std::string_view text);

    std::filesystem::path path_;
    std::function<void(std::string_view)> sink_;
    ReplacedFile file_;
    bool firstCalculation_ = true;
    std::string text_;  // a calculation's text, its room kept from one to the next
    // The fits' members, made beside the calculations and written after them in end().
    std::unique_ptr<SpillBuffer> fitsMembers_;
    std::string failure_;
};
