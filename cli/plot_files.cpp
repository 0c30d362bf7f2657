#include "cli/plot_files.hpp"

#include <string_view>
#include <system_error>

#include "export/replaced_file_set.hpp"
#include "plots/data/figures.hpp"
#include "plots/data/plot_csv.hpp"
#include "plots/data/plot_writer_client.hpp"
#include "run/run_lock.hpp"

namespace {

constexpr std::string_view kNoneReplaced = "; no plot file was replaced";

}  // namespace

std::string writePlotSet(const PlotRecorder& record, std::size_t surfaceK, const std::filesystem::path& folder,
                         const std::string& name) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec || !std::filesystem::is_directory(folder, ec))
        return "cannot create the plot folder " + folder.string() + (ec ? ": " + ec.message() : "");

    // Each file is written beside its target as soon as it is drawn; none is in place yet.
    ReplacedFileSet set;
    const PlotFileSink sink = [&](const std::string& file, std::string_view bytes, std::string& error) {
        if (set.write(folder / file, bytes)) return true;
        error = set.failure();
        return false;
    };
    // The figures' tables one at a time, each written and let go before the next is made.
    const PlotSet plots = plotSet(record, surfaceK, false);
    std::string failure;
    for (const NamedFigure& f : plots.figures)
        if (f.csv.empty() && !sink(name + "_" + f.stem + ".csv", figureCsv(f.figure), failure))
            return failure + std::string(kNoneReplaced);
    if (failure = writePlotFilesWithModule(plots, name, sink); !failure.empty()) return failure + std::string(kNoneReplaced);
    // Two runs putting their sets in place at once could leave a mix of both.
    FolderLock lock;
    lock.take(folder);
    if (!set.commit()) return set.failure() + std::string(kNoneReplaced);
    return {};
}
