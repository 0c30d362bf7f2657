// The plot writer module: tenzio-batch loads it, and with it Qt, only when plots are asked for,
// so that a run without plots starts as fast as one that has no Qt at all.
#include <QApplication>

#include <QtGlobal>
#include <clocale>
#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "plots/data/plot_data.hpp"
#include "plots/draw/plot_export.hpp"

namespace {

// Qt's own notes (a missing runtime folder, a font substituted) are no concern of a batch run;
// its critical messages still reach standard error. What went wrong with a file is returned.
void quietHandler(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "tenzio-batch: Qt: %s\n", qPrintable(message));
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int tenzio_write_plot_files(const PlotFilesRequest* request) {
    if (!request || request->version != kPlotWriterVersion || !request->plots || !request->sink) return 2;
    // No window is ever shown: the offscreen platform needs no display, and it gives the same
    // font metrics, so the same files, on every machine. A platform the user names is kept.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const QtMessageHandler previousHandler = qInstallMessageHandler(quietHandler);
    // Qt takes the locale from the environment; the rest of the process formats numbers itself
    // and must not see a decimal comma.
    const std::string locale = std::setlocale(LC_ALL, nullptr);
    std::unique_ptr<QApplication> app;
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "tenzio-batch";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QApplication>(argc, argv);
    }
    std::setlocale(LC_ALL, locale.c_str());

    QString error;
    bool written = false;
    // Nothing may leave this C entry point: memory that cannot be had is a failure with its reason.
    try {
        written = drawPlotFiles(*request->plots, request->name, *request->sink, error);
    } catch (const std::bad_alloc&) {
        error = QStringLiteral("not enough memory to draw the plots");
    }
    if (!written && request->message) *request->message = error.toStdString();
    app.reset();
    qInstallMessageHandler(previousHandler);
    return written ? 0 : 1;
}
