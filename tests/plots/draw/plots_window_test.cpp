// The plots as drawn, read back from the plot objects and from exported files (never from pixels):
// each point and error bar against the run's records, the matching of axes, the files' sizes and
// texts, and the results window after the dialog's runs. Offscreen.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QLabel>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>
#include <numbers>
#include <qcustomplot.h>

#include <cmath>
#include <deque>
#include <optional>

#include "../../run/run_support.hpp"
#include "plots/data/figures.hpp"
#include "plots/data/plot_csv.hpp"
#include "plots/draw/plot_export.hpp"
#include "plots/draw/plot_style.hpp"
#include "plots/draw/results_window.hpp"
#include "plots/draw/window_place.hpp"
#include "shell/dialog_controls.hpp"
#include "shell/dialog_logic.hpp"
#include "shell/main_window.hpp"
#include "shell/run_results.hpp"

namespace {

using namespace testing_support;

class QueueChooser final : public FileChooser {
public:
    std::optional<std::string> choose(const FileRequest&) override {
        if (answers.empty()) return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::deque<std::optional<std::string>> answers;
};

QString example(const char* name) { return QStringLiteral(TENZIO_SOURCE_DIR "/examples/") + QLatin1String(name); }

// Runs a data file through the driver for the outputs given, with its print file (named
// `printName`) in `folder`; whether the run completed.
bool completedRun(const QString& dataFile, const QTemporaryDir& folder, std::vector<RunOutput*> outputs,
                  RunOptions options = {}, const char* printName = "r.prt") {
    return runOnce(dataFile.toStdString(), folder.filePath(QLatin1String(printName)).toStdString(), options,
                   std::move(outputs))
               .outcome == RunOutcome::completed;
}

struct Curve {
    std::vector<double> x, y;
    std::optional<std::vector<double>> minus, plus;  // the error bars, when drawn
};

// The curves of a plot in the order they were added, with their error bars.
std::vector<Curve> curvesOf(QCustomPlot* plot) {
    std::vector<Curve> curves;
    std::vector<QCPCurve*> sources;
    for (int i = 0; i < plot->plottableCount(); ++i) {
        if (auto* c = qobject_cast<QCPCurve*>(plot->plottable(i))) {
            Curve curve;
            for (auto it = c->data()->constBegin(); it != c->data()->constEnd(); ++it) {
                curve.x.push_back(it->key);
                curve.y.push_back(it->value);
            }
            curves.push_back(curve);
            sources.push_back(c);
        }
    }
    for (int i = 0; i < plot->plottableCount(); ++i) {
        auto* bars = qobject_cast<QCPErrorBars*>(plot->plottable(i));
        if (!bars) continue;
        const auto at = std::find(sources.begin(), sources.end(), bars->dataPlottable());
        if (at == sources.end()) continue;
        Curve& curve = curves[static_cast<std::size_t>(at - sources.begin())];
        curve.minus.emplace();
        curve.plus.emplace();
        for (const QCPErrorBarsData& e : *bars->data()) {
            curve.minus->push_back(e.errorMinus);
            curve.plus->push_back(e.errorPlus);
        }
    }
    return curves;
}

double cosine(const Vec3& u, const Vec3& v) {
    return std::fabs(static_cast<double>(u[0]) * v[0] + static_cast<double>(u[1]) * v[1] +
                     static_cast<double>(u[2]) * v[2]);
}

double volumeOf(const CellParameters& c) {
    const double k = std::numbers::pi / 180.0;
    const double ca = std::cos(c[3] * k), cb = std::cos(c[4] * k), cg = std::cos(c[5] * k);
    return static_cast<double>(c[0]) * c[1] * c[2] * std::sqrt(1.0 - ca * ca - cb * cb - cg * cg + 2.0 * ca * cb * cg);
}

// The texts of an SVG file, in order. A text may come in pieces (a change of font for a few
// characters starts a new one).
QStringList svgTexts(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QXmlStreamReader xml(&file);
    QStringList texts;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("text"))
            texts << xml.readElementText(QXmlStreamReader::IncludeChildElements);
    }
    return xml.hasError() ? QStringList{QStringLiteral("<invalid SVG>")} : texts;
}

}  // namespace

class PlotsWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);  // the window's remembered place goes to a test folder
        startFolder_ = QDir::currentPath();
    }
    void cleanup() { QDir::setCurrent(startFolder_); }

    void pointsAndErrorBarsAreTheRecords_data();
    void pointsAndErrorBarsAreTheRecords();
    void cellPanelsAreTheCellsAsMeasured();
    void linesFollowAnAxisWhoseValueOvertakesAnother();
    void exportedFilesHaveTheirSizesAndNameTheirAxes();
    void surfaceTabShowsTheChosenCalculation();
    void exportWritesTheNumbersBesideThePicture();
    void windowExploresAPlotAndClosesWithEscape();
    void windowOpensOnTheScreenClearOfTheStatusLine();
    void aCentredDialogMovesAsideForTheWindow();
    void resultsWindowOpensAfterACompletedRunOnly();

private:
    QString startFolder_;
};

void PlotsWindowTest::pointsAndErrorBarsAreTheRecords_data() {
    QTest::addColumn<QString>("dataFile");
    QTest::addColumn<bool>("againstFirst");
    QTest::newRow("triclinic T") << example("phenylpiracetam_triclinic_T.dat") << false;
    QTest::newRow("triclinic T, against the first") << example("phenylpiracetam_triclinic_T.dat") << true;
    QTest::newRow("monoclinic T") << example("metacetamol_monoclinic_T.dat") << false;
    QTest::newRow("monoclinic P, no cell esds") << example("Ag3CoCN6_monoclinic_P.dat") << false;
    QTest::newRow("tetragonal P, diagonal") << example("stishovite_tetragonal_P.dat") << false;
    QTest::newRow("cubic T, repeated T") << example("periclase_cubic_T.dat") << false;
}

