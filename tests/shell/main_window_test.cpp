// The real Qt dialog on the offscreen platform: its controls against the control table, the keys
// and buttons that end it, the Qt file dialog it asks, and whole runs started with its Run button
// whose files must equal those of tenzio-batch with the same options.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QMap>
#include <QScopeGuard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <deque>
#include <functional>

#include "run/run_state.hpp"
#include "shell/dialog_controls.hpp"
#include "shell/dialog_logic.hpp"
#include "shell/main_window.hpp"
#include "shell/qt_file_chooser.hpp"

namespace {

// Answers the file handlers with queued paths, as a user choosing in the open-file dialog.
class QueueChooser final : public FileChooser {
public:
    explicit QueueChooser(QWidget* = nullptr) {}
    std::optional<std::string> choose(const FileRequest&) override {
        ++requests;
        if (answers.empty()) return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::deque<std::optional<std::string>> answers;
    int requests = 0;
};

QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString dataFile() { return QStringLiteral(TENZIO_SOURCE_DIR "/examples/phenylpiracetam_triclinic_T.dat"); }

// The 24-character date and time of a run ("Mon Dec  7 12:00:00 2026") differs between runs.
QString masked(const QByteArray& bytes) {
    static const QRegularExpression date(QStringLiteral(
        "(Mon|Tue|Wed|Thu|Fri|Sat|Sun) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ 0-9][0-9] "
        "[0-9][0-9]:[0-9][0-9]:[0-9][0-9] [0-9]{4}"));
    return QString::fromLatin1(bytes).replace(date, QStringLiteral("<date and time>"));
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Empty when equal; otherwise the first line that differs.
QString firstDifference(const QString& expected, const QString& actual) {
    if (expected == actual) return {};
    const QStringList e = expected.split(QStringLiteral("\n"));
    const QStringList a = actual.split(QStringLiteral("\n"));
    for (qsizetype i = 0; i < std::max(e.size(), a.size()); ++i) {
        const QString el = e.value(i, QStringLiteral("<end of file>"));
        const QString al = a.value(i, QStringLiteral("<end of file>"));
        if (el != al) return QStringLiteral("line %1:\n batch: [%2]\n  gui: [%3]").arg(i + 1).arg(el, al);
    }
    return QStringLiteral("the files differ");
}

// A click where a user would click a radio button or check box: on its indicator.
void clickIndicator(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(6, w->height() / 2)); }

// Runs fn on the next modal window that opens, from the event loop of the modal window itself.
void onNextModal(const QWidget* previous, std::function<void(QWidget*)> fn) {
    QTimer::singleShot(10, [previous, fn] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == previous) {
            onNextModal(previous, fn);
            return;
        }
        fn(modal);
    });
}

// Types a name into the file dialog's name field and presses Open. The dialog fills its file list
// in the background and may still change the name field; press again until the dialog closes.
void answerFileDialog(QFileDialog* dialog, const QString& name, int tries = 200) {
    if (!dialog->isVisible()) return;
    if (auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) field->setText(name);
    static_cast<QDialog*>(dialog)->accept();  // the Open button
    if (tries > 1)
        QTimer::singleShot(20, dialog, [dialog, name, tries] { answerFileDialog(dialog, name, tries - 1); });
}

