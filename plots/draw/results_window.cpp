#include "plots/draw/results_window.hpp"

#include <QCloseEvent>
#include <QMoveEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QShortcut>
#include <QTabWidget>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>

#include "plots/data/figures.hpp"
#include "plots/data/plot_csv.hpp"
#include "plots/draw/figure_plot.hpp"
#include "plots/draw/plot_export.hpp"
#include "plots/draw/plot_navigation.hpp"
#include "plots/draw/plot_style.hpp"
#include "plots/draw/surface_plot.hpp"
#include "plots/draw/window_place.hpp"

namespace {

const QString kGeometryKey = QStringLiteral("results/geometry");
constexpr QSize kDefaultSize(900, 680);
constexpr QSize kMinimumSize(600, 540);  // room for the plots, their notes and buttons at once
constexpr QSize kLeastPlot(320, 260);
// The least height of a panel's plot area in the window, in lines of its tick labels: room for
// three labels apart.
constexpr double kLeastPanelLines = 3.5;

QSettings settings() { return QSettings(QStringLiteral("Tenzio"), QStringLiteral("Tenzio")); }

QLabel* wrappedLabel(const QString& text) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

ResultsWindow::ResultsWindow(const PlotRecorder& collector, RunFiles files, QWidget* parent)
    : QWidget(parent, Qt::Window), collector_(std::make_unique<PlotRecorder>(collector)), name_(files.name) {
    setObjectName(QStringLiteral("results"));
    setWindowTitle(QStringLiteral("Tenzio results"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    // Every tab in view at the smallest size: titles give up letters rather than hide behind
    // scroll buttons.
    tabs_->setUsesScrollButtons(false);
    tabs_->setElideMode(Qt::ElideRight);
    layout->addWidget(tabs_);
    setMinimumSize(kMinimumSize);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    std::vector<NamedFigure> figures = plotFigures(*collector_);
    figureTabs_.reserve(figures.size());
    for (NamedFigure& named : figures) {
        FigureTab& tab = figureTabs_.emplace_back();
        tab.stem = named.stem;
        tab.figure = std::move(named.figure);
        tab.csv = std::move(named.csv);
        tabs_->addTab(figurePage(tab, qNotation(tab.figure.note)), qNotation(named.title));
        if (tab.stem == "cell") tabs_->addTab(surfacePage(), QStringLiteral("Surface"));
    }
    if (collector_->fitResult()) tabs_->addTab(fitsPage(), QStringLiteral("Fits"));
    if (surfaceChoice_ && surfaceChoice_->count() > 0) {
        const auto shown = static_cast<int>(defaultSurfaceCalculation(*collector_));
        surfaceChoice_->setCurrentIndex(shown - 1);
        showSurfaceOf(shown);
    }
    tabs_->addTab(reportPage(files), QStringLiteral("Report"));
}

ResultsWindow::~ResultsWindow() { saveGeometryNow(); }

QCustomPlot* ResultsWindow::plot(const std::string& stem) const {
    if (stem == "surface") return surfacePlot_;
    for (const FigureTab& tab : figureTabs_)
        if (tab.stem == stem) return tab.plot;
    return nullptr;
}

const Figure* ResultsWindow::figure(const std::string& stem) const {
    for (const FigureTab& tab : figureTabs_)
        if (tab.stem == stem) return &tab.figure;
    return nullptr;
}

QLabel* ResultsWindow::readout(const std::string& stem) const {
    for (const FigureTab& tab : figureTabs_)
        if (tab.stem == stem) return tab.readout;
    return nullptr;
}

int ResultsWindow::tabIndex(const std::string& stem) const {
    // The plot stands in a scroll area on its page.
    for (QWidget* w = plot(stem); w; w = w->parentWidget())
        if (const int index = tabs_->indexOf(w); index >= 0) return index;
    return -1;
}

SurfaceViewAngles ResultsWindow::surfaceView() const {
    if (!surfaceView_) return {};
    return {surfaceView_->azimuth(), surfaceView_->elevation()};
}

void ResultsWindow::turnSurface(SurfaceViewAngles view) {
    if (!surfaceView_) return;
    surfaceView_->setView(view.azimuth, view.elevation);
    surfacePlot_->replot();
}

QWidget* ResultsWindow::figurePage(FigureTab& tab, const QString& note) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    // A figure of many panels with a long legend needs more height than a small window has: its
    // page then scrolls rather than squeeze the panels and cut the texts below them.
    auto* scroll = new QScrollArea(page);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tab.plot = new QCustomPlot;
    tab.plot->setObjectName(QString::fromStdString(tab.stem));
    tab.plot->setMinimumSize(kLeastPlot);
    scroll->setWidget(tab.plot);
    layout->addWidget(scroll, 1);
    tab.navigation = new PlotNavigation(*tab.plot);
    // The figure's least height follows its width (the caption and legend wrap): it is read back
    // after each layout.
    connect(tab.plot, &QCustomPlot::afterLayout, tab.plot, [plot = tab.plot] {
        const int least = std::max(kLeastPlot.height(), plot->plotLayout()->minimumOuterSizeHint().height());
        if (plot->minimumHeight() != least) plot->setMinimumHeight(least);
    });
    showFigureTab(tab);
    layout->addWidget(wrappedLabel(note));
    // The point under the pointer, beside the buttons.
    tab.readout = new QLabel;
    tab.readout->setObjectName(QStringLiteral("readout"));
    tab.readout->setTextFormat(Qt::PlainText);
    tab.readout->setMinimumWidth(0);
    tab.readout->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    connect(tab.navigation, &PlotNavigation::readoutChanged, tab.readout, [readout = tab.readout](const QString& text) {
        readout->setText(text);
        readout->setToolTip(text);  // in full where the row is too narrow
    });
    layout->addWidget(exportRow(tab.stem, tab.readout));
    return page;
}

void ResultsWindow::showFigureTab(FigureTab& tab) {
    tab.rects = showFigure(*tab.plot, tab.figure, windowFonts());
    const int leastPanel =
        static_cast<int>(std::ceil(QFontMetricsF(windowFonts().tickLabels).height() * kLeastPanelLines));
    for (QCPAxisRect* rect : tab.rects) rect->setMinimumSize(0, leastPanel);
    tab.navigation->show(tab.figure, tab.rects);
    tab.plot->replot();
}

QWidget* ResultsWindow::surfacePage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    // The surface of one calculation, chosen from a list; the last defined one first. Its axis numbers
    // name the axes in every plot.
    auto* choiceRow = new QHBoxLayout;
    auto* choiceLabel = new QLabel(QStringLiteral("Calculation:"));
    surfaceChoice_ = new QComboBox;
    surfaceChoice_->setObjectName(QStringLiteral("surfaceChoice"));
    for (std::size_t k = 1; k <= collector_->calculations(); ++k)
        surfaceChoice_->addItem(qText(calculationLabel(*collector_, k)));
    choiceLabel->setBuddy(surfaceChoice_);
    choiceRow->addWidget(choiceLabel);
    choiceRow->addWidget(surfaceChoice_, 1);
    layout->addLayout(choiceRow);
    surfacePlot_ = new QCustomPlot(page);
    surfacePlot_->setObjectName(QStringLiteral("surface"));
    surfacePlot_->setMinimumSize(320, 260);
    layout->addWidget(surfacePlot_, 1);
    layout->addWidget(wrappedLabel(QStringLiteral("The value of the property tensor along each direction; positive "
                                                  "values solid blue, negative dashed vermilion. Drag the 3-D view "
                                                  "to turn it; the export shows it as turned.")));
    layout->addWidget(exportRow("surface", new QWidget));
    connect(surfaceChoice_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0) return;
        // The surface names its axes as the series' axes, so the other tabs stay as they are.
        showSurfaceOf(index + 1);
    });
    return page;
}