void PlotsWindowTest::pointsAndErrorBarsAreTheRecords() {
    QFETCH(QString, dataFile);
    QFETCH(bool, againstFirst);
    QTemporaryDir folder;
    PlotRecorder collector;
    Recorder recorder;
    RunOptions options;
    options.incremental = !againstFirst;
    QVERIFY(completedRun(dataFile, folder, {&collector, &recorder}, options));
    const std::vector<PairResult>& records = recorder.records;
    QVERIFY(records.size() >= 2);

    ResultsWindow window(collector, RunFiles{});
    // The strains are against the first point whatever the mode: plot_data_test pins them.
    for (const bool property : {true}) {
        QCustomPlot* plot = window.plot("coefficients");
        const std::vector<Curve> curves = curvesOf(plot);
        // Without principal axes, components equal by symmetry share one line named for all of
        // them ("X = Y (equal by symmetry)"); each component is on exactly one line.
        std::vector<std::vector<int>> components;
        QStringList names;
        for (int i = 0; i < plot->plottableCount(); ++i)
            if (const auto* c = qobject_cast<QCPCurve*>(plot->plottable(i))) names << c->name();
        for (const QString& name : names) {
            components.emplace_back();
            if (records.front().principalAxes) {
                components.back().push_back(static_cast<int>(components.size() - 1));
                continue;
            }
            const QString head = name.section(QRegularExpression(QStringLiteral("[:(]")), 0, 0);
            for (const QString& axis : head.split(QLatin1Char('=')))
                components.back().push_back(axis.trimmed()[0].unicode() - 'X');
        }
        std::vector<int> covered;
        for (const auto& list : components) covered.insert(covered.end(), list.begin(), list.end());
        std::sort(covered.begin(), covered.end());
        QCOMPARE(covered, (std::vector<int>{0, 1, 2}));
        // The shown values are the records' times the panel's scale: a power of ten that the
        // label names ("10⁻⁶ per unit of T"), or that of the unit (10⁶ for K⁻¹, 10³ for TPa⁻¹).
        const double factor = window.figure("coefficients")->panels[0].scale;
        const QString label = plot->yAxis->label();
        const bool adaptive = label.contains(QStringLiteral("per unit of"));
        if (label.contains(QStringLiteral("K⁻¹"))) QCOMPARE(factor, 1e6);
        if (label.contains(QStringLiteral("TPa⁻¹"))) QCOMPARE(factor, 1e3);
        QVERIFY(adaptive || label.contains(QStringLiteral("K⁻¹")) || label.contains(QStringLiteral("TPa⁻¹")));
        double largest = 0.0;

        for (std::size_t n = 0; n < curves.size(); ++n) {
            for (const int t : components[n]) {
                const Curve& c = curves[n];
                std::size_t point = 0;
                std::optional<Vec3> track;
                for (const PairResult& r : records) {
                    if (property && !r.property.defined) continue;  // no value where T or P did not change
                    QVERIFY(point < c.x.size());
                    QCOMPARE(c.x[point], static_cast<double>(r.delta.midpoint));
                    // The record's axis that this point shows, found by its value and esd.
                    const auto valueOf = [&](int m) {
                        if (!r.principalAxes)
                            return property ? r.property.propertyTensor(m + 1, m + 1)
                                            : r.strain.strainTensor(m + 1, m + 1);
                        return property ? r.principal[m].property : r.principal[m].strain;
                    };
                    const auto esdOf = [&](int m) {
                        if (!r.principalAxes)
                            return property ? r.property.propertyEsd(m + 1, m + 1) : r.strain.esdTensor(m + 1, m + 1);
                        return property ? r.principal[m].propertyEsd : r.principal[m].strainEsd;
                    };
                    const auto shows = [&](int m) {
                        return std::fabs(valueOf(m) * factor - c.y[point]) <=
                               1e-5 * std::max(1.0, std::fabs(c.y[point]));
                    };
                    int shown = -1;
                    if (!r.principalAxes) {
                        shown = t;
                        QVERIFY(shows(shown));
                    } else {
                        for (int m = 0; m < 3 && shown < 0; ++m)
                            if (shows(m)) shown = m;
                    }
                    QVERIFY2(shown >= 0,
                             qPrintable(QStringLiteral("line %1, calculation %2").arg(n + 1).arg(r.calculationNumber)));
                    largest = std::max(largest, std::fabs(c.y[point]));

                    if (r.strain.esdCount > 0) {
                        QVERIFY(c.minus.has_value());
                        const double esd = esdOf(shown) * factor;
                        QVERIFY(std::fabs((*c.minus)[point] - esd) <= 1e-5 * std::max(1.0, esd));
                        QCOMPARE((*c.plus)[point], (*c.minus)[point]);
                    } else if (c.minus) {
                        QCOMPARE((*c.minus)[point], 0.0);
                    }
                    // Of the record's axes, the one shown is the most nearly parallel to the line's
                    // direction before.
                    if (r.principalAxes && r.principal[shown].hasDirection) {
                        if (track && r.principal[0].hasDirection && r.principal[1].hasDirection &&
                            r.principal[2].hasDirection) {
                            for (int m = 0; m < 3; ++m)
                                QVERIFY(cosine(r.principal[shown].direction, *track) >=
                                        cosine(r.principal[m].direction, *track) - 1e-6);
                        }
                        track = r.principal[shown].direction;
                    }
                    ++point;
                }
                QCOMPARE(point, c.x.size());
            }
        }
        if (adaptive && largest > 0.0) {
            QVERIFY(largest >= 0.99999);
            QVERIFY(largest < 1000.0);
        }
    }
}