// The real window wired to the handlers, started as the program starts it.
template <class Chooser>
struct LiveDialog {
    RunState state;
    MainWindow window;
    Chooser chooser{&window};
    DialogLogic logic{state, window, chooser};
    LiveDialog() {
        window.attach(logic);
        logic.start();
    }
};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { startFolder_ = QDir::currentPath(); }
    // The handlers make the chosen file's folder current.
    void cleanup() { QDir::setCurrent(startFolder_); }

    void windowIsAFixedSizeDialogWithTitleMinimizeAndCloseBox();
    void everyControlIsBuiltAsTheTableSays();
    void theStatusLineAsksForFilesWhenTheDialogOpens();
    void radioGroupsAreIndependent();
    void escapeCloseBoxAndExitEndTheDialog();
    void browseButtonsReachTheHandlers();
    void fileDialogForTheInputFile();
    void fileDialogTakesSeveralCifFilesTogether();
    void fileDialogForThePrintFileAddsTheDefaultExtension();
    void fileDialogRefusesAReadOnlyPrintFile();
    void runWritesWhatTheBatchCommandWrites_data();
    void runWritesWhatTheBatchCommandWrites();
    void theDialogUsesTheDesktopFont();
    void noOptionLabelIsCutAtAnyFontSize();
    void enterPressesRunOnlyWhileItIsEnabled();
    void buttonsAndOptionGroupsHaveTheirOwnMnemonics();
    void mnemonicsReachTheirControls();
    void longNamesLoseTheirMiddleAndShowTheFullPath();

private:
    QString startFolder_;
};

void MainWindowTest::windowIsAFixedSizeDialogWithTitleMinimizeAndCloseBox() {
    MainWindow window;
    QVERIFY(window.complete());
    QCOMPARE(window.windowTitle(), QStringLiteral("Win_Tenzio 4.11"));
    const DialogBaseUnits base = window.baseUnits();
    QVERIFY(base.x > 0 && base.y > 0);
    const QSize size(dluToPixelsX(kDialogWidthDlu, base), dluToPixelsY(kDialogHeightDlu, base));
    QCOMPARE(window.size(), size);
    QCOMPARE(window.minimumSize(), size);
    QCOMPARE(window.maximumSize(), size);
    const Qt::WindowFlags flags = window.windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!window.windowIcon().isNull());
}

void MainWindowTest::everyControlIsBuiltAsTheTableSays() {
    MainWindow window;
    const DialogBaseUnits base = window.baseUnits();
    for (const DialogControl& entry : mainDialogControls()) {
        const QString name = qText(entry.objectName);
        auto* w = window.findChild<QWidget*>(name);
        QVERIFY2(w, qPrintable(name));
        if (entry.id != ctl::none) QCOMPARE(window.control(entry.id), w);
        const QRect place(dluToPixelsX(entry.x, base), dluToPixelsY(entry.y, base), dluToPixelsX(entry.w, base),
                          dluToPixelsY(entry.h, base));
        QCOMPARE(w->pos(), place.topLeft());
        QCOMPARE(w->height(), place.height());
        if (entry.kind == ControlKind::radioButton || entry.kind == ControlKind::checkBox) {
            // Grown only as far as its label needs, and never past its frame.
            const int room = dluToPixelsX(growthLimitDlu(entry), base) - place.x();
            QVERIFY2(w->width() >= place.width(), qPrintable(name));
            QVERIFY2(w->width() <= std::max(room, place.width()), qPrintable(name));
            QVERIFY2(w->width() == place.width() || w->width() <= w->sizeHint().width(), qPrintable(name));
            QVERIFY2(w->width() >= std::min(w->sizeHint().width(), room), qPrintable(name));
        } else {
            QCOMPARE(w->width(), place.width());
        }
        QCOMPARE(w->isEnabled(), !entry.disabled);
        QCOMPARE(w->isHidden(), entry.hidden);
        const QString text = qText(entry.text);
        switch (entry.kind) {
        case ControlKind::groupBox: {
            auto* box = qobject_cast<QGroupBox*>(w);
            QVERIFY2(box, qPrintable(name));
            QCOMPARE(box->title(), text);
            break;
        }
        case ControlKind::label: {
            auto* label = qobject_cast<QLabel*>(w);
            QVERIFY2(label, qPrintable(name));
            QCOMPARE(label->text(), text);
            QCOMPARE(label->frameShadow() == QFrame::Sunken, entry.sunken);
            QCOMPARE(label->alignment().testFlag(Qt::AlignHCenter), entry.centred);
            break;
        }
        case ControlKind::pushButton: {
            auto* button = qobject_cast<QPushButton*>(w);
            QVERIFY2(button, qPrintable(name));
            QCOMPARE(button->text(), text);
            // Enter presses Run while it is enabled, and never the button that has the focus.
            QCOMPARE(button->isDefault(), entry.defaultButton && !entry.disabled);
            QVERIFY2(!button->autoDefault(), qPrintable(name));
            break;
        }
        case ControlKind::radioButton: {
            auto* radio = qobject_cast<QRadioButton*>(w);
            QVERIFY2(radio, qPrintable(name));
            QCOMPARE(radio->text(), text);
            QCOMPARE(radio->isChecked(), startsChecked(entry));
            break;
        }
        case ControlKind::checkBox: {
            auto* box = qobject_cast<QCheckBox*>(w);
            QVERIFY2(box, qPrintable(name));
            QCOMPARE(box->text(), text);
            QVERIFY(box->isChecked());
            break;
        }
        case ControlKind::icon: {
            auto* label = qobject_cast<QLabel*>(w);
            QVERIFY2(label, qPrintable(name));
            QVERIFY2(!label->pixmap().isNull(), qPrintable(name));
            break;
        }
        }
    }
}