QWidget* ResultsWindow::exportRow(const std::string& stem, QWidget* left) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(left, 1);
    if (stem != "surface") {
        auto* reset = new QPushButton(QStringLiteral("Reset view"));
        reset->setObjectName(QStringLiteral("resetView"));
        reset->setToolTip(QStringLiteral("Drag to pan, wheel or + and − to zoom, arrows to pan, 0 to reset"));
        connect(reset, &QPushButton::clicked, this, [this, stem] {
            for (FigureTab& tab : figureTabs_)
                if (tab.stem == stem) tab.navigation->reset();
        });
        layout->addWidget(reset, 0, Qt::AlignBottom);
    }
    auto* width = new QComboBox;
    width->addItem(QStringLiteral("Column width (85 mm)"));
    width->addItem(QStringLiteral("Page width (180 mm)"));
    auto* button = new QPushButton(QStringLiteral("Export…"));
    button->setObjectName(QStringLiteral("export"));
    button->setToolTip(QStringLiteral("The picture, and the numbers behind it as CSV beside it"));
    connect(button, &QPushButton::clicked, this, [this, stem, width] { exportWithDialog(stem, width->currentIndex() == 1); });
    layout->addWidget(width, 0, Qt::AlignBottom);
    layout->addWidget(button, 0, Qt::AlignBottom);
    return row;
}