void PlotsWindowTest::cellPanelsAreTheCellsAsMeasured() {
    QTemporaryDir folder;
    PlotRecorder collector;
    Recorder recorder;
    QVERIFY(completedRun(example("phenylpiracetam_triclinic_T.dat"), folder, {&collector, &recorder}));
    ResultsWindow window(collector, RunFiles{});
    // Triclinic: a, b, c, the three angles (they vary) and V, each in its own panel.
    const std::vector<Curve> curves = curvesOf(window.plot("cell"));
    QCOMPARE(curves.size(), std::size_t{7});
    const Figure* figure = window.figure("cell");
    QCOMPARE(figure->panels.size(), std::size_t{7});
    const QStringList labels{"a (Å)", "b (Å)", "c (Å)", "α (°)", "β (°)", "γ (°)", "V (Å³)"};
    const std::vector<DataPoint>& points = recorder.points;
    for (int q = 0; q < 7; ++q) {
        QCOMPARE(qText(figure->panels[static_cast<std::size_t>(q)].yLabel), labels[q]);
        const Curve& c = curves[static_cast<std::size_t>(q)];
        QCOMPARE(c.x.size(), points.size());
        QVERIFY(c.minus.has_value());
        for (std::size_t k = 0; k < points.size(); ++k) {
            QCOMPARE(c.x[k], static_cast<double>(points[k].t));
            const double value = q < 6 ? points[k].cell[q] : volumeOf(points[k].cell);
            QVERIFY2(std::fabs(c.y[k] - value) < 2e-4 * std::max(1.0, value), qPrintable(labels[q]));
            if (q < 6) QCOMPARE((*c.minus)[k], static_cast<double>(points[k].cell.esd[q]));
        }
    }
    // The volume's esd lies between the largest single contribution and the sum of all of them.
    const Curve& v = curves[6];
    const DataPoint& p = points[1];
    const double relative = (*v.minus)[1] / volumeOf(p.cell);
    const double edges = std::sqrt(std::pow(p.cell.esd.a / p.cell.a, 2) + std::pow(p.cell.esd.b / p.cell.b, 2) +
                                   std::pow(p.cell.esd.c / p.cell.c, 2));
    QVERIFY(relative >= edges * 0.999);

    // Cubic: a = b = c in one panel, named so in the legend; the angles do not vary.
    PlotRecorder cubic;
    QVERIFY(completedRun(example("periclase_cubic_T.dat"), folder, {&cubic}, {}, "c.prt"));
    const Figure edges3 = cellFigure(cubic);
    QCOMPARE(edges3.panels.size(), std::size_t{2});
    QCOMPARE(qText(edges3.panels[0].yLabel), QStringLiteral("a = b = c (Å)"));
    QCOMPARE(qText(edges3.panels[0].lines[0].name), QStringLiteral("a = b = c (equal by symmetry)"));
    QVERIFY(edges3.panels[0].lines[0].inLegend);
    QCOMPARE(qText(edges3.panels[1].yLabel), QStringLiteral("V (Å³)"));
}

void PlotsWindowTest::linesFollowAnAxisWhoseValueOvertakesAnother() {
    // A monoclinic cell with beta = 90: the principal axes lie along a, b and c. a grows by 0.1 %
    // and c by 0.2 % from the first to the second cell; from the second to the third a grows by
    // 0.3 % and c by 0.1 %.
    QTemporaryDir folder;
    const QString data = folder.filePath(QStringLiteral("swap.dat"));
    QFile file(data);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        "TITLE two principal values that change places\nSYSTEM MONOCLINIC\n"
        "LINE1 T A SIGA B SIGB C SIGC BETA SIGBETA\nDATA\n"
        "0 5.0000 0.0002 6.0 0.0002 7.0000 0.0002 90 0.001\n"
        "10 5.0050 0.0002 6.0 0.0002 7.0140 0.0002 90 0.001\n"
        "20 5.0200 0.0002 6.0 0.0002 7.0210 0.0002 90 0.001\n");
    file.close();
    PlotRecorder collector;
    Recorder recorder;
    QVERIFY(completedRun(data, folder, {&collector, &recorder}));
    QCOMPARE(recorder.records.size(), std::size_t{2});
    // The decomposition lists the axes by value, so the axis along a moves to another place.
    const auto placeOfA = [](const PairResult& r) {
        for (int m = 0; m < 3; ++m)
            if (r.principal[m].hasDirection && std::fabs(r.principal[m].direction[0]) > 0.99f) return m;
        return -1;
    };
    const int before = placeOfA(recorder.records[0]);
    const int after = placeOfA(recorder.records[1]);
    QVERIFY(before >= 0 && after >= 0);
    QVERIFY2(before != after, "the test needs two values that change places");

    ResultsWindow window(collector, RunFiles{});
    const std::vector<Curve> curves = curvesOf(window.plot("coefficients"));
    // The line that starts with a's coefficient ends with a's coefficient.
    const double scale = window.figure("coefficients")->panels[0].scale;
    const double aFirst = recorder.records[0].principal[before].property * scale;
    const double aSecond = recorder.records[1].principal[after].property * scale;
    std::vector<std::size_t> found;
    for (std::size_t n = 0; n < curves.size(); ++n) {
        if (std::fabs(curves[n].y[0] - aFirst) > 1e-3) continue;
        found.push_back(n);
        QVERIFY(std::fabs(curves[n].y[1] - aSecond) < 1e-3);
    }
    QCOMPARE(found.size(), std::size_t{1});
    // Its legend gives the direction of a: along +a, perpendicular to b and c.
    QCustomPlot* plot = window.plot("coefficients");
    std::vector<const QCPCurve*> lines;
    for (int i = 0; i < plot->plottableCount(); ++i)
        if (const auto* c = qobject_cast<QCPCurve*>(plot->plottable(i))) lines.push_back(c);
    const QCPCurve* line = lines.at(found[0]);
    QVERIFY2(line->name().contains(QRegularExpression(QStringLiteral(": 0°, 90°, 90° to a, b, c$"))),
             qPrintable(line->name()));
}