void MainWindowTest::theStatusLineAsksForFilesWhenTheDialogOpens() {
    LiveDialog<QueueChooser> live;
    auto& [state, window, chooser, logic] = live;
    auto* status = qobject_cast<QLabel*>(window.control(ctl::statusLine));
    QVERIFY(status);
    QCOMPARE(status->text(), QStringLiteral("SELECT FILES"));
    QVERIFY(!window.control(ctl::run)->isEnabled());
}

void MainWindowTest::radioGroupsAreIndependent() {
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    clickIndicator(window.control(ctl::lagrangian));
    QVERIFY(window.isChecked(ctl::lagrangian));
    QVERIFY(!window.isChecked(ctl::eulerian));
    QVERIFY(window.isChecked(ctl::axis1));
    QVERIFY(window.isChecked(ctl::finite));
    clickIndicator(window.control(ctl::axis3));
    QVERIFY(window.isChecked(ctl::axis3));
    QVERIFY(!window.isChecked(ctl::axis1));
    QVERIFY(window.isChecked(ctl::lagrangian));
    clickIndicator(window.control(ctl::infinitesimal));
    QVERIFY(window.isChecked(ctl::infinitesimal));
    QVERIFY(!window.isChecked(ctl::finite));
    QVERIFY(window.isChecked(ctl::axis3));
    QVERIFY(window.isChecked(ctl::lagrangian));
}

void MainWindowTest::escapeCloseBoxAndExitEndTheDialog() {
    RunState state;
    QueueChooser chooser;
    {
        MainWindow window;
        DialogLogic logic(state, window, chooser);
        window.attach(logic);
        logic.start();
        window.open();
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(!window.isVisible());
        QCOMPARE(window.result(), ctl::cancelButton);
    }
    {
        MainWindow window;
        DialogLogic logic(state, window, chooser);
        window.attach(logic);
        logic.start();
        window.open();
        QVERIFY(window.close());
        QCOMPARE(window.result(), ctl::cancelButton);
    }
    {
        MainWindow window;
        DialogLogic logic(state, window, chooser);
        window.attach(logic);
        logic.start();
        window.open();
        QTest::mouseClick(window.control(ctl::exitButton), Qt::LeftButton);
        QVERIFY(!window.isVisible());
        QCOMPARE(window.result(), ctl::exitButton);
    }
}

