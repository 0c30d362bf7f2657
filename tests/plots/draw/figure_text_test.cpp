// Every text of every figure of small series, as the figure draws it: recorded by a paint device
// that keeps each drawn text with its place, font and clip, so that the checks use what is drawn
// and where, not how the layout meant to place it. A text whose glyphs reach beyond its clip is
// cut off on paper; two texts whose glyphs meet are unreadable. Offscreen.
#include <QPaintDevice>
#include <QPaintEngine>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <tuple>

#include "../../run/run_support.hpp"
#include "plots/data/figures.hpp"
#include "plots/data/plot_recorder.hpp"
#include "plots/draw/figure_plot.hpp"
#include "plots/draw/plot_export.hpp"
#include "plots/draw/plot_style.hpp"
#include "plots/draw/results_window.hpp"
#include "plots/draw/surface_plot.hpp"

namespace {

using namespace testing_support;

struct DrawnText {
    QString text;
    QRectF glyphs;  // the ink of the text, from its font's outlines, in device coordinates
    QRectF clip;    // the clip in force, or empty for none
};

// Keeps the texts; draws nothing else.
class TextEngine final : public QPaintEngine {
public:
    TextEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawPath(const QPainterPath&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawLines(const QLineF*, int) override {}
    void drawRects(const QRectF*, int) override {}
    void drawEllipse(const QRectF&) override {}
    void drawPoints(const QPointF*, int) override {}
    void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {}
    void drawTiledPixmap(const QRectF&, const QPixmap&, const QPointF&) override {}
    Type type() const override { return QPaintEngine::User; }

    void drawTextItem(const QPointF& at, const QTextItem& item) override {
        const QString text = item.text();
        if (text.trimmed().isEmpty()) return;
        // The outline of the glyphs round the baseline's start, where the painter puts them.
        QPainterPath outline;
        outline.addText(at, item.font(), text);
        const QTransform toDevice = painter()->transform();
        DrawnText drawn{text, toDevice.map(outline).boundingRect(), {}};
        if (painter()->hasClipping()) drawn.clip = toDevice.mapRect(painter()->clipBoundingRect());
        texts.push_back(drawn);
    }

    std::vector<DrawnText> texts;
};

class TextDevice final : public QPaintDevice {
public:
    TextDevice(int w, int h) : w_(w), h_(h) {}
    QPaintEngine* paintEngine() const override { return &engine_; }
    std::vector<DrawnText>& texts() { return engine_.texts; }

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
        case PdmWidth: return w_;
        case PdmHeight: return h_;
        case PdmWidthMM: return static_cast<int>(std::lround(w_ * 25.4 / 96.0));
        case PdmHeightMM: return static_cast<int>(std::lround(h_ * 25.4 / 96.0));
        case PdmNumColors: return 0x7fffffff;
        case PdmDepth: return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return 96;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
        }
        return 0;
    }

private:
    int w_, h_;
    mutable TextEngine engine_;
};

// The texts of a plot drawn at w x h units (of 1/96 inch for a file, pixels in the window) after
// a first layout at that size (the axes choose their ticks from the layout before).
std::vector<DrawnText> textsAfterLayout(QCustomPlot& plot, int w, int h) {
    for (int pass = 0; pass < 2; ++pass) {
        TextDevice device(w, h);
        QCPPainter painter(&device);
        plot.toPainter(&painter, w, h);
        painter.end();
        if (pass == 1) return device.texts();
    }
    return {};
}

struct DrawnFigure {
    std::vector<DrawnText> texts;
    QStringList axesWithoutScale;  // labelled axes that show fewer than two tick labels
};

DrawnFigure drawnFigure(const Figure& figure, int w, int h, const PlotFonts& fonts) {
    QCustomPlot plot;
    showFigure(plot, figure, fonts);
    DrawnFigure drawn{textsAfterLayout(plot, w, h), {}};
    for (QCPAxisRect* rect : plot.axisRects())
        for (QCPAxis* axis : rect->axes()) {
            if (!axis->visible() || !axis->tickLabels()) continue;
            const QVector<QString> labels = axis->tickVectorLabels();
            if (std::count_if(labels.begin(), labels.end(), [](const QString& l) { return !l.isEmpty(); }) < 2)
                drawn.axesWithoutScale << (axis->label().isEmpty() ? QStringLiteral("an unlabelled axis") : axis->label());
        }
    return drawn;
}