void PlotsWindowTest::exportedFilesHaveTheirSizesAndNameTheirAxes() {
    QTemporaryDir folder;
    PlotRecorder collector;
    QVERIFY(completedRun(example("phenylpiracetam_triclinic_T.dat"), folder, {&collector}));
    const Figure figure = coefficientsFigure(collector);
    QString error;

    const QString svg = folder.filePath(QStringLiteral("c.svg"));
    QVERIFY2(exportFigure(figure, svg, ExportFormat::svg, ExportWidth::column, error), qPrintable(error));
    const QString texts = svgTexts(svg).join(QString());
    QVERIFY2(texts.contains(qText(figure.xLabel)), qPrintable(texts));
    QVERIFY2(texts.contains(qText(figure.panels[0].yLabel)), qPrintable(texts));
    for (const PlotLine& line : figure.panels[0].lines)
        QVERIFY2(texts.contains(qText(line.name)), qPrintable(qText(line.name)));

    // PNG at 300 dots per inch: 85 mm is 1004 pixels, 180 mm 2126.
    for (const auto& [width, pixels] : {std::pair{ExportWidth::column, 1004}, std::pair{ExportWidth::page, 2126}}) {
        const QString png = folder.filePath(QStringLiteral("c%1.png").arg(pixels));
        QVERIFY2(exportFigure(figure, png, ExportFormat::png, width, error), qPrintable(error));
        const QImage image(png);
        QCOMPARE(image.width(), pixels);
        QCOMPARE(image.dotsPerMeterX(), 11811);
    }
    // PDF pages of 85 and 180 mm: 240.9 and 510.2 points.
    for (const auto& [width, points] : {std::pair{ExportWidth::column, 240.9}, std::pair{ExportWidth::page, 510.2}}) {
        const QString pdf = folder.filePath(QStringLiteral("c.pdf"));
        QVERIFY2(exportSurface(surfaceFigure(collector, 1), pdf, ExportFormat::pdf, width, error), qPrintable(error));
        QFile f(pdf);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QRegularExpressionMatch box =
            QRegularExpression(QStringLiteral("/MediaBox \\[0 0 ([0-9.]+) ")).match(QString::fromLatin1(f.readAll()));
        QVERIFY(box.hasMatch());
        QVERIFY(std::fabs(box.captured(1).toDouble() - points) < 0.2);
    }
    // A folder that does not exist: the reason, and no file.
    const QString nowhere = folder.filePath(QStringLiteral("missing/c.svg"));
    QVERIFY(!exportFigure(figure, nowhere, ExportFormat::svg, ExportWidth::column, error));
    QVERIFY(error.contains(QStringLiteral("missing")));
    QVERIFY(!QFile::exists(nowhere));
}

void PlotsWindowTest::surfaceTabShowsTheChosenCalculation() {
    QTemporaryDir folder;
    PlotRecorder collector;
    QVERIFY(completedRun(example("metacetamol_monoclinic_T.dat"), folder, {&collector}));
    ResultsWindow window(collector, RunFiles{});
    QComboBox* choice = window.surfaceChoice();
    QCOMPARE(static_cast<std::size_t>(choice->count()), collector.calculations());
    QCOMPARE(choice->currentIndex(), choice->count() - 1);  // the last calculation first
    QCOMPARE(static_cast<std::size_t>(window.shownSurface().calculation), collector.calculations());
    choice->setCurrentIndex(0);
    QCOMPARE(window.shownSurface().calculation, 1);
    // The sections meet their principal axes at the principal values shown in the coefficients plot.
    const SurfaceData& s = window.shownSurface();
    QVERIFY(s.defined);
    const std::vector<Curve> curves = curvesOf(window.plot("coefficients"));
    for (int p = 0; p < 3; ++p) {
        const SurfaceSection& section = s.sections[p];
        QVERIFY(std::fabs(section.values[0] - curves[section.first].y[0]) <
                1e-3 * std::max(1.0, std::fabs(curves[section.first].y[0])));
    }
    window.plot("surface")->replot();  // draws without a display
}

