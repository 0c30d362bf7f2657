// tenzio: the dialog in which a run is set up, started and followed.
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "run/run_state.hpp"
#include "shell/dialog_logic.hpp"
#include "shell/main_window.hpp"
#include "shell/qt_file_chooser.hpp"
#include "shell/run_results.hpp"
#include "tenzio_version.hpp"

namespace {

// Answers --version and --help on standard output, without a display; false for a normal start.
// Other arguments are left to Qt (-platform, -style, ...).
bool answerInfoOption(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--version") {
            std::fputs("tenzio " TENZIO_VERSION "\n", stdout);
            return true;
        }
        if (arg == "--help") {
            std::fputs("Usage: tenzio [--version] [--help]\n"
                       "Opens the Tenzio dialog, in which a run is set up, started and followed.\n"
                       "For runs without a display see tenzio-batch --help.\n",
                       stdout);
            return true;
        }
    }
    return false;
}

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

int dialogMain(int argc, char** argv) {
    if (answerInfoOption(argc, argv)) return 0;
    QApplication app(argc, argv);
    // Lets the desktop match the window with the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(TENZIO_APP_ID));
    // Lives until the program ends, which closes the files still open.
    RunState state;

    MainWindow window;
    if (!window.complete()) {
        std::fputs("Error: dialog not found\n", stdout);
        return 1;
    }
    QtFileChooser chooser(&window);
    RunResults results(window);  // the results window after a completed run
    DialogLogic logic(state, window, chooser, [&results](RunState& s) { return results(s); });
    window.attach(logic);
    logic.start();

    bool screenshotSaved = true;
    arrangeScreenshot(window, screenshotSaved);
    window.exec();
    return screenshotSaved ? 0 : 1;
}

int main(int argc, char** argv) { return dialogMain(argc, argv); }