// The texts of the representation surface drawn w x h with the export fonts, its panels in rows
// of `perRow`.
std::vector<DrawnText> surfaceTextsOf(const SurfaceData& surface, int w, int h, int perRow) {
    QCustomPlot plot;
    showSurface(plot, surface, exportFonts(), perRow, false, w);
    return textsAfterLayout(plot, w, h);
}

// Ink that reaches a hair beyond a box (antialiasing of an outline's bounding box) is not cut.
constexpr double kHair = 0.25;

bool inside(const QRectF& outer, const QRectF& inner) {
    return inner.left() >= outer.left() - kHair && inner.top() >= outer.top() - kHair &&
           inner.right() <= outer.right() + kHair && inner.bottom() <= outer.bottom() + kHair;
}

bool meet(const QRectF& a, const QRectF& b) {
    return a.adjusted(kHair, kHair, -kHair, -kHair).intersects(b.adjusted(kHair, kHair, -kHair, -kHair));
}

QString where(const DrawnText& t) {
    return QStringLiteral("\"%1\" at %2,%3 %4x%5")
        .arg(t.text)
        .arg(t.glyphs.x(), 0, 'f', 1)
        .arg(t.glyphs.y(), 0, 'f', 1)
        .arg(t.glyphs.width(), 0, 'f', 1)
        .arg(t.glyphs.height(), 0, 'f', 1);
}

}  // namespace

class FigureTextTest : public QObject {
    Q_OBJECT

private slots:
    void noTextIsCutOffOrMeetsAnother_data();
    void noTextIsCutOffOrMeetsAnother();
    void theRecorderSeesACutText();
    void theSurfaceKeyNamesTheSignsDrawn();
    void outliersAtOneXStandApart();
    void aLongRunOfOutliersKeepsItsArrowsAndValuesApart();
};


void FigureTextTest::noTextIsCutOffOrMeetsAnother_data() {
    QTest::addColumn<QString>("series");
    // A pressure series with equations of state and outliers, a cubic one in T, monoclinic ones
    // in P and in T, a triclinic one with seven panels of the cell, and the series of volumes: in T, in P, and in both.
    QTest::newRow("stishovite") << QStringLiteral("stishovite_tetragonal_P.dat");
    QTest::newRow("periclase") << QStringLiteral("periclase_cubic_T.dat");
    QTest::newRow("Ag3Co(CN)6") << QStringLiteral("Ag3CoCN6_monoclinic_P.dat");
    QTest::newRow("metacetamol") << QStringLiteral("metacetamol_monoclinic_T.dat");
    QTest::newRow("phenylpiracetam") << QStringLiteral("phenylpiracetam_triclinic_T.dat");
    QTest::newRow("metacetamol volumes") << QStringLiteral("volumes/metacetamol_volumes_T.dat");
    QTest::newRow("stishovite volumes") << QStringLiteral("volumes/stishovite_volumes_P.dat");
    QTest::newRow("P-V-T") << QStringLiteral("volumes/synthetic_PVT.dat");
}

