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
inline constexpr std::string_view notEnoughMemory = "NOT ENOUGH MEMORY";
inline std::string invalidCell(int point) { return "INVALID CELL IN DATA POINT " + std::to_string(point); }
inline std::string variableOutOfRange(int point) { return "T OR P OUT OF RANGE IN DATA POINT " + std::to_string(point); }
inline std::string esdOutOfRange(int point) { return "ESD OUT OF RANGE IN DATA POINT " + std::to_string(point); }
inline std::string strainNotFinite(int first, int second) {
    return "STRAIN OUT OF RANGE FOR DATA POINTS " + std::to_string(first) + " AND " + std::to_string(second);
}
// A run never writes into a file it reads, nor into files another run is writing.
inline constexpr std::string_view printIsInput = "PRINT FILE IS THE INPUT FILE";
inline constexpr std::string_view resultIsInput = "RESULT FILE IS THE INPUT FILE";
inline constexpr std::string_view exportIsInput = "JSON OR CSV FILE IS THE INPUT FILE";
inline constexpr std::string_view plotIsInput = "PLOT FILE IS THE INPUT FILE";
inline constexpr std::string_view printInUse = "PRINT FILE IN USE BY ANOTHER RUN";
inline constexpr std::string_view resultInUse = "RESULT FILES IN USE BY ANOTHER RUN";
}  // namespace status
