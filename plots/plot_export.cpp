#include "plots/plot_export.hpp"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <qcustomplot.h>

#include <cerrno>
#include <cmath>
#include <cstring>

#include "plots/figure_plot.hpp"
#include "plots/plot_style.hpp"
#include "plots/surface_plot.hpp"

namespace {

constexpr double kUnitsPerInch = 96.0;  // the export's drawing units; fonts are sized in them
constexpr double kMmPerInch = 25.4;

double widthMm(ExportWidth w) { return w == ExportWidth::column ? kColumnWidthMm : kPageWidthMm; }

// Height in mm. The legend of a figure takes a few lines whatever the width; the surface shows its
// four panels in two rows at column width and in one row at page width.
double heightMm(bool surface, ExportWidth w) {
    if (surface) return w == ExportWidth::column ? 105.0 : 66.0;
    return w == ExportWidth::column ? 72.0 : 100.0;
}

// The reason of a failed write: Qt's, or the system's where Qt has none ("Unknown error" when a
// full disk shows only at the commit).
QString reasonOf(const QFileDevice& file, int systemError) {
    if (file.error() != QFileDevice::NoError && file.errorString() != QLatin1String("Unknown error"))
        return file.errorString();
    return QString::fromLocal8Bit(std::strerror(systemError != 0 ? systemError : EIO));
}

bool saveBytes(const QString& path, const QByteArray& bytes, QString& error) {
    const auto failed = [&](const QFileDevice& file) {
        const int systemError = errno;
        error = QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(path), reasonOf(file, systemError));
        return false;
    };
    // A device or a named pipe (also through a link) receives the picture in place; only a regular
    // file is replaced, and only once the new one is complete.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile() && !target.isDir()) {
        QFile file(path);
        errno = 0;
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(bytes) != bytes.size() ||
            !file.flush())
            return failed(file);
        file.close();
        return file.error() == QFileDevice::NoError || failed(file);
    }
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() || !file.commit())
        return failed(file);
    return true;
}

// Draws the plot at the given size in mm into the format's bytes.
bool render(QCustomPlot& plot, ExportFormat format, double wMm, double hMm, QByteArray& bytes) {
    const int w = static_cast<int>(std::lround(wMm / kMmPerInch * kUnitsPerInch));
    const int h = static_cast<int>(std::lround(hMm / kMmPerInch * kUnitsPerInch));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    switch (format) {
    case ExportFormat::png: {
        // The width in pixels from the width in mm, so that the picture is as wide as asked at
        // 300 dpi; the drawing is scaled to it.
        const int pixels = static_cast<int>(std::lround(wMm / kMmPerInch * kPngDotsPerInch));
        const double scale = static_cast<double>(pixels) / w;
        QImage image(pixels, static_cast<int>(std::lround(h * scale)), QImage::Format_ARGB32);
        image.fill(Qt::white);
        QCPPainter painter(&image);
        painter.scale(scale, scale);
        plot.toPainter(&painter, w, h);
        painter.end();
        const int dotsPerMetre = static_cast<int>(std::lround(kPngDotsPerInch / 0.0254));
        image.setDotsPerMeterX(dotsPerMetre);
        image.setDotsPerMeterY(dotsPerMetre);
        return image.save(&buffer, "PNG");
    }
    case ExportFormat::svg: {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(QSize(w, h));
        svg.setViewBox(QRect(0, 0, w, h));
        svg.setResolution(static_cast<int>(kUnitsPerInch));
        svg.setTitle(QStringLiteral("Tenzio plot"));
        QCPPainter painter;
        if (!painter.begin(&svg)) return false;
        painter.setMode(QCPPainter::pmVectorized);
        plot.toPainter(&painter, w, h);
        return painter.end();
    }
    case ExportFormat::pdf: {
        QPdfWriter pdf(&buffer);
        pdf.setCreator(QStringLiteral("Tenzio"));
        pdf.setResolution(static_cast<int>(kUnitsPerInch));
        pdf.setPageLayout(QPageLayout(QPageSize(QSizeF(wMm, hMm), QPageSize::Millimeter), QPageLayout::Portrait,
                                      QMarginsF(0, 0, 0, 0)));
        QCPPainter painter;
        if (!painter.begin(&pdf)) return false;
        painter.setMode(QCPPainter::pmVectorized);
        plot.toPainter(&painter, w, h);
        return painter.end();
    }
    }
    return false;
}

bool write(QCustomPlot& plot, bool surface, const QString& path, ExportFormat format, ExportWidth width,
           QString& error) {
    QByteArray bytes;
    if (!render(plot, format, widthMm(width), heightMm(surface, width), bytes) || bytes.isEmpty()) {
        error = QStringLiteral("cannot draw %1").arg(QDir::toNativeSeparators(path));
        return false;
    }
    return saveBytes(path, bytes, error);
}

}  // namespace

bool formatOfSuffix(const QString& path, ExportFormat& format) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png"))
        format = ExportFormat::png;
    else if (suffix == QLatin1String("svg"))
        format = ExportFormat::svg;
    else if (suffix == QLatin1String("pdf"))
        format = ExportFormat::pdf;
    else
        return false;
    return true;
}

bool exportFigure(const Figure& figure, const QString& path, ExportFormat format, ExportWidth width, QString& error) {
    QCustomPlot plot;
    showFigure(plot, figure, exportFonts());
    return write(plot, false, path, format, width, error);
}

bool exportSurface(const SurfaceData& surface, const QString& path, ExportFormat format, ExportWidth width,
                   QString& error) {
    QCustomPlot plot;
    showSurface(plot, surface, exportFonts(), width == ExportWidth::column ? 2 : 4, false);
    return write(plot, true, path, format, width, error);
}

// The files and their order are those of plotFileNames (plot_writer_client.hpp), which the batch
// command checks against its other files before the run.
bool writePlotFiles(const PlotSet& plots, const QString& folder, const QString& name, QString& error) {
    const QDir dir(folder);
    const struct {
        const char* suffix;
        const Figure* figure;
    } figures[] = {{"_coefficients", &plots.coefficients},
                   {"_strains", &plots.strains},
                   {"_cell", &plots.cell},
                   {"_surface", nullptr}};
    for (const auto& f : figures) {
        for (const ExportFormat format : {ExportFormat::svg, ExportFormat::png}) {
            const QString path =
                dir.filePath(name + QLatin1String(f.suffix) + (format == ExportFormat::svg ? ".svg" : ".png"));
            const bool ok = f.figure ? exportFigure(*f.figure, path, format, ExportWidth::column, error)
                                     : exportSurface(plots.surface, path, format, ExportWidth::column, error);
            if (!ok) return false;
        }
    }
    return true;
}
