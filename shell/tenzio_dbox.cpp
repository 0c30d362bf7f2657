// tenzio: the dialog in which a run is set up, started and followed.
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "run/run_state.hpp"
#include "shell/dialog_logic.hpp"
#include "shell/main_window.hpp"
#include "shell/qt_file_chooser.hpp"

namespace {

// For the documentation's screenshot only: with TENZIO_SCREENSHOT set to a PNG path, the dialog
// saves a picture of itself as it opens and ends.
void arrangeScreenshot(MainWindow& window, bool& saved) {
    const char* path = std::getenv("TENZIO_SCREENSHOT");
    if (!path || !*path) return;
    QTimer::singleShot(0, &window, [&window, &saved, file = QString::fromLocal8Bit(path)] {
        saved = window.grab().save(file, "PNG");
        window.done(0);
    });
}

}  // namespace

int TENZIO_DBOX(int argc, char** argv) {
    QApplication app(argc, argv);
    // Lives until the program ends, which closes the files still open.
    RunState state;

    MainWindow window;
    if (!window.complete()) {
        std::fputs("Error: dialog not found\n", stdout);
        return 1;
    }
    QtFileChooser chooser(&window);
    DialogLogic logic(state, window, chooser);
    window.attach(logic);
    logic.start();

    bool screenshotSaved = true;
    arrangeScreenshot(window, screenshotSaved);
    window.exec();
    return screenshotSaved ? 0 : 1;
}

int main(int argc, char** argv) { return TENZIO_DBOX(argc, argv); }