QWidget* ResultsWindow::fitsPage() {
    fitsText_ = new QTextBrowser;
    fitsText_->setObjectName(QStringLiteral("fitsText"));
    fitsText_->setOpenLinks(false);
    showFitTables();
    return fitsText_;
}

void ResultsWindow::showFitTables() {
    if (!fitsText_) return;
    const auto escaped = [](const std::string& text) { return qNotation(text).toHtmlEscaped(); };
    QString html;
    for (const FitTable& table : fitTables(*collector_)) {
        html += QStringLiteral("<h3>%1</h3>").arg(escaped(table.title));
        if (!table.columns.empty()) {
            html += QStringLiteral("<table cellspacing=\"0\" cellpadding=\"4\"><tr>");
            for (const std::string& column : table.columns)
                html += QStringLiteral("<th bgcolor=\"#e8e8e8\">%1</th>").arg(escaped(column));
            html += QStringLiteral("</tr>");
            for (const auto& row : table.rows) {
                html += QStringLiteral("<tr>");
                for (std::size_t c = 0; c < row.size(); ++c)
                    html += QStringLiteral("<td align=\"%1\">%2</td>")
                                .arg(c == 0 ? QStringLiteral("left") : QStringLiteral("right"), escaped(row[c]));
                html += QStringLiteral("</tr>");
            }
            html += QStringLiteral("</table>");
        }
        if (!table.note.empty()) html += QStringLiteral("<p>%1</p>").arg(escaped(table.note));
    }
    fitsText_->setHtml(html);
}

QWidget* ResultsWindow::reportPage(const RunFiles& files) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* report = new QPlainTextEdit;
    report->setObjectName(QStringLiteral("reportText"));
    report->setReadOnly(true);
    report->setLineWrapMode(QPlainTextEdit::NoWrap);
    report->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    QString text = files.reportText;
    text.remove(QLatin1Char('\r'));
    text.replace(QLatin1Char('\f'), QLatin1Char('\n'));  // a new page of the print file
    report->setPlainText(text);
    layout->addWidget(report, 4);

    layout->addWidget(new QLabel(QStringLiteral("Files written by this run:")));
    auto* list = new QListWidget;
    list->setObjectName(QStringLiteral("files"));
    list->addItems(files.paths);
    if (list->count() > 0) list->setCurrentRow(0);
    layout->addWidget(list, 1);
    auto* open = new QPushButton(QStringLiteral("Open folder"));
    open->setObjectName(QStringLiteral("openFolder"));
    open->setEnabled(list->count() > 0);
    connect(open, &QPushButton::clicked, this, [list] {
        const QListWidgetItem* item = list->currentItem();
        if (!item) return;
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(item->text()).absolutePath()));
    });
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(open);
    layout->addLayout(row);
    return page;
}

void ResultsWindow::showSurfaceOf(int k) {
    // The plot refers to the surface it shows: clear it before the surface is replaced.
    const SurfaceViewAngles view = surfaceView();
    surfacePlot_->plotLayout()->clear();
    surface_ = surfaceFigure(*collector_, static_cast<std::size_t>(k));
    surfaceView_ = showSurface(*surfacePlot_, surface_, windowFonts(), 2, true, surfacePlot_->width());
    if (surfaceView_) surfaceView_->setView(view.azimuth, view.elevation);  // as the user turned it
    surfacePlot_->replot();
}

