#include "cli/batch_options.hpp"

#include <iostream>
#include <map>

#include "cli/eos_options.hpp"
#include "cli/option_values.hpp"
#include "tenzio_version.hpp"

namespace {

const std::map<std::string, StrainType> kStrainTypes = {
    {"finite-eulerian", StrainType::finiteEulerian},
    {"infinitesimal-eulerian", StrainType::infinitesimalEulerian},
    {"finite-lagrangian", StrainType::finiteLagrangian},
    {"infinitesimal-lagrangian", StrainType::infinitesimalLagrangian}};

}  // namespace

void declareBatchOptions(CLI::App& app, BatchCommand& command) {
    app.description(
        "Tenzio " TENZIO_VERSION " batch run: strain, thermal-expansion or compressibility tensors from a series of unit cells.\n"
        "Reads INPUT, appends the report to the print file (created when missing, never truncated) and\n"
        "appends to the result files NAME_strain.cal, NAME_tensor.cal and, for no crystal system or a\n"
        "monoclinic one, NAME_prin.cal, in the print file's folder (NAME: the print file's name up to its\n"
        "first \".\"). --json and --csv write the run's numbers as data (each file replaced whole); --fits\n"
        "writes the fits over the series (linear coefficients, the tensor as a polynomial in T or P,\n"
        "equations of state) as a readable report; the JSON holds them too. Any of --print, --json, --csv\n"
        "and --fits may be given alone. --plots DIR also writes the plots as SVG and PNG, with CSV.\n"
        "INPUT is one keyword data file, or one or more CIF files read as one series (a point per data\n"
        "block with a cell, in the order given). --data-out writes the series as a keyword data file;\n"
        "alone, it converts without a run.\n"
        "Status messages go to standard error.\n"
        "Exit status: 0 after a completed run, 1 after a read error or any other failure, 2 on a usage error.");
    app.name("tenzio-batch");
    app.set_version_flag("--version", "tenzio-batch " TENZIO_VERSION);

    RunState state;  // the fit options are read straight into it
    app.add_option("INPUT", command.input.files, "Input data file (keyword header, then the cells), or CIF files; - is the standard input")->required();
    command.printOption = app.add_option("--print", command.printFile, "Print file that receives the report; it is appended to");
    command.jsonOption = app.add_option("--json", command.jsonFile, "Write the run's numbers as one JSON document to this file (- the standard output)");
    command.csvOption = app.add_option("--csv", command.csvFile, "Write one CSV row per calculation to this file (- the standard output)");
    app.add_option("--axes", command.axes,
                   "Cartesian axial set: 1 X//a*, Z//c (default); 2 Y//b, Z//c*; 3 X//a*, Y//b")
        ->transform(wholeNumberFrom(1, 3));
    app.add_option("--strain", command.strain,
                   "Strain measure: finite-eulerian (default), infinitesimal-eulerian, finite-lagrangian,\n"
                   "infinitesimal-lagrangian")
        ->check(CLI::IsMember(kStrainTypes));
    app.add_flag("--against-first", command.againstFirst,
                 "Compare every cell with the first one instead of each cell with the one before it");
    app.add_flag("--sort", command.input.sort, "Order the data points by T (or P, for a pressure series), ascending");
    command.dataOutOption =
        app.add_option("--data-out", command.input.dataOut, "Write the series as a keyword data file (replaced whole; - the standard output)");

    // Fits over the whole series: for --fits and the JSON.
    command.fitsOption = app.add_option("--fits", command.fitsFile, "Write the fits over the series as a readable report to this file");
    app.add_option("--fit-order", command.fitOptions.order,
                   "Order of the polynomial in T or P of each strain component, 1 to 4 (default 1 for\n"
                   "temperature, 2 for pressure; never above the number of points less 2)")
        ->transform(wholeNumberFrom(1, 4));
    app.add_option("--at", command.atValues,
                   "Also give the fitted tensor at these T or P, e.g. --at 150,300 (finite numbers; a value\n"
                   "outside the measured range is marked as extrapolated)")
        ->type_name("X")
        ->delimiter(',')
        ->transform(finiteValue());
    app.add_option("--eos", command.eosNames,
                   "Equations of state to fit for a pressure series, e.g. --eos BM3,Vinet3 (any case; default\n"
                   "BM2,BM3,Vinet3): " + knownEosModelList())
        ->delimiter(',')
        ->transform(eosModelChoice());
    app.add_flag("--no-fits", command.noFits, "No fits over the series for --json and --plots (the JSON's \"fits\" is null)")
        ->excludes(command.fitsOption);
    app.add_option("--weights", command.weights,
                   "Weights of the fits: esd (default: 1/sigma^2 from the esds) or none (every point weight 1)")
        ->check(CLI::IsMember({"esd", "none"}));

    // Equations of state in T and in P and T.
    app.add_option("--thermal", command.thermalNames,
                   "V(T) models fitted to a temperature series, for V and each free edge, e.g. --thermal berman,fei\n"
                   "(the default for a series of volumes; for a series of cells only when given): berman, fei")
        ->delimiter(',')
        ->transform(thermalModelChoice());
    app.add_option("--pvt", command.pvtNames,
                   "P-V-T models fitted where both P and T vary (default bm3-berman): an equation of state and a\n"
                   "coupling, e.g. bm3-berman,vinet3-fei,bm3-hp,bm3-mgd (none: no P-V-T fits); couplings: " + knownCouplingList())
        ->delimiter(',')
        ->transform(pvtModelChoice());
    command.trefOption = app.add_option("--tref", command.trefText, "Reference temperature of the V(T) and P-V-T fits, in the series' unit of T (default 298.15 K)")
        ->transform(finiteValue());
    app.add_option("--at-pt", command.atPtValues, "Also give V, K, K' and alpha of each P-V-T model at these P:T, e.g. --at-pt 5:300,10:1000")
        ->delimiter(',')
        ->transform(pressureTemperaturePair());
    app.add_option("--fix", command.fixValues,
                   "Hold parameters at a value in every model that has them (the equations of state of the volume, the\n"
                   "V(T) and the P-V-T models), e.g. --fix Kp=4,dKdT=-0.02: " + fixableParameterList())
        ->delimiter(',')
        ->transform(fixedParameter());
    command.pcOption = app.add_option("--pc", command.pc, "Fit P - Pc in place of P in every equation of state (V0 is then the volume at Pc)")
        ->transform(finiteValue());
    command.atomsOption = app.add_option("--atoms", command.atoms, "Atoms in the volume V (the cell), for the Debye term of the -mgd models")
        ->transform(positiveValue());
    app.add_flag("--diagnostics", command.diagnostics,
                 "AICc and confidence ellipses of every equation of state in the JSON (always there for a series of\n"
                 "volumes or a P-V-T series), and an F-test of each order against the next lower one");

    // Plots: only these options and the block after the run; Qt is loaded only when asked for.
    command.plotsOption = app.add_option("--plots", command.plotFolder,
                                       "Write NAME_coefficients, NAME_strains, NAME_cell (and for a pressure series\n"
                                       "NAME_ff, NAME_compressibility, NAME_ellipse; with V(T) fits NAME_thermal) as\n"
                                       ".svg, .png and .csv, and NAME_surface as .svg and .png, into this folder\n"
                                       "(created when missing); NAME as for the result files, from the data file's\n"
                                       "name when there is no print file");
    command.surfaceOption = app.add_option("--surface", command.surfaceCalculation,
                   "The calculation whose representation surface --plots draws (default: the last whose tensor is defined)")
        ->transform(wholeNumber())
        ->needs(command.plotsOption);

    // Many series: each input a series of its own, one JSON line each; the files of one series
    // and its sorting have no place there.
    command.eachOption = app.add_flag("--each", command.eachSeries,
                                    "Run every INPUT as a series of its own (a keyword data file, or a CIF file as a\n"
                                    "series of its blocks) and write one JSON line per series, in the order of the\n"
                                    "inputs: {\"input\", \"status\": \"ok\", ...the --json document} or {\"input\",\n"
                                    "\"status\": \"error\", \"error\"}; a series that fails does not stop the others");
    for (CLI::Option* perSeries : {command.printOption, command.jsonOption, command.csvOption, command.fitsOption, command.plotsOption, command.dataOutOption,
                                   app.get_option("--sort")})
        command.eachOption->excludes(perSeries);
    app.add_option("--jsonl", command.each.jsonl, "With --each: write the lines to this file (replaced whole; default and -: the\n"
                                          "standard output)")
        ->needs(command.eachOption);
    app.add_option("--jobs", command.jobs, "With --each: series run at once (default: every CPU)")
        ->transform(wholeNumberFrom(1, 4096))
        ->needs(command.eachOption);
}

