#pragma once
// The status-line texts of a run, shared by the dialog and the batch command.
#include <string>
#include <string_view>

namespace status {
inline constexpr std::string_view selectFiles = "SELECT FILES";
inline constexpr std::string_view runProgram = "RUN PROGRAM";
inline constexpr std::string_view processing = "PROCESSING DATA";
inline constexpr std::string_view finished = "TENZIO FINISHED SUCCESSFULLY";
inline constexpr std::string_view inputOpenFailed = "ERROR OPENING INPUT DATA FILE";
inline constexpr std::string_view printOpenFailed = "ERROR OPENING PRINT FILE";
inline constexpr std::string_view printCloseFailed = "ERROR WRITING PRINT FILE";
inline constexpr std::string_view readError = "error reading file";
inline constexpr std::string_view onlyOneDatum = "ONLY ONE DATUM IN INPUT FILE";
inline constexpr std::string_view resultOpenFailed = "ERROR OPENING RESULT FILE";
inline constexpr std::string_view writeFailed = "ERROR WRITING REPORT OR RESULT FILES";
inline std::string invalidCell(int point) { return "INVALID CELL IN DATA POINT " + std::to_string(point); }
}  // namespace status
