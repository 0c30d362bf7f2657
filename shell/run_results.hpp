#pragma once
// The dialog's runs with the plots' output added: after a completed run the results window opens
// beside the dialog, which itself stays as a completed run leaves it.
#include <QPointer>
#include <QRect>
#include <memory>

#include "plots/data/plot_recorder.hpp"
#include "plots/draw/results_window.hpp"
#include "run/process_data.hpp"

class QWidget;

class RunResults {
public:
    // `dialog` is the results window's parent: it closes with the dialog and is never blocked by it.
    // Its "Show results" button reopens the window of the last completed run.
    explicit RunResults(QWidget& dialog);

    // The dialog's process (DialogLogic::Process): runSeries with the plots collected; after a
    // completed run the results window opens as soon as the dialog's handler has returned.
    RunOutcome operator()(RunState& state);

    // The results window of the last completed run, or nullptr.
    ResultsWindow* window() const { return window_.data(); }

    // Shows the window of the last completed run again, as it was closed.
    void showAgain();

    // The part of the dialog the results window must not cover, in global coordinates.
    QRect keptInView() const;

private:
    void open(const RunFiles& files);
    QWidget* control(int id) const;

    QWidget& dialog_;
    PlotRecorder collector_;
    QPointer<ResultsWindow> window_;
};