bool ResultsWindow::exportTab(const std::string& stem, const QString& path, bool pageWidth, QString& error) const {
    ExportFormat format = ExportFormat::png;
    if (!formatOfSuffix(path, format)) {
        error = QStringLiteral("%1: the name must end in .png, .svg or .pdf").arg(QDir::toNativeSeparators(path));
        return false;
    }
    const ExportWidth width = pageWidth ? ExportWidth::page : ExportWidth::column;
    if (stem == "surface") return exportSurface(surface_, path, format, width, error, surfaceView());
    for (const FigureTab& tab : figureTabs_) {
        if (tab.stem != stem) continue;
        const QFileInfo info(path);
        const QString csv = info.dir().filePath(info.completeBaseName() + QStringLiteral(".csv"));
        return exportFigure(tab.figure, path, format, width, error) && exportText(tab.csv, csv, error);
    }
    error = QStringLiteral("no plot %1").arg(QString::fromStdString(stem));
    return false;
}

void ResultsWindow::exportWithDialog(const std::string& stem, bool pageWidth) {
    QString filter = QStringLiteral("PNG, 300 dpi (*.png)");
    const QString stemText = QString::fromStdString(stem);
    const QString suggested = (name_.isEmpty() ? stemText : name_ + QLatin1Char('_') + stemText) + QStringLiteral(".png");
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export plot"), suggested,
                                                QStringLiteral("PNG, 300 dpi (*.png);;SVG (*.svg);;PDF (*.pdf)"),
                                                &filter);
    if (path.isEmpty()) return;
    ExportFormat format = ExportFormat::png;
    if (!formatOfSuffix(path, format)) {
        // No known suffix: the chosen filter names the file.
        path += filter.startsWith(QLatin1String("SVG"))   ? QStringLiteral(".svg")
                : filter.startsWith(QLatin1String("PDF")) ? QStringLiteral(".pdf")
                                                          : QStringLiteral(".png");
    }
    QString error;
    if (!exportTab(stem, path, pageWidth, error)) QMessageBox::warning(this, QStringLiteral("Export plot"), error);
}

namespace {

QRect availableRoom(const QWidget& widget) {
    const QScreen* screen = widget.screen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1280, 1024);
}

// The margins a window manager's frame adds round a window: none before it is framed.
QMargins frameOf(const QWidget& window) {
    const QRect outer = window.frameGeometry();
    const QRect inner = window.geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

}  // namespace

void ResultsWindow::placeBeside(QWidget& dialog, const QRect& keep) {
    remembered_ = true;
    const QRect room = availableRoom(dialog);
    kept_ = keep.isValid() ? keep : QRect(dialog.frameGeometry().topLeft(), QSize(0, 0));
    // The window's frame as the dialog's: the window has none until it is shown.
    const QMargins frame = frameOf(dialog);
    placedBeside_ = &dialog;

    const QByteArray saved = settings().value(kGeometryKey).toByteArray();
    if (!saved.isEmpty() && restoreGeometry(saved)) {
        // Where it was left, unless that now covers the status line or leaves the screen.
        if (placeIsClear(room, geometry().marginsAdded(frame), kept_)) return;
        placeClear(dialog, size(), frame);
        return;
    }
    placeClear(dialog, kDefaultSize, frame);
}

void ResultsWindow::placeClear(QWidget& dialog, QSize wanted, QMargins frame) {
    const Placement place =
        placeWindowAndDialog(availableRoom(dialog), dialog.frameGeometry(), kept_, wanted, minimumSize(), frame);
    if (place.dialogShift != 0) {
        dialog.move(dialog.pos() + QPoint(place.dialogShift, 0));
        kept_.translate(place.dialogShift, 0);
    }
    resize(place.window.size());
    move(place.window.topLeft() - QPoint(frame.left(), frame.top()));
}

void ResultsWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    // A window manager frames the window after it is shown, with margins the dialog's frame did
    // not tell when the dialog was not yet framed either: once the frame is known, the window is
    // placed again if its frame now leaves the screen or covers the dialog's kept part.
    if (!placedBeside_ || !isVisible()) return;
    const QMargins frame = frameOf(*this);
    if (frame.isNull()) return;
    QWidget& dialog = *placedBeside_;
    placedBeside_ = nullptr;
    if (!placeIsClear(availableRoom(dialog), frameGeometry(), kept_)) placeClear(dialog, size(), frame);
}

void ResultsWindow::closeEvent(QCloseEvent* event) {
    saveGeometryNow();
    QWidget::closeEvent(event);
}

void ResultsWindow::saveGeometryNow() {
    if (remembered_ && isVisible()) settings().setValue(kGeometryKey, saveGeometry());
}
