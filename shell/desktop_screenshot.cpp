// tenzio-desktop-screenshot OUTPUT.png INPUT...: opens the dialog, runs the input into a temporary
// print file as a person would (the dialog's own handlers and results), and saves a picture of the
// whole screen once the results window is open, so that a person can see where the window opens
// beside the dialog. Run on a virtual X server (tools/screenshot-desktop.sh).
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <cstdio>
#include <deque>

#include "run/run_state.hpp"
#include "shell/dialog_controls.hpp"
#include "shell/dialog_logic.hpp"
#include "shell/main_window.hpp"
#include "shell/run_results.hpp"

namespace {

// Answers the dialog's two requests for files: the inputs, then the print file.
class GivenFiles final : public FileChooser {
public:
    std::deque<std::vector<std::string>> answers;
    std::optional<std::string> choose(const FileRequest&) override {
        auto files = chooseFiles({});
        if (!files || files->empty()) return std::nullopt;
        return files->front();
    }
    std::optional<std::vector<std::string>> chooseFiles(const FileRequest&) override {
        if (answers.empty()) return std::nullopt;
        auto files = answers.front();
        answers.pop_front();
        return files;
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fputs("usage: tenzio-desktop-screenshot OUTPUT.png INPUT...\n", stderr);
        return 2;
    }
    QTemporaryDir work;
    RunState state;
    MainWindow window;
    GivenFiles chooser;
    RunResults results(window);
    DialogLogic logic(state, window, chooser, [&results](RunState& s) { return results(s); });
    window.attach(logic);
    logic.start();
    chooser.answers.push_back(std::vector<std::string>(argv + 2, argv + argc));
    chooser.answers.push_back({work.filePath(QStringLiteral("run.prt")).toStdString()});
    window.show();
    logic.chooseInputFile();
    logic.choosePrintFile();
    qobject_cast<QPushButton*>(window.control(ctl::run))->click();
    QElapsedTimer waited;
    waited.start();
    while (!(results.window() && results.window()->isVisible()) && waited.elapsed() < 20000) app.processEvents();
    // Time for a window manager to frame and place the windows.
    for (QElapsedTimer settle; !settle.isValid() || settle.elapsed() < 1500;) {
        if (!settle.isValid()) settle.start();
        app.processEvents();
    }
    // Where everything ended up, for a person and for the test that runs this under a window
    // manager: the frames of both windows, the part of the dialog kept in view and the screen's
    // available area.
    const auto print = [](const char* name, const QRect& r, const char* end) {
        std::printf("%s %d,%d %dx%d%s", name, r.x(), r.y(), r.width(), r.height(), end);
    };
    print("dialog", window.frameGeometry(), "; ");
    print("results", results.window() ? results.window()->frameGeometry() : QRect(), "; ");
    print("kept", results.keptInView(), "; ");
    print("screen", QGuiApplication::primaryScreen()->availableGeometry(), "\n");
    std::fflush(stdout);
    return QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
