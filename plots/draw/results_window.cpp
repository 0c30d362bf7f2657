#include "plots/draw/results_window.hpp"

#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include "plots/draw/figure_plot.hpp"
#include "plots/draw/plot_export.hpp"
#include "plots/draw/plot_style.hpp"
#include "plots/draw/surface_plot.hpp"

namespace {

const QString kGeometryKey = QStringLiteral("results/geometry");

QSettings settings() { return QSettings(QStringLiteral("Tenzio"), QStringLiteral("Tenzio")); }

}  // namespace

ResultsWindow::ResultsWindow(const PlotCollector& collector, RunFiles files, QWidget* parent)
    : QWidget(parent, Qt::Window), collector_(std::make_unique<PlotCollector>(collector)) {
    setObjectName(QStringLiteral("results"));
    setWindowTitle(QStringLiteral("Tenzio results"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    layout->addWidget(tabs_);

    figures_[coefficientsTab] = collector_->coefficients();
    figures_[strainsTab] = collector_->strains();
    figures_[cellTab] = collector_->cell();
    const QString titles[3] = {QStringLiteral("Principal coefficients"), QStringLiteral("Principal strains"),
                               QStringLiteral("Cell")};
    for (const Tab tab : {coefficientsTab, strainsTab, cellTab})
        tabs_->addTab(plotTab(tab, qText(figures_[tab].note), nullptr), titles[tab]);

    // The surface of one calculation, chosen from a list; the last one first.
    auto* choiceRow = new QWidget;
    auto* choiceLayout = new QHBoxLayout(choiceRow);
    choiceLayout->setContentsMargins(0, 0, 0, 0);
    auto* choiceLabel = new QLabel(QStringLiteral("Calculation:"));
    surfaceChoice_ = new QComboBox;
    surfaceChoice_->setObjectName(QStringLiteral("surfaceChoice"));
    for (std::size_t k = 1; k <= collector_->calculations(); ++k)
        surfaceChoice_->addItem(qText(collector_->calculationLabel(k)));
    choiceLabel->setBuddy(surfaceChoice_);
    choiceLayout->addWidget(choiceLabel);
    choiceLayout->addWidget(surfaceChoice_, 1);
    tabs_->addTab(plotTab(surfaceTab,
                          QStringLiteral("The value of the property tensor along each direction; positive and "
                                         "negative values in two colours. Drag the 3-D view to turn it."),
                          choiceRow),
                  QStringLiteral("Representation surface"));
    connect(surfaceChoice_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) showSurfaceOf(index + 1);
    });
    if (surfaceChoice_->count() > 0) {
        surfaceChoice_->setCurrentIndex(surfaceChoice_->count() - 1);
        showSurfaceOf(surfaceChoice_->count());
    }

    tabs_->addTab(reportPage(files), QStringLiteral("Report"));
}

ResultsWindow::~ResultsWindow() { saveGeometryNow(); }

QWidget* ResultsWindow::plotTab(Tab tab, const QString& note, QWidget* above) {
    static const char* const kNames[4] = {"coefficients", "strains", "cell", "surface"};
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    if (above) layout->addWidget(above);
    auto* plot = new QCustomPlot(page);
    plot->setObjectName(QLatin1String(kNames[tab]));
    plot->setMinimumSize(320, 260);
    plots_[tab] = plot;
    layout->addWidget(plot, 1);
    if (tab != surfaceTab) showFigure(*plot, figures_[tab], windowFonts());

    auto* bottom = new QHBoxLayout;
    auto* text = new QLabel(note);
    text->setWordWrap(true);
    text->setTextFormat(Qt::PlainText);
    bottom->addWidget(text, 1);
    auto* width = new QComboBox;
    width->addItem(QStringLiteral("Column width (85 mm)"));
    width->addItem(QStringLiteral("Page width (180 mm)"));
    auto* button = new QPushButton(QStringLiteral("Export…"));
    button->setObjectName(QStringLiteral("export"));
    connect(button, &QPushButton::clicked, this, [this, tab, width] { exportPlot(tab, width); });
    bottom->addWidget(width);
    bottom->addWidget(button);
    layout->addLayout(bottom);
    return page;
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
    QCustomPlot* plot = plots_[surfaceTab];
    // The plot refers to the surface it shows: clear it before the surface is replaced.
    plot->plotLayout()->clear();
    surface_ = collector_->surface(static_cast<std::size_t>(k));
    showSurface(*plot, surface_, windowFonts(), 2, true);
    plot->replot();
}

void ResultsWindow::exportPlot(Tab tab, QComboBox* width) {
    static const char* const kStems[4] = {"coefficients", "strains", "cell", "surface"};
    QString filter = QStringLiteral("PNG, 300 dpi (*.png)");
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Export plot"), QLatin1String(kStems[tab]) + QStringLiteral(".png"),
        QStringLiteral("PNG, 300 dpi (*.png);;SVG (*.svg);;PDF (*.pdf)"), &filter);
    if (path.isEmpty()) return;
    ExportFormat format = ExportFormat::png;
    if (!formatOfSuffix(path, format)) {
        // No known suffix: the chosen filter decides, and names the file.
        format = filter.startsWith(QLatin1String("SVG"))   ? ExportFormat::svg
                 : filter.startsWith(QLatin1String("PDF")) ? ExportFormat::pdf
                                                           : ExportFormat::png;
    }
    const ExportWidth w = width->currentIndex() == 1 ? ExportWidth::page : ExportWidth::column;
    QString error;
    const bool ok = tab == surfaceTab ? exportSurface(surface_, path, format, w, error)
                                      : exportFigure(figures_[tab], path, format, w, error);
    if (!ok) QMessageBox::warning(this, QStringLiteral("Export plot"), error);
}

void ResultsWindow::placeBeside(const QWidget& dialog) {
    remembered_ = true;
    const QByteArray saved = settings().value(kGeometryKey).toByteArray();
    if (!saved.isEmpty() && restoreGeometry(saved)) return;
    resize(900, 680);
    const QRect frame = dialog.frameGeometry();
    QPoint place(frame.right() + 12, frame.top());
    if (const QScreen* screen = dialog.screen()) {
        const QRect room = screen->availableGeometry();
        // On a small screen the window may cover the dialog rather than leave the screen.
        place.setX(std::max(room.left(), std::min(place.x(), room.right() - width())));
        place.setY(std::max(room.top(), std::min(place.y(), room.bottom() - height())));
    }
    move(place);
}

void ResultsWindow::closeEvent(QCloseEvent* event) {
    saveGeometryNow();
    QWidget::closeEvent(event);
}

void ResultsWindow::saveGeometryNow() {
    if (remembered_ && isVisible()) settings().setValue(kGeometryKey, saveGeometry());
}
