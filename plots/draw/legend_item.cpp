#include "plots/draw/legend_item.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// The text's extent round its baseline: above (positive up), below, and its width. Both the
// font's line and the glyphs' own outline count, so that a tall or deep glyph (a subscript, a
// prime, an accent) fits too; a pixel more each way for antialiasing and the rounding of
// hinted metrics.
struct TextExtent {
    double above;
    double below;
    double width;
};

TextExtent extentOf(const QFont& font, const QString& text) {
    const QFontMetricsF m(font);
    const QRectF glyphs = m.tightBoundingRect(text);
    return {std::max(m.ascent(), -glyphs.top()) + 1.0, std::max(m.descent(), glyphs.bottom()) + 1.0,
            std::max(m.horizontalAdvance(text), glyphs.right()) + 1.0};
}

// The toolkit lets only its own legend item draw a plottable's icon; this names the same
// function for ours.
struct IconAccess : QCPAbstractPlottable {
    using QCPAbstractPlottable::drawLegendIcon;
};

}  // namespace

QRectF WholeTextLegendItem::textBox() const {
    if (!mPlottable) return {};
    const TextExtent e = extentOf(getFont(), mPlottable->name());
    const QSize icon = mParentLegend->iconSize();
    const double height = e.above + e.below;
    const double top = std::max(0.0, (icon.height() - height) / 2.0);
    return {static_cast<double>(mMargins.left() + icon.width() + mParentLegend->iconTextPadding()),
            mMargins.top() + top, e.width, height};
}

QSize WholeTextLegendItem::minimumOuterSizeHint() const {
    if (!mPlottable) return {};
    const QRectF text = textBox();
    const QSize icon = mParentLegend->iconSize();
    const int width = static_cast<int>(std::ceil(text.right())) + mMargins.right();
    const int height = static_cast<int>(std::ceil(std::max(text.bottom(), mMargins.top() + icon.height() * 1.0))) +
                       mMargins.bottom();
    return {width, height};
}

void WholeTextLegendItem::draw(QCPPainter* painter) {
    if (!mPlottable) return;
    const QString name = mPlottable->name();
    const QFont font = getFont();
    const TextExtent e = extentOf(font, name);
    const QRectF text = textBox().translated(mOuterRect.topLeft());
    painter->setFont(font);
    painter->setPen(QPen(getTextColor()));
    painter->drawText(QPointF(text.left(), text.top() + e.above), name);
    // The icon on the text's middle line.
    const QSize size = mParentLegend->iconSize();
    const double middle = text.center().y();
    const QRect icon(mRect.left(), static_cast<int>(std::lround(middle - size.height() / 2.0)), size.width(),
                     size.height());
    painter->save();
    painter->setClipRect(icon, Qt::IntersectClip);
    (mPlottable->*(&IconAccess::drawLegendIcon))(painter, icon);
    painter->restore();
}

void useWholeTextItems(QCPLegend& legend) {
    std::vector<QCPAbstractPlottable*> plottables;
    for (int i = 0; i < legend.itemCount(); ++i)
        if (auto* item = qobject_cast<QCPPlottableLegendItem*>(legend.item(i))) plottables.push_back(item->plottable());
    for (QCPAbstractPlottable* p : plottables) {
        legend.removeItem(legend.itemWithPlottable(p));
        legend.addItem(new WholeTextLegendItem(&legend, p));
    }
}
