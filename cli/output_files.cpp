#include "cli/output_files.hpp"

#include <unistd.h>

#include <iostream>

#include "export/replaced_file.hpp"
#include "plots/data/plot_writer_client.hpp"
#include "report/result_files.hpp"
#include "run/run_files.hpp"
#include "run/status_texts.hpp"

std::vector<OutputTarget> outputTargets(const BatchOutputs& outputs) {
    std::vector<OutputTarget> targets;
    if (!outputs.printFile.empty()) {
        const std::filesystem::path print(outputs.printFile);
        targets.push_back({"--print", print, status::printIsInput});
        for (const std::filesystem::path& result : ResultFileNames(print.parent_path(), fileNameOf(outputs.printFile)).all())
            targets.push_back({"the result file", result, status::resultIsInput});
    }
    if (!outputs.jsonFile.empty()) targets.push_back({"--json", outputs.jsonFile, status::exportIsInput});
    if (!outputs.csvFile.empty()) targets.push_back({"--csv", outputs.csvFile, status::exportIsInput});
    if (!outputs.fitsFile.empty()) targets.push_back({"--fits", outputs.fitsFile, status::exportIsInput});
    if (!outputs.dataOut.empty()) targets.push_back({"--data-out", outputs.dataOut, {}});
    if (!outputs.plotFolder.empty()) {
        for (const std::string& file : plotFileNames(outputs.plotName))
            targets.push_back({"the plot file", std::filesystem::path(outputs.plotFolder) / file, status::plotIsInput});
    }
    return targets;
}

std::optional<int> refuseUnsafeOutputs(RunState& state, const std::vector<OutputTarget>& targets,
                                       const std::vector<std::string>& inputFiles) {
    const auto usageError = [](const std::string& text) {
        std::cerr << "tenzio-batch: " << text << "\nRun with --help for more information.\n";
        return 2;
    };
    if (const auto same = firstSameFile(targets)) {
        return usageError(describeTarget(targets[same->first]) + " and " + describeTarget(targets[same->second]) +
                          " are the same file");
    }
    std::vector<FileIdentity> inputs;
    for (const std::string& file : inputFiles) {
        const auto identity = isStandardStream(file) ? identityOf(STDIN_FILENO) : identityOf(std::filesystem::path(file));
        if (identity) inputs.push_back(*identity);
    }
    // A symbolic link to nothing or a file this process may not write is refused by every output
    // alike, before anything is read or written.
    for (const OutputTarget& target : targets) {
        if (isStandardStream(target.path)) continue;
        if (const std::string reason = unwritableReason(target.path); !reason.empty()) {
            std::cerr << "tenzio-batch: cannot write " << describeTarget(target) << ": " << reason
                      << "; nothing was written\n";
            return 1;
        }
    }
    if (const auto clash = firstTargetOnInput(targets, inputs)) {
        const OutputTarget& target = targets[*clash];
        if (target.inputStatus.empty()) return usageError(describeTarget(target) + " is an input file");
        showStatus(state, target.inputStatus);
        if (state.detailSink) state.detailSink(describeTarget(target) + " is an input file");
        return 1;
    }
    return std::nullopt;
}
