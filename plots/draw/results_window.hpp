#pragma once
// The results window that opens beside the dialog after a completed run: the plots in tabs, each
// to explore and to export with the numbers behind it, and the run's report with the files it
// wrote.
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "plots/data/plot_recorder.hpp"
#include "plots/data/plot_data.hpp"

class QComboBox;
class QCustomPlot;
class QCPAxisRect;
class QLabel;
class QTabWidget;
class QTextBrowser;
class PlotNavigation;
class SurfaceView;

struct RunFiles {
    QString reportText;  // this run's part of the print file
    QStringList paths;   // every file the run wrote, absolute
    QString name;        // NAME of the result files, for the names of exported plots
};

class ResultsWindow final : public QWidget {
    Q_OBJECT

public:
    // Keeps its own copy of the collected run.
    ResultsWindow(const PlotRecorder& collector, RunFiles files, QWidget* parent = nullptr);
    ~ResultsWindow() override;

    QTabWidget* tabs() const { return tabs_; }
    // The plot of a tab by the stem of its files ("coefficients", "strains", "cell", "surface",
    // ...), or nullptr.
    QCustomPlot* plot(const std::string& stem) const;
    // The figure a plot tab shows, or nullptr.
    const Figure* figure(const std::string& stem) const;
    // The index of the tab of a stem, or -1.
    int tabIndex(const std::string& stem) const;
    // The surface tab's choice of calculation.
    QComboBox* surfaceChoice() const { return surfaceChoice_; }
    const SurfaceData& shownSurface() const { return surface_; }
    // The 3-D view as the user turned it (and as it is exported), and turning it.
    SurfaceViewAngles surfaceView() const;
    void turnSurface(SurfaceViewAngles view);
    // The readout under a plot tab's plot.
    QLabel* readout(const std::string& stem) const;

    // Writes a tab's plot to `path` (format from its suffix) and its numbers as CSV beside it
    // (the same name with .csv; the surface has none). False with the reason in `error`.
    bool exportTab(const std::string& stem, const QString& path, bool pageWidth, QString& error) const;

    // Places the window where it was last closed, or beside `dialog` the first time, clear of
    // `keep` (the part of the dialog that stays in view, in global coordinates) and of the
    // screen's edge, moving the dialog sideways where the screen has no room beside it; from then
    // on its place and size are remembered.
    void placeBeside(QWidget& dialog, const QRect& keep = {});

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    struct FigureTab {
        std::string stem;
        Figure figure;
        std::string csv;
        QCustomPlot* plot = nullptr;
        std::vector<QCPAxisRect*> rects;
        PlotNavigation* navigation = nullptr;
        QLabel* readout = nullptr;
    };

    QWidget* figurePage(FigureTab& tab, const QString& note);
    QWidget* surfacePage();
    QWidget* reportPage(const RunFiles& files);
    QWidget* fitsPage();
    void showFitTables();
    QWidget* exportRow(const std::string& stem, QWidget* left);
    void showFigureTab(FigureTab& tab);
    void showSurfaceOf(int k);
    void exportWithDialog(const std::string& stem, bool pageWidth);
    void saveGeometryNow();
    void placeClear(QWidget& dialog, QSize wanted, QMargins frame);

    std::unique_ptr<PlotRecorder> collector_;
    QString name_;
    QTabWidget* tabs_ = nullptr;
    std::vector<FigureTab> figureTabs_;
    QCustomPlot* surfacePlot_ = nullptr;
    QPointer<SurfaceView> surfaceView_;
    SurfaceData surface_;
    QComboBox* surfaceChoice_ = nullptr;
    QTextBrowser* fitsText_ = nullptr;
    bool remembered_ = false;
    // Until a window manager has framed the window: the dialog it was placed beside and the
    // part of it kept in view, to place it again should its frame reach over either.
    QPointer<QWidget> placedBeside_;
    QRect kept_;
};