void MainWindowTest::browseButtonsReachTheHandlers() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    LiveDialog<QueueChooser> live;
    auto& [state, window, chooser, logic] = live;
    window.show();
    chooser.answers.push_back(dataFile().toStdString());
    QTest::mouseClick(window.control(ctl::inputBrowse), Qt::LeftButton);
    QCOMPARE(qobject_cast<QLabel*>(window.control(ctl::inputName))->text(),
             QStringLiteral("phenylpiracetam_triclinic_T.dat"));
    chooser.answers.push_back(folder.filePath(QStringLiteral("report.prt")).toStdString());
    QTest::mouseClick(window.control(ctl::printBrowse), Qt::LeftButton);
    QCOMPARE(qobject_cast<QLabel*>(window.control(ctl::printName))->text(), QStringLiteral("report.prt"));
    QCOMPARE(qobject_cast<QLabel*>(window.control(ctl::statusLine))->text(), QStringLiteral("RUN PROGRAM"));
    QVERIFY(window.control(ctl::run)->isEnabled());
    QTest::mouseClick(window.control(ctl::reset), Qt::LeftButton);
    QCOMPARE(qobject_cast<QLabel*>(window.control(ctl::statusLine))->text(), QStringLiteral("SELECT FILES"));
    QVERIFY(!window.control(ctl::run)->isEnabled());
    QVERIFY(window.isVisible());
}

void MainWindowTest::fileDialogForTheInputFile() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QVERIFY(QDir::setCurrent(folder.path()));
    const QString data = folder.filePath(QStringLiteral("cells.dat"));
    QFile(data).open(QIODevice::WriteOnly);

    QString title;
    QStringList filters;
    QString selectedFilter;
    QString suffix;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    bool readOnly = false;
    QString directory;
    const QWidget* owner = nullptr;
    onNextModal(nullptr, [&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog) return;
        owner = dialog->parentWidget();
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        selectedFilter = dialog->selectedNameFilter();
        suffix = dialog->defaultSuffix();
        mode = dialog->fileMode();
        readOnly = dialog->testOption(QFileDialog::ReadOnly);
        directory = dialog->directory().absolutePath();
        answerFileDialog(dialog, QStringLiteral("cells.dat"));
    });

    LiveDialog<QtFileChooser> live;
    auto& [state, window, chooser, logic] = live;
    QTest::mouseClick(window.control(ctl::inputBrowse), Qt::LeftButton);

    QCOMPARE(title, QStringLiteral("Open Input Data File"));
    // Data and CIF files first; "All Files" shows every file, also one without a dot in its name.
    QCOMPARE(filters,
             (QStringList{QStringLiteral("Data and CIF files (*.dat *.cif)"), QStringLiteral("All Files (*)")}));
    QCOMPARE(selectedFilter, QStringLiteral("Data and CIF files (*.dat *.cif)"));
    QCOMPARE(suffix, QStringLiteral("exp"));
    // Several CIF files may be chosen together.
    QCOMPARE(mode, QFileDialog::ExistingFiles);
    QVERIFY(readOnly);
    QCOMPARE(directory, QDir(folder.path()).absolutePath());
    // It opens over the main window, in its font.
    QCOMPARE(owner, static_cast<const QWidget*>(&window));
    QVERIFY(state.fileChosen.input);
    QCOMPARE(qobject_cast<QLabel*>(window.control(ctl::inputName))->text(), QStringLiteral("cells.dat"));
}

void MainWindowTest::fileDialogTakesSeveralCifFilesTogether() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QVERIFY(QDir::setCurrent(folder.path()));
    for (const int t : {100, 1000, 20}) {
        QFile cif(folder.filePath(QStringLiteral("T%1K.cif").arg(t)));
        QVERIFY(cif.open(QIODevice::WriteOnly));
        cif.write(QStringLiteral("data_t%1\n_cell_length_a 5\n_cell_length_b 6\n_cell_length_c 7\n_cell_angle_alpha 90\n"
                                 "_cell_angle_beta 90\n_cell_angle_gamma 90\n_cell_measurement_temperature %1\n")
                      .arg(t)
                      .toUtf8());
    }
    onNextModal(nullptr, [](QWidget* modal) {
        if (auto* dialog = qobject_cast<QFileDialog*>(modal))
            answerFileDialog(dialog, QStringLiteral("\"T1000K.cif\" \"T20K.cif\" \"T100K.cif\""));
    });

    LiveDialog<QtFileChooser> live;
    auto& [state, window, chooser, logic] = live;
    QTest::mouseClick(window.control(ctl::inputBrowse), Qt::LeftButton);

    QVERIFY(state.fileChosen.input);
    QCOMPARE(qobject_cast<QLabel*>(window.control(ctl::inputName))->text(), QStringLiteral("3 CIF files, 3 points"));
    QCOMPARE(QString::fromStdString(state.inputFileName), QStringLiteral("T20K.cif AND 2 MORE"));
}