void PlotsWindowTest::exportWritesTheNumbersBesideThePicture() {
    QTemporaryDir folder;
    PlotRecorder collector;
    QVERIFY(completedRun(example("metacetamol_monoclinic_T.dat"), folder, {&collector}));
    ResultsWindow window(collector, RunFiles{});
    QString error;
    for (const std::string stem : {"coefficients", "strains", "cell"}) {
        const QString picture = folder.filePath(QString::fromStdString(stem) + QStringLiteral("_plot.svg"));
        QVERIFY2(window.exportTab(stem, picture, false, error), qPrintable(error));
        QVERIFY(QFile::exists(picture));
        QFile csv(folder.filePath(QString::fromStdString(stem) + QStringLiteral("_plot.csv")));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll().toStdString(), figureCsv(*window.figure(stem)));
    }
    // The strains as fractions: the last point's axis 1 against the first, as the figure holds it.
    const PlotLine& axis1 = window.figure("strains")->panels[0].lines[0];
    QFile strains(folder.filePath(QStringLiteral("strains_plot.csv")));
    QVERIFY(strains.open(QIODevice::ReadOnly));
    const QStringList rows = QString::fromLatin1(strains.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    // The points' rows first, then the rows where only the fitted curves were drawn.
    QVERIFY(rows.first().startsWith(QStringLiteral("x,axis_1,axis_1_esd,axis_2,axis_2_esd,axis_3,axis_3_esd,axis_1_fit,")));
    QVERIFY(rows.size() > static_cast<qsizetype>(axis1.x.size() + 1));
    QCOMPARE(rows[static_cast<qsizetype>(axis1.x.size())].split(QLatin1Char(','))[1].toFloat(), axis1.y.back());
    QVERIFY(std::fabs(axis1.y.back()) < 0.1f);  // a fraction, not %
    // The surface is exported as the user turned it, and with no CSV.
    const QString asShown = folder.filePath(QStringLiteral("surface.svg"));
    const QString turned = folder.filePath(QStringLiteral("turned.svg"));
    QVERIFY2(window.exportTab("surface", asShown, false, error), qPrintable(error));
    window.turnSurface({120.0, -10.0});
    QCOMPARE(window.surfaceView().azimuth, 120.0);
    QVERIFY2(window.exportTab("surface", turned, false, error), qPrintable(error));
    QFile a(asShown), b(turned);
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    QVERIFY(a.readAll() != b.readAll());
    QString fromTheDefault;
    QVERIFY2(exportSurface(window.shownSurface(), folder.filePath(QStringLiteral("d.svg")), ExportFormat::svg,
                           ExportWidth::column, fromTheDefault),
             qPrintable(fromTheDefault));
    QFile d(folder.filePath(QStringLiteral("d.svg")));
    QVERIFY(d.open(QIODevice::ReadOnly) && a.seek(0));
    QCOMPARE(d.readAll(), a.readAll());  // before turning: the default view
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("surface.csv"))));

    // A name without a known suffix is refused, and nothing is written.
    QVERIFY(!window.exportTab("cell", folder.filePath(QStringLiteral("cell.txt")), false, error));
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("cell.csv"))));
}

void PlotsWindowTest::windowExploresAPlotAndClosesWithEscape() {
    QTemporaryDir folder;
    PlotRecorder collector;
    QVERIFY(completedRun(example("phenylpiracetam_triclinic_T.dat"), folder, {&collector}));
    ResultsWindow window(collector, RunFiles{});
    window.resize(900, 680);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCustomPlot* plot = window.plot("coefficients");
    plot->replot();
    const Figure& figure = *window.figure("coefficients");
    const PlotLine& line = figure.panels[0].lines[1];
    const double scale = figure.panels[0].scale;

    // The readout names the point under the pointer: its axis, x and value ± esd.
    const QPoint at(static_cast<int>(std::lround(plot->xAxis->coordToPixel(line.x[2]))),
                    static_cast<int>(std::lround(plot->yAxis->coordToPixel(line.y[2] * scale))));
    QTest::mouseMove(plot, at);
    const QString readout = window.readout("coefficients")->text();
    QVERIFY2(readout.startsWith(QStringLiteral("axis 2:")), qPrintable(readout));
    QVERIFY2(readout.contains(QLocale::c().toString(line.x[2], 'g', 6)), qPrintable(readout));
    QVERIFY2(readout.contains(QStringLiteral(" ± ")), qPrintable(readout));

    // + zooms in, the arrows pan, 0 goes back to the whole figure.
    const QCPRange whole = plot->xAxis->range();
    plot->setFocus();
    QTest::keyClick(plot, Qt::Key_Plus);
    QVERIFY(plot->xAxis->range().size() < whole.size() * 0.9);
    QTest::keyClick(plot, Qt::Key_Right);
    QVERIFY(plot->xAxis->range().center() > whole.center());
    QTest::keyClick(plot, Qt::Key_0);
    QCOMPARE(plot->xAxis->range().lower, whole.lower);
    QCOMPARE(plot->xAxis->range().upper, whole.upper);

    // Panels of one figure move together in x.
    QCustomPlot* cell = window.plot("cell");
    cell->axisRect(0)->axis(QCPAxis::atBottom)->setRange(30.0, 50.0);
    QCOMPARE(cell->axisRect(3)->axis(QCPAxis::atBottom)->range().lower, 30.0);

    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(!window.isVisible());
}

