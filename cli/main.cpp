// tenzio-batch: one run without the dialog. Reads a data file, appends the report to the print
// file and writes the result files beside it, exactly as the dialog's Run does.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>

#include "calc/process_data.hpp"
#include "calc/run_files.hpp"
#include "tenzio_version.hpp"

namespace {

const std::map<std::string, int> kStrainTypes = {{"finite-eulerian", 1},
                                                 {"infinitesimal-eulerian", 2},
                                                 {"finite-lagrangian", 3},
                                                 {"infinitesimal-lagrangian", 4}};

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "Tenzio " TENZIO_VERSION " batch run: strain, thermal-expansion or compressibility tensors from a series of unit cells.\n"
        "Reads DATAFILE, appends the report to the print file (created when missing, never truncated) and\n"
        "appends to the result files NAME_strain.cal, NAME_tensor.cal and, for no crystal system or a\n"
        "monoclinic one, NAME_prin.cal, in the print file's folder (NAME: the print file's name up to its\n"
        "first \".\"). Status messages go to standard error.\n"
        "Exit status: 0 after a completed run, 1 after a read error or any other failure, 2 on a usage error.",
        "tenzio-batch"};
    app.set_version_flag("--version", "tenzio-batch " TENZIO_VERSION);

    std::string dataFile;
    std::string printFile;
    int axes = 1;
    std::string strain = "finite-eulerian";
    bool againstFirst = false;
    app.add_option("DATAFILE", dataFile, "Input data file (keyword header, then the cells)")->required();
    app.add_option("--print", printFile, "Print file that receives the report; it is appended to")->required();
    app.add_option("--axes", axes,
                   "Cartesian axial set: 1 X//a*, Z//c (default); 2 Y//b, Z//c*; 3 X//a*, Y//b")
        ->check(CLI::Range(1, 3));
    app.add_option("--strain", strain,
                   "Strain measure: finite-eulerian (default), infinitesimal-eulerian, finite-lagrangian,\n"
                   "infinitesimal-lagrangian")
        ->check(CLI::IsMember(kStrainTypes));
    app.add_flag("--against-first", againstFirst,
                 "Compare every cell with the first one instead of each cell with the one before it");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : 2;
    }

    RunState state;
    state.statusSink = [](std::string_view text) { std::cerr << text << '\n'; };
    state.options.axisConvention = axes;
    state.options.strainType = kStrainTypes.at(strain);
    state.options.incremental = againstFirst ? 0 : 1;

    if (!openInputFile(state, dataFile)) {
        WLINE(state, "ERROR OPENING INPUT DATA FILE");
        return 1;
    }
    if (!openPrintFile(state, printFile)) {
        WLINE(state, "ERROR OPENING PRINT FILE");
        return 1;
    }
    state.resultFolder = std::filesystem::path(printFile).parent_path();

    WLINE(state, "PROCESSING DATA");
    const RunOutcome outcome = PROCESS_DATA(state);
    state.inputFile.reset();
    const bool closed = state.printFile.close() && state.strainCalFile.close() && state.tensorCalFile.close() &&
                        state.prinCalFile.close();
    switch (outcome) {
        case RunOutcome::completed:
            if (!closed) {
                WLINE(state, "ERROR WRITING REPORT OR RESULT FILES");
                return 1;
            }
            WLINE(state, "TENZIO FINISHED SUCCESSFULLY");
            return 0;
        case RunOutcome::onlyOneDatum:
            return 1;
        default:
            return 1;
    }
}
