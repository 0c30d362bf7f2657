#include "plots/data/plot_writer_client.hpp"

#include <dlfcn.h>

#include <system_error>

std::vector<std::filesystem::path> plotWriterCandidates() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    const std::filesystem::path folder = self.parent_path();
    return {folder.parent_path() / "lib" / "tenzio" / kPlotWriterFile, folder / kPlotWriterFile};
}

std::vector<std::string> plotFileNames(const std::string& name) {
    std::vector<std::string> names;
    // The pressure figures (F-f, compressibility, the K0-K' ellipse) only for a pressure series, V(T)
    // only with V(T) fits, but named for any:
    // the series is not yet read when the names are checked.
    for (const char* plot : {"_coefficients", "_strains", "_cell", "_ff", "_compressibility", "_ellipse", "_thermal"})
        for (const char* suffix : {".svg", ".png", ".csv"}) names.push_back(name + plot + suffix);
    for (const char* suffix : {".svg", ".png"}) names.push_back(name + "_surface" + suffix);
    return names;
}

std::string writePlotFilesWithModule(const PlotSet& plots, const std::string& name, const PlotFileSink& sink) {
    std::error_code ec;
    std::string looked;
    void* module = nullptr;
    for (const std::filesystem::path& candidate : plotWriterCandidates()) {
        if (!std::filesystem::exists(candidate, ec)) {
            looked += (looked.empty() ? "" : ", ") + candidate.string();
            continue;
        }
        module = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) return "cannot load the plot writer " + candidate.string() + ": " + dlerror();
        break;
    }
    if (!module) return "the plot writer " + std::string(kPlotWriterFile) + " is missing (looked for " + looked + ")";
    // The module stays loaded: Qt does not support being unloaded from a running process.
    const auto entry = reinterpret_cast<PlotWriterEntry>(dlsym(module, kPlotWriterEntry));
    if (!entry) return "the plot writer has no entry point " + std::string(kPlotWriterEntry);

    std::string message;
    PlotFilesRequest request;
    request.plots = &plots;
    request.name = name;
    request.sink = &sink;
    request.message = &message;
    const int result = entry(&request);
    if (result == 2) return "the plot writer belongs to another version of the program";
    if (result != 0) return message.empty() ? "the plots could not be written" : message;
    return {};
}