void MainWindowTest::fileDialogForThePrintFileAddsTheDefaultExtension() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QVERIFY(QDir::setCurrent(folder.path()));

    QString title;
    QStringList filters;
    QString selectedFilter;
    QFileDialog::FileMode mode = QFileDialog::ExistingFile;
    onNextModal(nullptr, [&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog) return;
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        selectedFilter = dialog->selectedNameFilter();
        mode = dialog->fileMode();
        // A new name typed without extension.
        answerFileDialog(dialog, QStringLiteral("newreport"));
    });

    LiveDialog<QtFileChooser> live;
    auto& [state, window, chooser, logic] = live;
    QTest::mouseClick(window.control(ctl::printBrowse), Qt::LeftButton);

    QCOMPARE(title, QStringLiteral("Open Print File"));
    QCOMPARE(filters, (QStringList{QStringLiteral("All Files (*)"), QStringLiteral("Print (*.prt)"),
                                   QStringLiteral("Log (*.log)")}));
    QCOMPARE(selectedFilter, QStringLiteral("Print (*.prt)"));
    QCOMPARE(mode, QFileDialog::AnyFile);
    QVERIFY(state.fileChosen.print);
    QCOMPARE(QString::fromStdString(state.printFileName), QStringLiteral("newreport.exp"));
    // The file did not exist: it was created.
    QVERIFY(QFile::exists(folder.filePath(QStringLiteral("newreport.exp"))));
}

void MainWindowTest::fileDialogRefusesAReadOnlyPrintFile() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QVERIFY(QDir::setCurrent(folder.path()));
    const QString locked = folder.filePath(QStringLiteral("locked.prt"));
    {
        QFile f(locked);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    }
    if (QFileInfo(locked).isWritable()) QSKIP("this user may write a read-only file");

    bool warned = false;
    int offers = 0;
    std::function<void(QWidget*)> answer = [&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            warned = true;
            box->accept();
            onNextModal(box, answer);
        } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            if (++offers == 1) {
                onNextModal(dialog, answer);
                if (auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                    field->setText(locked);
                static_cast<QDialog*>(dialog)->accept();  // the Open button
            } else {
                dialog->reject();
            }
        }
    };
    onNextModal(nullptr, answer);

    QtFileChooser chooser;
    FileRequest request;
    request.title = "Open Print File";
    request.refuseReadOnly = true;
    const std::optional<std::string> chosen = chooser.choose(request);
    QVERIFY(warned);
    QCOMPARE(offers, 2);
    QVERIFY(!chosen.has_value());
}

void MainWindowTest::runWritesWhatTheBatchCommandWrites_data() {
    QTest::addColumn<int>("axisRadio");
    QTest::addColumn<bool>("lagrangian");
    QTest::addColumn<bool>("infinitesimal");
    QTest::addColumn<bool>("againstFirst");
    QTest::addColumn<QStringList>("batchOptions");

    QTest::newRow("defaults") << ctl::axis1 << false << false << false << QStringList{};
    QTest::newRow("axes 2, infinitesimal Lagrangian, against the first")
        << ctl::axis2 << true << true << true
        << QStringList{"--axes", "2", "--strain", "infinitesimal-lagrangian", "--against-first"};
    QTest::newRow("axes 3, infinitesimal Eulerian")
        << ctl::axis3 << false << true << false
        << QStringList{"--axes", "3", "--strain", "infinitesimal-eulerian"};
    QTest::newRow("finite Lagrangian, against the first")
        << ctl::axis1 << true << false << true
        << QStringList{"--strain", "finite-lagrangian", "--against-first"};
}

