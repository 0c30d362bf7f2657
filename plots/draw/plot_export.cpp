#include "plots/draw/plot_export.hpp"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPicture>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <qcustomplot.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "plots/draw/figure_plot.hpp"
#include "plots/draw/plot_style.hpp"
#include "plots/draw/surface_plot.hpp"

namespace {

constexpr double kUnitsPerInch = 96.0;  // the export's drawing units; fonts are sized in them
constexpr double kMmPerInch = 25.4;

int unitsOf(double mm) { return static_cast<int>(std::lround(mm / kMmPerInch * kUnitsPerInch)); }

double widthMm(ExportWidth w) { return w == ExportWidth::column ? kColumnWidthMm : kPageWidthMm; }

// Height in mm of the surface: four panels in two rows at column width, in one row at page width.
double surfaceHeightMm(ExportWidth w) { return w == ExportWidth::column ? 105.0 : 66.0; }
// A figure that is only a message.
constexpr double kMessageHeightMm = 20.0;

// Height in mm of a figure: a plot of one panel, or rows of small panels, and the legend and
// caption, which take a few lines whatever the width.
double figureHeightMm(const Figure& figure, ExportWidth w) {
    const bool column = w == ExportWidth::column;
    if (figure.panels.size() <= 1) return column ? 72.0 : 100.0;
    const int columns = std::max(1, column ? figure.columns : 2 * figure.columns);
    const auto rows = static_cast<double>((static_cast<int>(figure.panels.size()) + columns - 1) / columns);
    return rows * (column ? 36.0 : 42.0) + 14.0;
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
    const int w = unitsOf(wMm);
    const int h = unitsOf(hMm);
    {
        // A layout at this size first: the axes choose their ticks from the sizes of the layout
        // before, and a panel's ticks follow its height.
        QPicture scratch;
        QCPPainter painter(&scratch);
        plot.toPainter(&painter, w, h);
    }
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
        painter.setFont(exportFonts().legend);  // every group of the file names the family drawn in
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

bool renderBytes(QCustomPlot& plot, double heightMm, const QString& path, ExportFormat format, ExportWidth width,
                 QByteArray& bytes, QString& error) {
    if (!render(plot, format, widthMm(width), heightMm, bytes) || bytes.isEmpty()) {
        error = QStringLiteral("cannot draw %1").arg(QDir::toNativeSeparators(path));
        return false;
    }
    return true;
}

// The figure's or the surface's file in `format` at `width`, drawn into `bytes`; `path` names it in
// a message.
bool figureBytes(const Figure& figure, const QString& path, ExportFormat format, ExportWidth width, QByteArray& bytes,
                 QString& error) {
    QCustomPlot plot;
    // A figure laid out as it is needs no copy, which for a long series is as large as the figure.
    if (exportedColumns(figure, width) == figure.columns)
        showFigure(plot, figure, exportFonts());
    else
        showFigure(plot, exportedFigure(figure, width).figure, exportFonts());
    return renderBytes(plot, figureHeightMm(figure, width), path, format, width, bytes, error);
}

bool surfaceBytes(const SurfaceData& surface, const QString& path, ExportFormat format, ExportWidth width,
                  SurfaceViewAngles view, QByteArray& bytes, QString& error) {
    QCustomPlot plot;
    const double units = widthMm(width) / kMmPerInch * kUnitsPerInch;
    SurfaceView* view3d = showSurface(plot, surface, exportFonts(), width == ExportWidth::column ? 2 : 4, false, units);
    if (view3d) view3d->setView(view.azimuth, view.elevation);
    // With nothing to draw the figure is its message alone, a few lines high.
    const double heightMm = surface.defined ? surfaceHeightMm(width) : kMessageHeightMm;
    return renderBytes(plot, heightMm, path, format, width, bytes, error);
}

}  // namespace

int exportedColumns(const Figure& figure, ExportWidth width) {
    // At page width the small panels of a figure stand twice as many to a row.
    return width == ExportWidth::page && figure.panels.size() > 1 ? 2 * figure.columns : figure.columns;
}

ExportedFigure exportedFigure(const Figure& figure, ExportWidth width) {
    ExportedFigure e{figure, QSize(unitsOf(widthMm(width)), unitsOf(figureHeightMm(figure, width)))};
    e.figure.columns = exportedColumns(figure, width);
    return e;
}

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
    QByteArray bytes;
    return figureBytes(figure, path, format, width, bytes, error) && saveBytes(path, bytes, error);
}

bool exportSurface(const SurfaceData& surface, const QString& path, ExportFormat format, ExportWidth width,
                   QString& error, SurfaceViewAngles view) {
    QByteArray bytes;
    return surfaceBytes(surface, path, format, width, view, bytes, error) && saveBytes(path, bytes, error);
}

bool exportText(const std::string& text, const QString& path, QString& error) {
    return saveBytes(path, QByteArray::fromStdString(text), error);
}

// Each file is one of plotFileNames (plot_writer_client.hpp), which the batch command checks
// against its other files before the run. Each is drawn and handed on before the next is drawn,
// so that only one file's bytes are held at a time.
bool drawPlotFiles(const PlotSet& plots, const std::string& name, const PlotFileSink& sink, QString& error) {
    const auto hand = [&](const std::string& file, std::string_view bytes) {
        std::string reason;
        if (sink(file, bytes, reason)) return true;
        error = QString::fromStdString(reason);
        return false;
    };
    const auto fileOf = [&](const std::string& stem, const char* suffix) { return name + "_" + stem + suffix; };
    const auto drawn = [&](const std::string& file, const auto& draw) {
        QByteArray bytes;
        return draw(QString::fromStdString(file), bytes) && hand(file, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    };
    for (const NamedFigure& f : plots.figures) {
        for (const ExportFormat format : {ExportFormat::svg, ExportFormat::png}) {
            const bool written = drawn(fileOf(f.stem, format == ExportFormat::svg ? ".svg" : ".png"),
                                       [&](const QString& file, QByteArray& bytes) {
                                           return figureBytes(f.figure, file, format, ExportWidth::column, bytes, error);
                                       });
            if (!written) return false;
        }
        // A figure without its table has it written by the caller.
        if (!f.csv.empty() && !hand(fileOf(f.stem, ".csv"), f.csv)) return false;
    }
    // No calculation (a series of volumes): no surface.
    if (plots.surface.calculation == 0) return true;
    for (const ExportFormat format : {ExportFormat::svg, ExportFormat::png}) {
        const bool written = drawn(fileOf("surface", format == ExportFormat::svg ? ".svg" : ".png"),
                                   [&](const QString& file, QByteArray& bytes) {
                                       return surfaceBytes(plots.surface, file, format, ExportWidth::column, {}, bytes,
                                                           error);
                                   });
        if (!written) return false;
    }
    return true;
}
