// tenzio-results-screenshot DATAFILE FOLDER: runs the data file as the dialog does (into a
// temporary print file) and saves a picture of each tab of the results window into FOLDER, as
// results-1-coefficients.png ... results-5-report.png, so that a person can look at them.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>

#include "plots/data/plot_collector.hpp"
#include "plots/draw/results_window.hpp"
#include "report/result_files.hpp"
#include "run/process_data.hpp"
#include "run/run_files.hpp"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: tenzio-results-screenshot DATAFILE FOLDER\n", stderr);
        return 2;
    }
    QTemporaryDir work;
    RunState state;
    state.statusSink = [](std::string_view text) {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    };
    const QString print = work.filePath(QStringLiteral("run.prt"));
    if (!work.isValid() || !openInputFile(state, argv[1]) || !openPrintFile(state, print.toStdString())) {
        std::fputs("tenzio-results-screenshot: cannot open the data file or a print file\n", stderr);
        return 1;
    }
    state.resultFolder = work.path().toStdString();
    PlotCollector collector;
    state.extraOutputs.push_back(&collector);
    if (PROCESS_DATA(state) != RunOutcome::completed || !state.printFile.close()) return 1;

    RunFiles files;
    QFile report(print);
    if (report.open(QIODevice::ReadOnly)) files.reportText = QString::fromLatin1(report.readAll());
    files.paths << print;
    for (const std::filesystem::path& result : ResultFileNames(work.path().toStdString(), "run.prt").all()) {
        const QString path = QString::fromStdString(result.string());
        if (QFile::exists(path)) files.paths << path;
    }

    ResultsWindow window(collector, files);
    window.resize(1000, 760);
    window.show();
    const QDir out(QString::fromLocal8Bit(argv[2]));
    if (!QDir().mkpath(out.path())) return 1;
    static const char* const kNames[5] = {"coefficients", "strains", "cell", "surface", "report"};
    bool saved = true;
    for (int tab = 0; tab < window.tabs()->count(); ++tab) {
        window.tabs()->setCurrentIndex(tab);
        for (int k = 0; k < 5; ++k) app.processEvents();
        const QString path =
            out.filePath(QStringLiteral("results-%1-%2.png").arg(tab + 1).arg(QLatin1String(kNames[tab])));
        saved = window.grab().save(path, "PNG") && saved;
        std::printf("%s\n", qPrintable(path));
    }
    return saved ? 0 : 1;
}