std::optional<int> parseBatchCommand(CLI::App& app, const BatchCommand& command, int argc, char** argv) {
    try {
        app.parse(argc, argv);
        if (!command.eachRun() && !command.runFollows() && command.dataOutOption->count() == 0)
            throw CLI::RequiredError("--print, --json, --csv, --fits, --plots or --data-out");
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : 2;
    }
    return std::nullopt;
}

void applyBatchCommand(const BatchCommand& command, RunState& state) {
    state.statusSink = [](std::string_view text) { std::cerr << text << '\n'; };
    state.detailSink = [](std::string_view text) { std::cerr << "tenzio-batch: " << text << '\n'; };
    state.options.axisConvention = static_cast<AxialSet>(command.axes);
    state.options.strainType = kStrainTypes.at(command.strain);
    state.options.incremental = !command.againstFirst;
    state.fitOptions = command.fitOptions;
    if (!command.eosNames.empty()) state.fitOptions.eosModels = eosModelsNamed(command.eosNames);
    for (const std::string& value : command.atValues) state.fitOptions.at.push_back(finiteValueOf(value));
    state.fitOptions.weights = command.weights == "none" ? FitWeights::none : FitWeights::esd;
    // The axes carry the numbers the report gives them at the calculation the surface shows.
    state.fitOptions.namedCalculation = command.surfaceCalculation;
    state.fitOptions.fits = !command.noFits;
    StateFitOptions& states = state.fitOptions.states;
    if (!command.thermalNames.empty()) states.thermalModels = thermalModelsNamed(command.thermalNames);
    if (!command.pvtNames.empty()) states.pvtModels = pvtModelsNamed(command.pvtNames);  // "none": no P-V-T fits
    if (command.trefOption->count()) states.tref = finiteValueOf(command.trefText);
    for (const std::string& value : command.atPtValues) states.atPT.push_back(pressureTemperatureOf(value));
    for (const std::string& value : command.fixValues)
        states.fixed.insert_or_assign(fixedParameterOf(value).first, fixedParameterOf(value).second);
    if (command.pcOption->count()) states.pc = command.pc;
    if (command.atomsOption->count()) states.atoms = command.atoms;
    states.diagnostics = command.diagnostics;
}
