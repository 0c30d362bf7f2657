#pragma once
// The results window that opens beside the dialog after a completed run: the plots in tabs, each
// exportable, and the run's report with the files it wrote.
#include <QStringList>
#include <QWidget>
#include <memory>

#include "plots/data/plot_collector.hpp"
#include "plots/data/plot_data.hpp"

class QComboBox;
class QCustomPlot;
class QTabWidget;

struct RunFiles {
    QString reportText;  // this run's part of the print file
    QStringList paths;   // every file the run wrote, absolute
};

class ResultsWindow final : public QWidget {
    Q_OBJECT

public:
    enum Tab { coefficientsTab, strainsTab, cellTab, surfaceTab, reportTab };

    // Keeps its own copy of the collected run.
    ResultsWindow(const PlotCollector& collector, RunFiles files, QWidget* parent = nullptr);
    ~ResultsWindow() override;

    QTabWidget* tabs() const { return tabs_; }
    // The plot of a plot tab.
    QCustomPlot* plot(Tab tab) const { return plots_[tab]; }
    // The surface tab's choice of calculation.
    QComboBox* surfaceChoice() const { return surfaceChoice_; }
    const SurfaceData& shownSurface() const { return surface_; }

    // Places the window where it was last closed, or beside `dialog` the first time; from then
    // on its place and size are remembered.
    void placeBeside(const QWidget& dialog);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* plotTab(Tab tab, const QString& note, QWidget* above);
    QWidget* reportPage(const RunFiles& files);
    void showSurfaceOf(int k);
    void exportPlot(Tab tab, QComboBox* width);
    void saveGeometryNow();

    std::unique_ptr<PlotCollector> collector_;
    QTabWidget* tabs_ = nullptr;
    QCustomPlot* plots_[4] = {};
    Figure figures_[3];
    SurfaceData surface_;
    QComboBox* surfaceChoice_ = nullptr;
    bool remembered_ = false;
};
