#include "cli/data_file_output.hpp"

#include "input/data_file_writer.hpp"

bool DataFileOutput::begin(const RunHeader& header) {
    if (!file_.open(path_)) return false;
    file_.write(dataFileText(header.series, comments_));
    return true;
}