void FigureTextTest::noTextIsCutOffOrMeetsAnother() {
    QFETCH(QString, series);
    QTemporaryDir folder;
    PlotRecorder collector;
    const std::string data = std::string(TENZIO_SOURCE_DIR "/examples/") + series.toStdString();
    QVERIFY(runOnce(data, folder.filePath(QStringLiteral("r.prt")).toStdString(), {}, {&collector}).outcome ==
            RunOutcome::completed);
    const std::vector<NamedFigure> figures = plotFigures(collector);
    QVERIFY(!figures.empty());
    const auto check = [](const QString& figure, const std::vector<DrawnText>& texts, QSize size) {
        QVERIFY2(texts.size() > 3, qPrintable(figure + QStringLiteral("too few texts")));
        const QRectF sheet(0, 0, size.width(), size.height());
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const DrawnText& t = texts[i];
            QVERIFY2(inside(sheet, t.glyphs), qPrintable(figure + where(t) + QStringLiteral(" leaves the page")));
            if (!t.clip.isEmpty())
                QVERIFY2(inside(t.clip, t.glyphs), qPrintable(figure + where(t) + QStringLiteral(" is cut off")));
            for (std::size_t j = 0; j < i; ++j)
                QVERIFY2(!meet(t.glyphs, texts[j].glyphs),
                         qPrintable(figure + where(t) + QStringLiteral(" meets ") + where(texts[j])));
        }
    };
    // The surface of every calculation, at 85 mm (panels two to a row) and 180 mm (four).
    for (std::size_t k = 1; k <= collector.calculations(); ++k) {
        const SurfaceData surface = surfaceFigure(collector, k);
        if (!surface.defined) {
            // Nothing to draw: the message alone, wrapped into a strip 20 mm high at 85 mm.
            const QSize strip(321, 76);
            const std::vector<DrawnText> texts = surfaceTextsOf(surface, strip.width(), strip.height(), 2);
            QVERIFY2(!texts.empty(), "the message of an undefined surface is drawn");
            for (const DrawnText& t : texts)
                QVERIFY2(inside(QRectF(0, 0, strip.width(), strip.height()), t.glyphs),
                         qPrintable(QStringLiteral("surface %1: ").arg(k) + where(t) + QStringLiteral(" leaves the strip")));
            continue;
        }
        for (const auto& [size, perRow] : {std::pair{QSize(321, 397), 2}, std::pair{QSize(680, 249), 4}}) {
            check(QStringLiteral("surface %1 at %2 wide: ").arg(k).arg(size.width()),
                  surfaceTextsOf(surface, size.width(), size.height(), perRow), size);
            if (QTest::currentTestFailed()) return;
        }
    }
    struct Drawing {
        const char* name;
        Figure figure;
        QSize size;
        PlotFonts fonts;
    };
    for (const NamedFigure& named : figures) {
        const ExportedFigure column = exportedFigure(named.figure, ExportWidth::column);
        const ExportedFigure page = exportedFigure(named.figure, ExportWidth::page);
        // Files at both widths.
        const Drawing drawings[] = {{"85 mm", column.figure, column.units, exportFonts()},
                                    {"180 mm", page.figure, page.units, exportFonts()}};
        for (const Drawing& d : drawings) {
            const QSize size = d.size;
            const DrawnFigure drawn = drawnFigure(d.figure, size.width(), size.height(), d.fonts);
            const QString figure = QStringLiteral("%1, %2: ").arg(QString::fromStdString(named.stem), QLatin1String(d.name));
            check(figure, drawn.texts, size);
            // One tick label gives no scale.
            QVERIFY2(drawn.axesWithoutScale.isEmpty(),
                     qPrintable(figure + drawn.axesWithoutScale.join(QStringLiteral(", ")) + QStringLiteral(": one tick label")));
            if (QTest::currentTestFailed()) return;
        }
    }
    // The window's own plots at its smallest and its default size, each drawn at the size the
    // window gives it (a plot taller than its tab scrolls).
    ResultsWindow window(collector, RunFiles{});
    for (const auto& [name, windowSize] : {std::pair{"smallest window", window.minimumSize()},
                                           std::pair{"default window", QSize(900, 680)}}) {
        window.resize(windowSize);
        window.show();
        for (const NamedFigure& named : figures) {
            window.tabs()->setCurrentIndex(window.tabIndex(named.stem));
            for (int k = 0; k < 5; ++k) QCoreApplication::processEvents();
            QCustomPlot* plot = window.plot(named.stem);
            QVERIFY(plot);
            const QSize size = plot->size();
            QVERIFY2(size.width() >= 300 && size.height() >= 250,
                     qPrintable(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height())));
            const QString figure = QStringLiteral("%1, %2: ").arg(QString::fromStdString(named.stem), QLatin1String(name));
            check(figure, textsAfterLayout(*plot, size.width(), size.height()), size);
            if (QTest::currentTestFailed()) return;
        }
    }
}

void FigureTextTest::theRecorderSeesACutText() {
    // The checks above hold only if the recorder sees a clip that cuts a text: a "y" drawn in a
    // box as tall as its font's ascent loses its tail.
    TextDevice device(100, 50);
    QPainter painter(&device);
    QFont font = exportFonts().legend;
    painter.setFont(font);
    const QFontMetricsF m(font);
    painter.setClipRect(QRectF(10, 10, 60, m.ascent()));
    painter.drawText(QPointF(10, 10 + m.ascent()), QStringLiteral("qyp"));
    painter.end();
    QCOMPARE(device.texts().size(), std::size_t{1});
    const DrawnText& t = device.texts().front();
    QVERIFY(!inside(t.clip, t.glyphs));
    QVERIFY(t.glyphs.bottom() > 10 + m.ascent() + 1.0);  // the tails reach below the baseline
}

