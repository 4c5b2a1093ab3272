#include "engine/uIconDrawing.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>

namespace {

// Arial, or the face the system substitutes for it (Liberation Sans has its
// metrics), at the largest size whose lines (ascent plus descent) are at
// most cellHeight pixels high, as a font height is meant here.
QFont ArialOfCellHeight(int cellHeight, bool bold) {
    constexpr int ReferenceSize = 100;
    QFont font(QStringLiteral("Arial"));
    font.setBold(bold);
    font.setPixelSize(ReferenceSize);
    const QFontMetricsF reference(font);
    const qreal lineHeightPerPixel = (reference.ascent() + reference.descent()) / ReferenceSize;
    font.setPixelSize(std::max(1, int(cellHeight / lineHeightPerPixel)));
    return font;
}

// The text within box from its top left, lineHeight pixels a line: wrapped
// at word boundaries, each line cut with an ellipsis where it is too wide,
// and the last line that fits ending in an ellipsis when text is left over.
// "&" is plain text.
void DrawWrappedText(QPainter& painter, const QRect& box, const QString& text, int lineHeight) {
    const QFontMetricsF metrics(painter.font());
    QTextLayout layout(text, painter.font());
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    int top = 0;
    struct cLine {
        int Top;
        int Start;
        int Length;
    };
    QList<cLine> lines;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(box.width());
        if (!lines.isEmpty() && top + lineHeight > box.height())
            break;
        lines.append({top, line.textStart(), line.textLength()});
        top += lineHeight;
    }
    layout.endLayout();
    for (qsizetype index = 0; index < lines.size(); ++index) {
        const cLine& line = lines[index];
        const bool last = index == lines.size() - 1;
        // The last line takes whatever did not fit below it.
        const QString shown =
            last ? text.mid(line.Start).simplified() : text.mid(line.Start, line.Length).trimmed();
        painter.drawText(QPointF(box.left(), box.top() + line.Top + metrics.ascent()),
                         metrics.elidedText(shown, Qt::ElideRight, box.width()));
    }
}

} // namespace

QImage DrawPlaceholder(const QString& title) {
    QImage picture(PlaceholderWidth, PlaceholderHeight, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    const int lineHeight = PlaceholderHeight / 2;
    painter.setFont(ArialOfCellHeight(lineHeight, false));
    painter.setPen(QColor(0, 0, 255));
    DrawWrappedText(painter, picture.rect(), title, lineHeight);
    return picture;
}

QImage DrawFallbackBadge(const QString& title, int size) {
    const int width = 2 * size - 2;
    const int height = size - 2;
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(QColor(255, 0, 0));
    QPainter painter(&picture);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    // Rectangles as (left, top) to (right, bottom), right and bottom
    // excluded: ellipses across the four edges round them off.
    const auto span = [](int left, int top, int right, int bottom) {
        return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
    };
    painter.drawEllipse(span(-5, 0, 5, height));
    painter.drawEllipse(span(width - 5, 0, width + 5, height));
    painter.drawEllipse(span(0, -5, width, 5));
    painter.drawEllipse(span(-5, height - 5, width, height + 5));
    const QRect card = span(10, 10, width - 10, height - 10);
    painter.fillRect(card, QColor(230, 230, 230));
    const int lineHeight = (height - 20) / 2;
    painter.setFont(ArialOfCellHeight(lineHeight, true));
    painter.setPen(Qt::black);
    DrawWrappedText(painter, card, title, lineHeight);
    return picture;
}
