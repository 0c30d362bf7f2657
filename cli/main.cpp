// tenzio-batch: one run without the dialog. Reads a data file (or a series of CIF files), appends
// the report to the print file and writes the result files beside it, exactly as the dialog's Run
// does; can also write the run's numbers as JSON and CSV, and the series as a data file.
#include <CLI/CLI.hpp>
#include <malloc.h>

#include <filesystem>
#include <initializer_list>
#include <iostream>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "cli/each_option.hpp"
#include "cli/eos_options.hpp"
#include "cli/input_files.hpp"
#include "cli/option_values.hpp"
#include "cli/output_files.hpp"
#include "cli/plot_files.hpp"
#include "export/csv_output.hpp"
#include "export/fit_report.hpp"
#include "export/json_output.hpp"
#include "plots/data/figures.hpp"
#include "plots/data/plot_labels.hpp"
#include "run/input_choice.hpp"
#include "run/process_data.hpp"
#include "run/run_files.hpp"
#include "run/status_texts.hpp"
#include "tenzio_version.hpp"

namespace {

const std::map<std::string, StrainType> kStrainTypes = {
    {"finite-eulerian", StrainType::finiteEulerian},
    {"infinitesimal-eulerian", StrainType::infinitesimalEulerian},
    {"finite-lagrangian", StrainType::finiteLagrangian},
    {"infinitesimal-lagrangian", StrainType::infinitesimalLagrangian}};

}  // namespace