void FigureTextTest::theSurfaceKeyNamesTheSignsDrawn() {
    // Periclase expands along every direction at every T; stishovite's c expands while a and b
    // shorten near 57 GPa, so its last surface has both signs. A key names only what is drawn.
    int withBoth = 0, positiveOnly = 0;
    for (const char* series : {"periclase_cubic_T.dat", "stishovite_tetragonal_P.dat"}) {
        QTemporaryDir folder;
        PlotRecorder record;
        QVERIFY(runOnce(std::string(TENZIO_SOURCE_DIR "/examples/") + series,
                        folder.filePath(QStringLiteral("r.prt")).toStdString(), {}, {&record})
                    .outcome == RunOutcome::completed);
        for (std::size_t k = 1; k <= record.calculations(); ++k) {
            const SurfaceData surface = surfaceFigure(record, k);
            if (!surface.defined) continue;
            bool positive = false, negative = false;
            for (const DrawnText& t : surfaceTextsOf(surface, 321, 397, 2)) {
                positive = positive || t.text == QStringLiteral("positive (solid)");
                negative = negative || t.text == QStringLiteral("negative (dashed)");
            }
            const auto [least, greatest] = std::minmax_element(surface.values.begin(), surface.values.end());
            QCOMPARE(positive, *greatest > 0.0f);
            QCOMPARE(negative, *least < 0.0f);
            withBoth += positive && negative;
            positiveOnly += positive && !negative;
        }
    }
    QVERIFY(withBoth > 0);
    QVERIFY(positiveOnly > 0);
}

namespace {

PlotLine lineOf(PlotColour colour, std::vector<float> x, std::vector<float> y, float esd) {
    PlotLine line;
    line.name = "line";
    line.colour = colour;
    line.x = std::move(x);
    line.y = std::move(y);
    line.esd.assign(line.x.size(), esd);
    return line;
}

}  // namespace

void FigureTextTest::outliersAtOneXStandApart() {
    // Two points far above the range shown at the same x, a third above just beside them and one
    // below; a point with a long error bar close to the top, just right of them, where their
    // values would go.
    Figure figure;
    figure.xLabel = "T (K)";
    PlotPanel& panel = figure.panels.emplace_back();
    panel.yLabel = "y";
    panel.yRange = std::array<double, 2>{0.0, 10.0};
    panel.lines.push_back(lineOf(PlotColour::axis1, {1, 2, 3, 4, 5}, {5, 6, 100, 6, 5}, 0.3f));
    panel.lines.push_back(lineOf(PlotColour::axis2, {1, 2, 3, 4, 5}, {4, 5, 200, 5, 4}, 0.3f));
    panel.lines.push_back(lineOf(PlotColour::axis3, {1, 2, 3.03f, 3.2f, 5}, {2, 2, 300, 9.2f, -40}, 0.7f));
    const QStringList values = {QStringLiteral("100"), QStringLiteral("200"), QStringLiteral("300"),
                                QStringLiteral("\u221240")};
    const ExportedFigure column = exportedFigure(figure, ExportWidth::column);
    for (const auto& [name, drawn, size, fonts] :
         {std::tuple{"window", figure, QSize(560, 380), windowFonts()},
          std::tuple{"85 mm", column.figure, column.units, exportFonts()}}) {
        QCustomPlot plot;
        const std::vector<QCPAxisRect*> rects = showFigure(plot, drawn, fonts);
        const std::vector<DrawnText> texts = textsAfterLayout(plot, size.width(), size.height());
        QCPAxis* x = rects.front()->axis(QCPAxis::atBottom);
        QCPAxis* y = rects.front()->axis(QCPAxis::atLeft);
        // The error bars in the panel, in pixels of the layout just drawn.
        std::vector<QLineF> bars;
        for (const PlotLine& line : drawn.panels.front().lines)
            for (std::size_t k = 0; k < line.x.size(); ++k)
                if (y->range().contains(line.y[k]))
                    bars.emplace_back(x->coordToPixel(line.x[k]), y->coordToPixel(line.y[k] - line.esd[k]),
                                      x->coordToPixel(line.x[k]), y->coordToPixel(line.y[k] + line.esd[k]));
        // The arrows: one per outlier, their heads (7 units wide) apart.
        std::vector<QLineF> arrows;
        for (int i = 0; i < plot.itemCount(); ++i)
            if (auto* arrow = qobject_cast<QCPItemLine*>(plot.item(i)); arrow && arrow->property("outlierValue").isValid())
                arrows.emplace_back(arrow->start->pixelPosition(), arrow->end->pixelPosition());
        QCOMPARE(arrows.size(), std::size_t{4});
        for (std::size_t i = 0; i < arrows.size(); ++i)
            for (std::size_t j = 0; j < i; ++j)
                if ((arrows[i].p2().y() < y->axisRect()->center().y()) == (arrows[j].p2().y() < y->axisRect()->center().y()))
                    QVERIFY2(std::fabs(arrows[i].p2().x() - arrows[j].p2().x()) >= 7.0, name);
        // Each value drawn once, clear of the others, of every arrow and of every error bar.
        std::vector<QRectF> labels;
        for (const QString& value : values) {
            const auto found = std::find_if(texts.begin(), texts.end(), [&](const DrawnText& t) { return t.text == value; });
            QVERIFY2(found != texts.end(), qPrintable(QStringLiteral("%1: no %2").arg(QLatin1String(name), value)));
            QVERIFY2(inside(found->clip, found->glyphs), qPrintable(where(*found) + QStringLiteral(" is cut off")));
            for (const QRectF& other : labels) QVERIFY2(!meet(found->glyphs, other), qPrintable(where(*found)));
            const QRectF box = found->glyphs.adjusted(kHair, kHair, -kHair, -kHair);
            for (const std::vector<QLineF>* lines : {&bars, &arrows})
                for (const QLineF& l : *lines) {
                    // A vertical segment meets the box where its x lies inside and the spans overlap.
                    const bool meets = l.p1().x() > box.left() && l.p1().x() < box.right() &&
                                       std::max(l.p1().y(), l.p2().y()) > box.top() &&
                                       std::min(l.p1().y(), l.p2().y()) < box.bottom();
                    QVERIFY2(!meets, qPrintable(QLatin1String(name) + QStringLiteral(": ") + where(*found) +
                                                QStringLiteral(" covers a line at x = %1").arg(l.p1().x())));
                }
            labels.push_back(found->glyphs);
        }
    }
}