void MainWindowTest::runWritesWhatTheBatchCommandWrites() {
    QFETCH(int, axisRadio);
    QFETCH(bool, lagrangian);
    QFETCH(bool, infinitesimal);
    QFETCH(bool, againstFirst);
    QFETCH(QStringList, batchOptions);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QDir root(folder.path());
    QVERIFY(root.mkpath(QStringLiteral("batch")) && root.mkpath(QStringLiteral("gui")));
    const QString batchPrint = root.filePath(QStringLiteral("batch/run.prt"));
    const QString guiPrint = root.filePath(QStringLiteral("gui/run.prt"));
    QVERIFY(QFile::exists(dataFile()));

    QProcess batch;
    batch.start(QStringLiteral(TENZIO_BATCH), QStringList{dataFile(), "--print", batchPrint} + batchOptions);
    QVERIFY(batch.waitForFinished(120000));
    QCOMPARE(batch.exitCode(), 0);

    {
        LiveDialog<QueueChooser> live;
        auto& [state, window, chooser, logic] = live;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        chooser.answers = {dataFile().toStdString(), guiPrint.toStdString()};
        QTest::mouseClick(window.control(ctl::inputBrowse), Qt::LeftButton);
        QTest::mouseClick(window.control(ctl::printBrowse), Qt::LeftButton);
        auto* status = qobject_cast<QLabel*>(window.control(ctl::statusLine));
        QCOMPARE(status->text(), QStringLiteral("RUN PROGRAM"));

        if (axisRadio != ctl::axis1) clickIndicator(window.control(axisRadio));
        if (lagrangian) clickIndicator(window.control(ctl::lagrangian));
        if (infinitesimal) clickIndicator(window.control(ctl::infinitesimal));
        if (againstFirst) clickIndicator(window.control(ctl::incremental));
        QCOMPARE(window.isChecked(ctl::incremental), !againstFirst);

        QTest::mouseClick(window.control(ctl::run), Qt::LeftButton);
        QCOMPARE(status->text(), QStringLiteral("TENZIO FINISHED SUCCESSFULLY"));
        for (const int id : {ctl::run, ctl::reset, ctl::inputBrowse, ctl::printBrowse})
            QVERIFY(!window.control(id)->isEnabled());
        QVERIFY(window.control(ctl::exitButton)->isEnabled());
        // Leaving the scope ends the program: the result files are closed.
    }

    int compared = 0;
    for (const char* name : {"run.prt", "run_strain.cal", "run_tensor.cal", "run_prin.cal"}) {
        const QString expectedPath = root.filePath(QStringLiteral("batch/") + QLatin1String(name));
        const QString actualPath = root.filePath(QStringLiteral("gui/") + QLatin1String(name));
        QCOMPARE(QFile::exists(actualPath), QFile::exists(expectedPath));
        if (!QFile::exists(expectedPath)) continue;
        const QByteArray expected = readFile(expectedPath);
        QVERIFY2(!expected.isEmpty(), name);
        const QString difference = firstDifference(masked(expected), masked(readFile(actualPath)));
        QVERIFY2(difference.isEmpty(), qPrintable(QLatin1String(name) + QStringLiteral(": ") + difference));
        ++compared;
    }
    // A triclinic series writes the report and all three result files.
    QCOMPARE(compared, 4);
}

