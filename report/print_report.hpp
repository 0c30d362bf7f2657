#pragma once
// The print file's report of a run: the banner, then for each calculation its orientation, its
// tensors and, where the crystal system has them, its principal axes.
#include "LIBRARIES/records/record_writer.hpp"
#include "output/run_output.hpp"

class PrintReport : public RunOutput {
public:
    // The print file is opened (for appending) by the front end when the user chooses it, and
    // stays its own: the report flushes it but leaves it open.
    explicit PrintReport(RecordFile& printFile) : out_(printFile) {}

    bool begin(const RunHeader& header) override;
    void calculation(const PairResult& r) override;
    bool end() override;

private:
    RecordFile& out_;
    RunOptions options_;
    bool pressureRun_ = false;
};
