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
    // One figure at a time: made, its table written as it is made, drawn, and let go before the
    // next is made, so that a long series holds one figure and a piece of its table.
    std::string failure;
    const auto written = [&](NamedFigure&& f) {
        if (f.csv.empty()) {
            const bool tabled = set.open(folder / (name + "_" + f.stem + ".csv")) &&
                                writeFigureCsv(f.figure, [&](std::string_view piece) { return set.append(piece); }) &&
                                set.close();
            if (!tabled) {
                failure = set.failure();
                return false;
            }
        }
        PlotSet one;
        one.figures.push_back(std::move(f));
        failure = writePlotFilesWithModule(one, name, sink);
        return failure.empty();
    };
    if (!forEachFigure(record, written)) return failure + std::string(kNoneReplaced);
    if (!record.rows().empty()) {
        PlotSet surface;
        surface.surface = surfaceFigure(record, surfaceK == 0 ? defaultSurfaceCalculation(record) : surfaceK);
        if (failure = writePlotFilesWithModule(surface, name, sink); !failure.empty())
            return failure + std::string(kNoneReplaced);
    }
    // Two runs putting their sets in place at once could leave a mix of both.
    FolderLock lock;
    lock.take(folder);
    if (!set.commit()) return set.failure() + std::string(kNoneReplaced);
    return {};
}
