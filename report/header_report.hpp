#pragma once
#include "LIBRARIES/records/record_writer.hpp"
#include "output/run_output.hpp"

// The banner and the run line group at the head of every run's report.
void writeHeaderSection(RecordFile& out, const RunHeader& header);