// Mended fault: the dialog set its own 8-point font, so a larger desktop font enlarged the file
// dialogs but not the main window.
void MainWindowTest::theDialogUsesTheDesktopFont() {
    const QFont desktop = QApplication::font();
    QFont large = desktop;
    large.setPointSize(14);
    QApplication::setFont(large);
    const auto restore = qScopeGuard([&] { QApplication::setFont(desktop); });
    MainWindow window;
    QCOMPARE(window.font(), large);
    // Dialog units follow the font, so the window and every control grow with it.
    QCOMPARE(window.baseUnits().y, QFontMetrics(large).height());
    QCOMPARE(window.width(), dluToPixelsX(kDialogWidthDlu, window.baseUnits()));
    for (const int id : {ctl::run, ctl::inputName, ctl::statusLine}) QCOMPARE(window.control(id)->font(), large);
}

// Whatever the desktop font's size, no option's label is cut: where its letters are wide for
// their average, the whole layout widens.
void MainWindowTest::noOptionLabelIsCutAtAnyFontSize() {
    const QFont desktop = QApplication::font();
    const auto restore = qScopeGuard([&] { QApplication::setFont(desktop); });
    for (int points = 7; points <= 16; ++points) {
        QFont font = desktop;
        font.setPointSize(points);
        QApplication::setFont(font);
        MainWindow window;
        for (const DialogControl& entry : mainDialogControls()) {
            if (entry.kind != ControlKind::radioButton && entry.kind != ControlKind::checkBox) continue;
            const QWidget* option = window.control(entry.id);
            QVERIFY2(option->width() >= option->sizeHint().width(),
                     qPrintable(QStringLiteral("%1 pt: %2").arg(points).arg(qText(entry.text))));
        }
    }
}

// Mended fault: every push button was a default candidate, so Enter, with both files chosen,
// opened the input file dialog.
void MainWindowTest::enterPressesRunOnlyWhileItIsEnabled() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    LiveDialog<QueueChooser> live;
    auto& [state, window, chooser, logic] = live;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* status = qobject_cast<QLabel*>(window.control(ctl::statusLine));

    // No file chosen: Run is disabled and Enter does nothing at all.
    window.control(ctl::inputBrowse)->setFocus();
    QTest::keyClick(&window, Qt::Key_Return);
    QCOMPARE(chooser.requests, 0);
    QCOMPARE(status->text(), QStringLiteral("SELECT FILES"));
    QVERIFY(!qobject_cast<QPushButton*>(window.control(ctl::run))->isDefault());

    chooser.answers = {dataFile().toStdString(), folder.filePath(QStringLiteral("run.prt")).toStdString()};
    QTest::mouseClick(window.control(ctl::inputBrowse), Qt::LeftButton);
    QTest::mouseClick(window.control(ctl::printBrowse), Qt::LeftButton);
    QCOMPARE(status->text(), QStringLiteral("RUN PROGRAM"));
    QVERIFY(qobject_cast<QPushButton*>(window.control(ctl::run))->isDefault());

    // With the focus on a Browse button, Enter still runs.
    window.control(ctl::printBrowse)->setFocus();
    QTest::keyClick(window.control(ctl::printBrowse), Qt::Key_Return);
    QCOMPARE(chooser.requests, 2);
    QCOMPARE(status->text(), QStringLiteral("TENZIO FINISHED SUCCESSFULLY"));
    QVERIFY(window.isVisible());
}

// Every visible button, option and option frame (the axial set's long buttons are reached
// through theirs) has a letter of its own.
void MainWindowTest::buttonsAndOptionGroupsHaveTheirOwnMnemonics() {
    QMap<QKeySequence, QString> owners;
    for (const DialogControl& entry : mainDialogControls()) {
        const QString text = qText(entry.text);
        const QKeySequence key = QKeySequence::mnemonic(text);
        const bool needsOne = (entry.kind == ControlKind::pushButton && !entry.hidden) ||
                              entry.kind == ControlKind::checkBox ||
                              (entry.kind == ControlKind::groupBox && !text.isEmpty() && entry.radioGroup != 0) ||
                              (entry.kind == ControlKind::radioButton && entry.radioGroup != 1);
        if (needsOne) QVERIFY2(!key.isEmpty(), qPrintable(text));
        if (key.isEmpty()) continue;
        QVERIFY2(!owners.contains(key), qPrintable(text + QStringLiteral(" and ") + owners.value(key)));
        owners.insert(key, text);
    }
}

