#include "shell/run_results.hpp"

#include <QAbstractButton>
#include <QFile>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <system_error>

#include "export/fit_report.hpp"
#include "plots/data/plot_labels.hpp"
#include "report/result_files.hpp"
#include "shell/dialog_controls.hpp"

namespace {

QString qPath(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

// What the run added to the print file, from `start` on.
QString reportFrom(const std::filesystem::path& printPath, std::uintmax_t start) {
    QFile file(qPath(printPath));
    if (!file.open(QIODevice::ReadOnly) || !file.seek(static_cast<qint64>(start))) return {};
    return QString::fromLatin1(file.readAll());
}

RunFiles filesOf(const RunState& state, const PlotRecorder& collector, std::uintmax_t reportStart) {
    RunFiles files;
    files.reportText = reportFrom(state.printPath, reportStart);
    files.paths << qPath(state.printPath);
    // The result files are created in the result folder, or in the current folder.
    std::error_code ec;
    const std::filesystem::path folder =
        std::filesystem::absolute(state.resultFolder.empty() ? std::filesystem::path(".") : state.resultFolder, ec)
            .lexically_normal();
    for (const auto& path : ResultFileNames(folder, state.printFileName).written(collector.crystalSystem()))
        files.paths << qPath(path);
    files.name = QString::fromStdString(plotFileStem(state.printFileName));
    // A series of volumes writes no print file and no result files: the window shows the fits
    // report in their place.
    if (collector.volumeOnly() && collector.fitResult()) {
        files.reportText = QString::fromStdString(
            fitsReportBody(*collector.fitResult(), collector.temperatureUnit(), collector.pressureUnit()));
        files.paths.clear();
    }
    return files;
}

}  // namespace

RunOutcome RunResults::operator()(RunState& state) {
    std::error_code ec;
    const std::uintmax_t reportStart = state.printPath.empty() ? 0 : std::filesystem::file_size(state.printPath, ec);
    state.extraOutputs.push_back(&collector_);
    const RunOutcome outcome = runSeries(state);
    std::erase(state.extraOutputs, &collector_);
    if (outcome == RunOutcome::completed) {
        // The report is flushed by the end of the run; the files stay as they are until the
        // dialog closes them, and the window reads only what is on disk.
        const RunFiles files = filesOf(state, collector_, ec ? 0 : reportStart);
        QTimer::singleShot(0, &dialog_, [this, files] { open(files); });
    }
    return outcome;
}

RunResults::RunResults(QWidget& dialog) : dialog_(dialog) {
    if (auto* button = qobject_cast<QAbstractButton*>(control(ctl::showResults)))
        QObject::connect(button, &QAbstractButton::clicked, &dialog_, [this] { showAgain(); });
}

QWidget* RunResults::control(int id) const { return dialog_.findChild<QWidget*>(QString::number(id)); }

QRect RunResults::keptInView() const {
    // The status line, the line under it (the result folder) and the buttons: what a person
    // reads and presses while the results are open.
    QRect kept;
    for (const int id : {ctl::statusLine, ctl::resultFolder, ctl::run, ctl::reset, ctl::exitButton, ctl::showResults})
        if (const QWidget* w = control(id); w && !w->isHidden())
            kept |= QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
    return kept;
}

void RunResults::open(const RunFiles& files) {
    delete window_.data();
    window_ = new ResultsWindow(collector_, files, &dialog_);
    window_->placeBeside(dialog_, keptInView());
    window_->show();
    if (QWidget* button = control(ctl::showResults)) button->setEnabled(true);
}

void RunResults::showAgain() {
    if (!window_) return;
    window_->showNormal();
    window_->raise();
    window_->activateWindow();
}
