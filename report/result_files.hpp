#pragma once
// The three result files: names formed from the print file's name, header blocks, data lines.
#include <string>
#include <string_view>

#include "LIBRARIES/math/mat3.hpp"
#include "calc/run_state.hpp"

// The result file's name for a print file name (without folder) and a suffix such as "_strain.cal".
std::string resultFileName(std::string_view printFileName, std::string_view suffix);

// Opens (appending) the strain and property-tensor files, and for no crystal system or a
// monoclinic one the principal-axes file, and writes their header blocks. Stops at the first
// file that cannot be opened and returns false.
bool OPEN_SUBSIDIARY_FILES(RunState& state);

// 5X,F7.2,12F12.8: the midpoint, then 11, 22, 33, 12, 13, 23 each followed by its esd.
void writeTensorLine(RecordFile& file, float midpoint, const Mat3& tensor, const Mat3& esd);
