#pragma once
// --data-out beside a run: the series the run works on, written as a keyword data file once the
// run starts writing and put in place when it ends, so that a run that fails before its first
// record leaves no such file either.
#include <filesystem>
#include <string>
#include <vector>

#include "export/replaced_file.hpp"
#include "output/run_output.hpp"

class DataFileOutput : public RunOutput {
public:
    DataFileOutput(std::filesystem::path path, std::vector<std::string> comments)
        : path_(std::move(path)), comments_(std::move(comments)) {}

    bool begin(const RunHeader& header) override;
    void calculation(const PairResult&) override {}
    bool end() override { return file_.commit(); }
    const std::string& failure() const { return file_.failure(); }

private:
    std::filesystem::path path_;
    std::vector<std::string> comments_;
    ReplacedFile file_;
};