void MainWindowTest::mnemonicsReachTheirControls() {
    LiveDialog<QueueChooser> live;
    auto& [state, window, chooser, logic] = live;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    // A button's letter presses it, after the short press the toolkit shows.
    QTest::keyClick(&window, Qt::Key_L, Qt::AltModifier);
    QTRY_VERIFY(window.isChecked(ctl::lagrangian));
    QTest::keyClick(&window, Qt::Key_I, Qt::AltModifier);
    QTRY_VERIFY(window.isChecked(ctl::infinitesimal));
    QTest::keyClick(&window, Qt::Key_C, Qt::AltModifier);
    QTRY_VERIFY(!window.isChecked(ctl::incremental));
    QTest::keyClick(&window, Qt::Key_B, Qt::AltModifier);
    QTRY_COMPARE(chooser.requests, 1);
    QTest::keyClick(&window, Qt::Key_O, Qt::AltModifier);
    QTRY_COMPARE(chooser.requests, 2);
    // A frame's letter moves to the checked button of its group; the arrows choose within it.
    QTest::keyClick(&window, Qt::Key_A, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), window.control(ctl::axis1));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QVERIFY(window.isChecked(ctl::axis2));
    QTest::keyClick(&window, Qt::Key_S, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), window.control(ctl::lagrangian));
    QTest::keyClick(&window, Qt::Key_X, Qt::AltModifier);
    QTRY_VERIFY(!window.isVisible());
    QCOMPARE(window.result(), ctl::exitButton);
}

void MainWindowTest::longNamesLoseTheirMiddleAndShowTheFullPath() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString name = QStringLiteral("series measured at the beamline over three days, %1 and so on.dat")
                             .arg(QString(120, QLatin1Char('x')));
    const QString path = folder.filePath(name);
    QVERIFY(QFile::copy(dataFile(), path));
    LiveDialog<QueueChooser> live;
    auto& [state, window, chooser, logic] = live;
    window.show();
    chooser.answers = {path.toStdString(), folder.filePath(QStringLiteral("run.prt")).toStdString()};
    QTest::mouseClick(window.control(ctl::inputBrowse), Qt::LeftButton);
    QTest::mouseClick(window.control(ctl::printBrowse), Qt::LeftButton);

    auto* shown = qobject_cast<QLabel*>(window.control(ctl::inputName));
    const QString text = shown->text();
    QVERIFY2(text != name && text.contains(QChar(0x2026)), qPrintable(text));
    QVERIFY2(text.startsWith(QStringLiteral("series")) && text.endsWith(QStringLiteral(".dat")), qPrintable(text));
    QVERIFY(shown->fontMetrics().horizontalAdvance(text) <= shown->contentsRect().width());
    QCOMPARE(shown->toolTip(), path);
    // A short name is shown whole.
    QCOMPARE(qobject_cast<QLabel*>(window.control(ctl::printName))->text(), QStringLiteral("run.prt"));

    // After the run the folder of the result files, elided alike, with the folder as tool tip.
    QTest::mouseClick(window.control(ctl::run), Qt::LeftButton);
    QCOMPARE(qobject_cast<QLabel*>(window.control(ctl::statusLine))->text(),
             QStringLiteral("TENZIO FINISHED SUCCESSFULLY"));
    auto* where = qobject_cast<QLabel*>(window.control(ctl::resultFolder));
    const QString canonical = QFileInfo(folder.path()).canonicalFilePath();
    QCOMPARE(where->toolTip(), canonical);
    QVERIFY2(where->text().startsWith(QStringLiteral("Result files written to ")), qPrintable(where->text()));
    QVERIFY(where->fontMetrics().horizontalAdvance(where->text()) <= where->contentsRect().width());
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