void FigureTextTest::aLongRunOfOutliersKeepsItsArrowsAndValuesApart() {
    // Twelve points in a row far above the range, two or three pixels apart: set apart by an
    // arrow's width each, the outer ones would move far from their points.
    Figure figure;
    figure.xLabel = "T (K)";
    PlotPanel& panel = figure.panels.emplace_back();
    panel.yLabel = "y";
    panel.yRange = std::array<double, 2>{0.0, 10.0};
    std::vector<float> x, y;
    for (int k = 0; k < 200; ++k) {
        x.push_back(static_cast<float>(k));
        y.push_back(k < 188 ? 5.0f : 110.0f + 10.0f * static_cast<float>(k - 188));  // 110 ... 220
    }
    panel.lines.push_back(lineOf(PlotColour::axis3, x, y, 0.2f));
    QCustomPlot plot;
    const std::vector<QCPAxisRect*> rects = showFigure(plot, figure, windowFonts());
    const std::vector<DrawnText> texts = textsAfterLayout(plot, 560, 380);
    // Every arrow at its own point.
    QCPAxis* xAxis = rects.front()->axis(QCPAxis::atBottom);
    int arrows = 0;
    for (int i = 0; i < plot.itemCount(); ++i) {
        auto* arrow = qobject_cast<QCPItemLine*>(plot.item(i));
        if (!arrow || !arrow->property("outlierValue").isValid()) continue;
        const double value = arrow->property("outlierValue").toDouble();
        const double pointX = 188.0 + (value - 110.0) / 10.0;
        QVERIFY(std::fabs(arrow->end->pixelPosition().x() - xAxis->coordToPixel(pointX)) < 0.5);
        ++arrows;
    }
    QCOMPARE(arrows, 12);
    // The values drawn stand apart, and the farthest is among them.
    std::vector<QRectF> values;
    bool farthest = false;
    for (const DrawnText& t : texts) {
        bool number = false;
        const double v = t.text.toDouble(&number);
        if (!number || v < 110.0) continue;
        farthest = farthest || v == 220.0;
        for (const QRectF& other : values) QVERIFY2(!meet(t.glyphs, other), qPrintable(where(t)));
        values.push_back(t.glyphs);
    }
    QVERIFY(!values.empty());
    QVERIFY(farthest);
}

QTEST_MAIN(FigureTextTest)
#include "figure_text_test.moc"