void PlotsWindowTest::windowOpensOnTheScreenClearOfTheStatusLine() {
    const QRect screen(0, 0, 1280, 1024);
    const QMargins frame(4, 28, 4, 4);
    const QSize wanted(900, 680), minimum(600, 540);
    const struct {
        const char* name;
        QRect dialog;
        QRect status;
    } cases[] = {
        {"room on the right", QRect(10, 10, 330, 420), QRect(20, 360, 310, 20)},
        {"room on the left only", QRect(900, 100, 330, 420), QRect(910, 450, 310, 20)},
        {"a dialog in the middle", QRect(470, 300, 340, 420), QRect(480, 650, 320, 20)},
        {"a wide dialog at the top", QRect(0, 0, 1200, 300), QRect(10, 250, 1180, 20)},
        {"a wide dialog at the bottom", QRect(0, 700, 1200, 300), QRect(10, 980, 1180, 20)},
    };
    for (const auto& c : cases) {
        const QRect client = placeWindow(screen, c.dialog, c.status, wanted, minimum, frame);
        const QRect outer = client.marginsAdded(frame);
        QVERIFY2(screen.contains(outer), c.name);
        QVERIFY2(!outer.intersects(c.status), c.name);
        QVERIFY2(client.width() >= minimum.width() && client.height() >= minimum.height(), c.name);
        QVERIFY2(client.width() <= wanted.width() && client.height() <= wanted.height(), c.name);
    }
    // Beside the dialog when there is room, as large as wanted.
    const QRect right = placeWindow(screen, cases[0].dialog, cases[0].status, wanted, minimum, frame);
    QVERIFY(right.left() > cases[0].dialog.right());
    QCOMPARE(right.size(), wanted);
}

void PlotsWindowTest::aCentredDialogMovesAsideForTheWindow() {
    const QMargins frame(4, 28, 4, 4);
    const QSize wanted(900, 680), minimum(600, 540);
    for (const QRect screen : {QRect(0, 0, 1280, 1024), QRect(0, 0, 1600, 1000)}) {
        // A dialog 536 x 455 in the middle of the screen; kept in view: from the status line to
        // the buttons. No side of it leaves room for the window's smallest size.
        QRect dialog(QPoint(0, 0), QSize(536, 455));
        dialog.moveCenter(screen.center());
        const QRect keep(dialog.left() + 20, dialog.top() + 150, 490, 260);
        const QRect here = placeWindow(screen, dialog, keep, wanted, minimum, frame);
        QVERIFY(here.marginsAdded(frame).intersects(keep) || here.width() < minimum.width() ||
                here.height() < minimum.height());
        const Placement place = placeWindowAndDialog(screen, dialog, keep, wanted, minimum, frame);
        QVERIFY(place.dialogShift != 0);
        const QRect moved = dialog.translated(place.dialogShift, 0);
        QVERIFY(screen.contains(moved));
        const QRect outer = place.window.marginsAdded(frame);
        QVERIFY(screen.contains(outer));
        QVERIFY(!outer.intersects(keep.translated(place.dialogShift, 0)));
        QVERIFY(place.window.width() >= minimum.width() && place.window.height() >= minimum.height());
    }
    // With room beside it, the dialog stays where it is.
    const QRect screen(0, 0, 1280, 1024);
    const QRect dialog(10, 10, 536, 455);
    QCOMPARE(placeWindowAndDialog(screen, dialog, QRect(30, 160, 490, 260), wanted, minimum, frame).dialogShift, 0);
}

