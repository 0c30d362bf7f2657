#pragma once
// One CSV row per calculation (RFC 4180, "." decimals, a header row), for spreadsheets and
// data-frame readers: the pair, the change of T or P, both tensors and the principal values.
#include <filesystem>
#include <string>

#include "export/replaced_file.hpp"
#include "output/run_output.hpp"

class CsvOutput : public RunOutput {
public:
    explicit CsvOutput(std::filesystem::path path) : path_(std::move(path)) {}

    bool begin(const RunHeader& header) override;
    void calculation(const PairResult& r) override;
    bool end() override;
    // Why the file could not be written, naming it; empty when it could.
    const std::string& failure() const { return file_.failure(); }

private:
    std::filesystem::path path_;
    ReplacedFile file_;
    std::string row_;
};

// The shortest decimal that reads back to the same float; empty for NaN.
std::string csvNumber(float value);
