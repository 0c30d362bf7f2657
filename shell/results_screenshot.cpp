// tenzio-results-screenshot [--size WxH|min] [--against-first] FOLDER INPUT...: runs the input
// (a data file, or CIF files) as the dialog does (into a temporary print file) and saves a picture
// of each tab of the results window into FOLDER, as results-1-coefficients.png ...
// results-N-report.png, so that a person can look at them. The window has the default size of
// the results window, or its smallest size with "min".
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>

#include "export/fit_report.hpp"
#include "plots/data/plot_recorder.hpp"
#include "plots/draw/results_window.hpp"
#include "report/result_files.hpp"
#include "run/input_choice.hpp"
#include "run/process_data.hpp"
#include "run/run_files.hpp"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QSize size(900, 680);
    bool smallest = false;
    RunState state;
    int at = 1;
    for (; at < argc && argv[at][0] == '-'; ++at) {
        if (std::strcmp(argv[at], "--against-first") == 0) {
            state.options.incremental = false;
        } else if (std::strcmp(argv[at], "--size") == 0 && at + 1 < argc) {
            ++at;
            int w = 0, h = 0;
            if (std::strcmp(argv[at], "min") == 0) smallest = true;
            else if (std::sscanf(argv[at], "%dx%d", &w, &h) == 2) size = QSize(w, h);
        }
    }
    if (argc - at < 2) {
        std::fputs("usage: tenzio-results-screenshot [--size WxH|min] [--against-first] FOLDER INPUT...\n", stderr);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[at++]));
    std::vector<std::filesystem::path> inputs(argv + at, argv + argc);
    QTemporaryDir work;
    state.statusSink = [](std::string_view text) {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    };
    const QString print = work.filePath(QStringLiteral("run.prt"));
    if (!work.isValid() || !openInputFiles(state, inputs).ok() || !openPrintFile(state, print.toStdString())) {
        std::fputs("tenzio-results-screenshot: cannot open the input or a print file\n", stderr);
        return 1;
    }
    state.resultFolder = work.path().toStdString();
    PlotRecorder collector;
    state.extraOutputs.push_back(&collector);
    if (runSeries(state) != RunOutcome::completed || !state.printFile.close()) return 1;

    RunFiles files;
    QFile report(print);
    if (report.open(QIODevice::ReadOnly)) files.reportText = QString::fromLatin1(report.readAll());
    files.paths << print;
    files.name = QStringLiteral("run");
    for (const std::filesystem::path& result : ResultFileNames(work.path().toStdString(), "run.prt").all()) {
        const QString path = QString::fromStdString(result.string());
        if (QFile::exists(path)) files.paths << path;
    }
    // As the dialog shows a series of volumes: its fits report in place of the print file.
    if (collector.volumeOnly() && collector.fitResult()) {
        files.reportText = QString::fromStdString(
            fitsReportBody(*collector.fitResult(), collector.temperatureUnit(), collector.pressureUnit()));
        files.paths.clear();
    }

    ResultsWindow window(collector, files);
    window.resize(smallest ? window.minimumSize() : size);
    window.show();
    if (!QDir().mkpath(out.path())) return 1;
    bool saved = true;
    for (int tab = 0; tab < window.tabs()->count(); ++tab) {
        window.tabs()->setCurrentIndex(tab);
        for (int k = 0; k < 5; ++k) app.processEvents();
        const QString name = window.tabs()->tabText(tab).toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
        const QString path = out.filePath(QStringLiteral("results-%1-%2.png").arg(tab + 1).arg(name));
        saved = window.grab().save(path, "PNG") && saved;
        std::printf("%s (%dx%d)\n", qPrintable(path), window.width(), window.height());
    }
    return saved ? 0 : 1;
}