void PlotsWindowTest::resultsWindowOpensAfterACompletedRunOnly() {
    QTemporaryDir folder;
    const QString print = folder.filePath(QStringLiteral("run.prt"));
    const QString bad = folder.filePath(QStringLiteral("bad.dat"));
    {
        QFile f(print);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("EARLIER CONTENT\r\n");
        QFile b(bad);
        QVERIFY(b.open(QIODevice::WriteOnly));
        b.write("LINE1 T A\nDATA\n1 x\n");
    }

    {
        // A data file that cannot be read: the run fails, no window.
        MainWindow window;
        RunResults results(window);
        RunState state;
        QueueChooser chooser;
        DialogLogic logic(state, window, chooser, [&results](RunState& s) { return results(s); });
        window.attach(logic);
        logic.start();
        chooser.answers = {bad.toStdString(), print.toStdString()};
        logic.chooseInputFile();
        logic.choosePrintFile();
        QTest::mouseClick(qobject_cast<QPushButton*>(window.control(ctl::run)), Qt::LeftButton);
        QCoreApplication::processEvents();
        QTest::qWait(50);
        QVERIFY(results.window() == nullptr);
        QVERIFY(!window.control(ctl::showResults)->isEnabled());
    }
    {
        MainWindow window;
        RunResults results(window);
        RunState state;
        QueueChooser chooser;
        DialogLogic logic(state, window, chooser, [&results](RunState& s) { return results(s); });
        window.attach(logic);
        logic.start();
        chooser.answers = {example("phenylpiracetam_triclinic_T.dat").toStdString(), print.toStdString()};
        logic.chooseInputFile();
        logic.choosePrintFile();
        QTest::mouseClick(qobject_cast<QPushButton*>(window.control(ctl::run)), Qt::LeftButton);
        QTRY_VERIFY(results.window() && results.window()->isVisible());
        ResultsWindow* shown = results.window();
        QCOMPARE(shown->parentWidget(), &window);
        QVERIFY(!shown->isModal());
        // The plots, the surface, the fits and the report.
        QCOMPARE(shown->tabs()->count(), 6);
        QCOMPARE(shown->tabs()->tabText(4), QStringLiteral("Fits"));
        const QString fits = shown->findChild<QTextBrowser*>(QStringLiteral("fitsText"))->toPlainText();
        QVERIFY2(fits.contains(QStringLiteral("Linear coefficients")), qPrintable(fits));
        QVERIFY2(fits.contains(QRegularExpression(QStringLiteral("axis 1\\s+\\S*\\d\\(\\d+\\)"))), qPrintable(fits));
        // The dialog stays as a completed run leaves it: Exit, and Show results for the window.
        QVERIFY(!window.control(ctl::run)->isEnabled());
        QVERIFY(window.control(ctl::exitButton)->isEnabled());
        auto* again = qobject_cast<QPushButton*>(window.control(ctl::showResults));
        QVERIFY(again && again->isEnabled());
        shown->close();
        QVERIFY(!shown->isVisible());
        QTest::mouseClick(again, Qt::LeftButton);
        QTRY_VERIFY(results.window() == shown && shown->isVisible());

        // The report tab shows this run's part of the print file and the files it wrote.
        const QString report = shown->findChild<QPlainTextEdit*>(QStringLiteral("reportText"))->toPlainText();
        QVERIFY(report.contains(QStringLiteral("OUTPUT FROM CALCULATION NO.")));
        QVERIFY(!report.contains(QStringLiteral("EARLIER CONTENT")));
        const auto* files = shown->findChild<QListWidget*>(QStringLiteral("files"));
        QCOMPARE(files->count(), 4);  // print file, _strain, _tensor, _prin
        QCOMPARE(QFileInfo(files->item(0)->text()).canonicalFilePath(), QFileInfo(print).canonicalFilePath());
        for (int i = 0; i < files->count(); ++i) {
            QVERIFY2(QFileInfo(files->item(i)->text()).isAbsolute(), qPrintable(files->item(i)->text()));
            QVERIFY2(QFileInfo::exists(files->item(i)->text()), qPrintable(files->item(i)->text()));
        }
    }
}

QTEST_MAIN(PlotsWindowTest)
#include "plots_window_test.moc"