namespace {

int runBatch(int argc, char** argv) {
    CLI::App app{
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
        "Exit status: 0 after a completed run, 1 after a read error or any other failure, 2 on a usage error.",
        "tenzio-batch"};
    app.set_version_flag("--version", "tenzio-batch " TENZIO_VERSION);

    BatchInput input;
    RunState state;  // the fit options are read straight into it
    std::string printFile;
    std::string jsonFile;
    std::string csvFile;
    int axes = 1;
    std::string strain = "finite-eulerian";
    bool againstFirst = false;
    app.add_option("INPUT", input.files, "Input data file (keyword header, then the cells), or CIF files; - is the standard input")->required();
    auto* printOption = app.add_option("--print", printFile, "Print file that receives the report; it is appended to");
    auto* jsonOption = app.add_option("--json", jsonFile, "Write the run's numbers as one JSON document to this file (- the standard output)");
    auto* csvOption = app.add_option("--csv", csvFile, "Write one CSV row per calculation to this file (- the standard output)");
    app.add_option("--axes", axes,
                   "Cartesian axial set: 1 X//a*, Z//c (default); 2 Y//b, Z//c*; 3 X//a*, Y//b")
        ->transform(wholeNumberFrom(1, 3));
    app.add_option("--strain", strain,
                   "Strain measure: finite-eulerian (default), infinitesimal-eulerian, finite-lagrangian,\n"
                   "infinitesimal-lagrangian")
        ->check(CLI::IsMember(kStrainTypes));
    app.add_flag("--against-first", againstFirst,
                 "Compare every cell with the first one instead of each cell with the one before it");
    app.add_flag("--sort", input.sort, "Order the data points by T (or P, for a pressure series), ascending");
    auto* dataOutOption =
        app.add_option("--data-out", input.dataOut, "Write the series as a keyword data file (replaced whole; - the standard output)");

    // Fits over the whole series: for --fits and the JSON.
    std::string fitsFile;
    std::string weights = "esd";
    std::vector<std::string> eosNames;
    std::vector<std::string> atValues;
    auto* fitsOption = app.add_option("--fits", fitsFile, "Write the fits over the series as a readable report to this file");
    app.add_option("--fit-order", state.fitOptions.order,
                   "Order of the polynomial in T or P of each strain component, 1 to 4 (default 1 for\n"
                   "temperature, 2 for pressure; never above the number of points less 2)")
        ->transform(wholeNumberFrom(1, 4));
    app.add_option("--at", atValues,
                   "Also give the fitted tensor at these T or P, e.g. --at 150,300 (finite numbers; a value\n"
                   "outside the measured range is marked as extrapolated)")
        ->type_name("X")
        ->delimiter(',')
        ->transform(finiteValue());
    app.add_option("--eos", eosNames,
                   "Equations of state to fit for a pressure series, e.g. --eos BM3,Vinet3 (any case; default\n"
                   "BM2,BM3,Vinet3): " + knownEosModelList())
        ->delimiter(',')
        ->transform(eosModelChoice());
    bool noFits = false;
    app.add_flag("--no-fits", noFits, "No fits over the series for --json and --plots (the JSON's \"fits\" is null)")
        ->excludes(fitsOption);
    app.add_option("--weights", weights,
                   "Weights of the fits: esd (default: 1/sigma^2 from the esds) or none (every point weight 1)")
        ->check(CLI::IsMember({"esd", "none"}));

    // Equations of state in T and in P and T.
    std::vector<std::string> thermalNames, pvtNames, atPtValues, fixValues;
    std::string trefText;
    double pc = 0.0, atoms = 0.0;
    app.add_option("--thermal", thermalNames,
                   "V(T) models fitted to a temperature series, for V and each free edge, e.g. --thermal berman,fei\n"
                   "(the default for a series of volumes; for a series of cells only when given): berman, fei")
        ->delimiter(',')
        ->transform(thermalModelChoice());
    app.add_option("--pvt", pvtNames,
                   "P-V-T models fitted where both P and T vary (default bm3-berman): an equation of state and a\n"
                   "coupling, e.g. bm3-berman,vinet3-fei,bm3-hp,bm3-mgd (none: no P-V-T fits); couplings: " + knownCouplingList())
        ->delimiter(',')
        ->transform(pvtModelChoice());
    auto* trefOption = app.add_option("--tref", trefText, "Reference temperature of the V(T) and P-V-T fits, in the series' unit of T (default 298.15 K)")
        ->transform(finiteValue());
    app.add_option("--at-pt", atPtValues, "Also give V, K, K' and alpha of each P-V-T model at these P:T, e.g. --at-pt 5:300,10:1000")
        ->delimiter(',')
        ->transform(pressureTemperaturePair());
    app.add_option("--fix", fixValues,
                   "Hold parameters at a value in every model that has them (the equations of state of the volume, the\n"
                   "V(T) and the P-V-T models), e.g. --fix Kp=4,dKdT=-0.02: " + fixableParameterList())
        ->delimiter(',')
        ->transform(fixedParameter());
    auto* pcOption = app.add_option("--pc", pc, "Fit P - Pc in place of P in every equation of state (V0 is then the volume at Pc)")
        ->transform(finiteValue());
    auto* atomsOption = app.add_option("--atoms", atoms, "Atoms in the volume V (the cell), for the Debye term of the -mgd models")
        ->transform(positiveValue());
    bool diagnostics = false;
    app.add_flag("--diagnostics", diagnostics,
                 "AICc and confidence ellipses of every equation of state in the JSON (always there for a series of\n"
                 "volumes or a P-V-T series), and an F-test of each order against the next lower one");

    // Plots: only these options and the block after the run; Qt is loaded only when asked for.
    std::string plotFolder;
    int surfaceCalculation = 0;
    auto* plotsOption = app.add_option("--plots", plotFolder,
                                       "Write NAME_coefficients, NAME_strains, NAME_cell (and for a pressure series\n"
                                       "NAME_ff, NAME_compressibility, NAME_ellipse; with V(T) fits NAME_thermal) as\n"
                                       ".svg, .png and .csv, and NAME_surface as .svg and .png, into this folder\n"
                                       "(created when missing); NAME as for the result files, from the data file's\n"
                                       "name when there is no print file");
    app.add_option("--surface", surfaceCalculation,
                   "The calculation whose representation surface --plots draws (default: the last whose tensor is defined)")
        ->transform(wholeNumber())
        ->needs(plotsOption);

    // Many series: each input a series of its own, one JSON line each; the files of one series
    // and its sorting have no place there.
    EachRun each;
    std::string jobs;
    bool eachSeries = false;
    auto* eachOption = app.add_flag("--each", eachSeries,
                                    "Run every INPUT as a series of its own (a keyword data file, or a CIF file as a\n"
                                    "series of its blocks) and write one JSON line per series, in the order of the\n"
                                    "inputs: {\"input\", \"status\": \"ok\", ...the --json document} or {\"input\",\n"
                                    "\"status\": \"error\", \"error\"}; a series that fails does not stop the others");
    for (CLI::Option* perSeries : {printOption, jsonOption, csvOption, fitsOption, plotsOption, dataOutOption,
                                   app.get_option("--sort")})
        eachOption->excludes(perSeries);
    app.add_option("--jsonl", each.jsonl, "With --each: write the lines to this file (replaced whole; default and -: the\n"
                                          "standard output)")
        ->needs(eachOption);
    app.add_option("--jobs", jobs, "With --each: series run at once (default: every CPU)")
        ->transform(wholeNumberFrom(1, 4096))
        ->needs(eachOption);

    try {
        app.parse(argc, argv);
        if (eachOption->count() == 0 && printOption->count() + jsonOption->count() + csvOption->count() +
                                                fitsOption->count() + plotsOption->count() + dataOutOption->count() ==
                                            0)
            throw CLI::RequiredError("--print, --json, --csv, --fits, --plots or --data-out");
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : 2;
    }

    state.statusSink = [](std::string_view text) { std::cerr << text << '\n'; };
    state.detailSink = [](std::string_view text) { std::cerr << "tenzio-batch: " << text << '\n'; };
    state.options.axisConvention = static_cast<AxialSet>(axes);
    state.options.strainType = kStrainTypes.at(strain);
    state.options.incremental = !againstFirst;
    if (!eosNames.empty()) state.fitOptions.eosModels = eosModelsNamed(eosNames);
    for (const std::string& value : atValues) state.fitOptions.at.push_back(finiteValueOf(value));
    state.fitOptions.weights = weights == "none" ? FitWeights::none : FitWeights::esd;
    // The axes carry the numbers the report gives them at the calculation the surface shows.
    state.fitOptions.namedCalculation = surfaceCalculation;
    state.fitOptions.fits = !noFits;
    StateFitOptions& states = state.fitOptions.states;
    if (!thermalNames.empty()) states.thermalModels = thermalModelsNamed(thermalNames);
    if (!pvtNames.empty()) states.pvtModels = pvtModelsNamed(pvtNames);  // "none": no P-V-T fits
    if (trefOption->count()) states.tref = finiteValueOf(trefText);
    for (const std::string& value : atPtValues) states.atPT.push_back(pressureTemperatureOf(value));
    for (const std::string& value : fixValues) states.fixed.insert_or_assign(fixedParameterOf(value).first, fixedParameterOf(value).second);
    if (pcOption->count()) states.pc = pc;
    if (atomsOption->count()) states.atoms = atoms;
    states.diagnostics = diagnostics;

    if (eachOption->count() > 0) {
        each.inputs = input.files;
        each.jobs = jobs.empty() ? availableCpus() : static_cast<unsigned>(std::stoi(jobs));
        each.options = {state.options, state.fitOptions};
        return runEach(each, state);
    }

    // Outputs that are one file, or that are inputs, stop the command before any file is opened
    // or created.
    const bool wantPlots = plotsOption->count() > 0;
    const std::vector<std::filesystem::path> inputPaths(input.files.begin(), input.files.end());
    BatchOutputs outputs{printFile, jsonFile, csvFile, fitsFile, input.dataOut, wantPlots ? plotFolder : std::string(), {}};
    outputs.plotName = plotFileStem(printFile.empty() ? cifInputName(inputPaths) : fileNameOf(printFile));
    if (const std::optional<int> refused = refuseUnsafeOutputs(state, outputTargets(outputs), input.files))
        return *refused;
    const bool runFollows =
        printOption->count() + jsonOption->count() + csvOption->count() + fitsOption->count() + plotsOption->count() > 0;
    if (const std::optional<int> ended = prepareInput(state, input, runFollows)) return *ended;
    if (!printFile.empty()) {
        // Opened by the run once the series is read and checked: a run that fails before creates
        // no print file.
        state.deferredPrintFile = printFile;
        state.resultFolder = std::filesystem::path(printFile).parent_path();
    }
    const auto json = jsonFile.empty() ? nullptr : std::make_unique<JsonOutput>(jsonFile);
    const auto csv = csvFile.empty() ? nullptr : std::make_unique<CsvOutput>(csvFile);
    // A series of volumes has no print file: where no output shows the fits, their report goes to
    // the standard output.
    const bool fitsShownElsewhere = !fitsFile.empty() || !jsonFile.empty() || !csvFile.empty() || wantPlots;
    const auto fitReport = !fitsFile.empty()       ? std::make_unique<FitReportOutput>(fitsFile)
                           : !fitsShownElsewhere ? std::make_unique<FitReportOutput>("-", true)
                                                 : nullptr;
    for (RunOutput* output :
         std::initializer_list<RunOutput*>{json.get(), csv.get(), fitReport.get(), input.runDataOut.get()})
        if (output) state.extraOutputs.push_back(output);
    // Why a data output failed: its file and the system's reason.
    const auto showFailures = [&] {
        for (const std::string& failure : {json ? json->failure() : std::string(), csv ? csv->failure() : std::string(),
                                           fitReport ? fitReport->failure() : std::string(),
                                           input.runDataOut ? input.runDataOut->failure() : std::string()})
            if (!failure.empty()) state.detailSink(failure);
    };
    PlotRecorder plots;
    if (wantPlots) state.extraOutputs.push_back(&plots);

    showStatus(state, status::processing);
    const RunOutcome outcome = runSeries(state);
    state.inputFile.reset();
    const bool closed = state.printFile.close();
    if (outcome != RunOutcome::completed) {
        showFailures();
        return 1;
    }
    if (!closed) {
        showStatus(state, status::writeFailed);
        state.detailSink(printFileFailure(state));
        return 1;
    }
    if (wantPlots) {
        // Checked here, where the number of calculations is known (0 is the default: the last defined).
        const bool surfaceGiven = app.count("--surface") > 0;
        if (surfaceGiven &&
            (surfaceCalculation < 1 || static_cast<std::size_t>(surfaceCalculation) > plots.calculations())) {
            std::cerr << "tenzio-batch: no plots written: --surface: a calculation number from 1 to "
                      << plots.calculations() << '\n';
            return 1;
        }
        const std::string error = writePlotSet(plotSet(plots, surfaceCalculation), plotFolder, outputs.plotName);
        if (!error.empty()) {
            std::cerr << "tenzio-batch: no plots written: " << error << '\n';
            return 1;
        }
    }
    showStatus(state, status::finished);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // The fits of a long series work on arrays of megabytes, one after another: mapped, each goes
    // back to the system when freed, rather than staying in the heap as the allocator would
    // otherwise let it once a few have been freed (a tenth of the peak at a million points).
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    // Memory that cannot be had ends the command with a message, never with an abort; files
    // being replaced are removed unfinished as the run unwinds.
    try {
        return runBatch(argc, argv);
    } catch (const std::bad_alloc&) {
        std::cerr << status::notEnoughMemory << "\ntenzio-batch: not enough memory for this run; it stopped\n";
        return 1;
    }
}
