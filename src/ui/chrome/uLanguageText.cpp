#include "ui/chrome/uLanguageText.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QRect>
#include <QRegularExpression>
#include <QTextLayout>

#include <algorithm>

namespace {

// Line breaks of the stored text end lines; carriage returns are dropped.
QString Flowing(const QString& text) {
    QString flowing = text;
    flowing.remove(QLatin1Char('\r'));
    flowing.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return flowing;
}

int WholeLines(const QFontMetrics& metrics, int height) {
    if (height < metrics.height())
        return 0;
    return 1 + (height - metrics.height()) / metrics.lineSpacing();
}

} // namespace

Qt::LayoutDirection LanguageDirection(const QString& languageCode) {
    return LanguageDirectionAsWritten(languageCode.toUpper());
}

Qt::LayoutDirection LanguageDirectionAsWritten(const QString& languageCode) {
    if (languageCode == QLatin1String("HE") || languageCode == QLatin1String("AR"))
        return Qt::RightToLeft;
    return Qt::LeftToRight;
}

QStringList LanguageTextLines(const QString& text, const QFont& font, const QSize& box) {
    const QFontMetrics metrics(font);
    const int fitting = WholeLines(metrics, box.height());
    const QString flowing = Flowing(text);
    QStringList lines;
    if (fitting == 0 || box.width() <= 0)
        return lines;
    QTextLayout layout(flowing, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(box.width());
        const int end = line.textStart() + line.textLength();
        if (lines.size() + 1 == fitting && end < flowing.size()) {
            QString rest = flowing.mid(line.textStart());
            rest.replace(QChar::LineSeparator, QLatin1Char(' '));
            lines << metrics.elidedText(rest.trimmed(), Qt::ElideRight, box.width());
            break;
        }
        lines << metrics.elidedText(flowing.mid(line.textStart(), line.textLength()).trimmed(),
                                    Qt::ElideRight, box.width());
    }
    layout.endLayout();
    return lines;
}

QFont FontFittingWords(const QFont& font, const QString& text, int width) {
    // Compiled once: rows call this every time they are painted.
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QStringList words = Flowing(text).split(blanks, Qt::SkipEmptyParts);
    const auto widest = [&](const QFont& candidate) {
        const QFontMetricsF metrics(candidate);
        qreal most = 0;
        for (const QString& word : words)
            most = std::max(most, metrics.horizontalAdvance(word));
        return most;
    };
    QFont fitted = font;
    for (int pixels = QFontInfo(font).pixelSize();
         pixels > MinimumFittedPixels && widest(fitted) > width; --pixels)
        fitted.setPixelSize(pixels - 1);
    return fitted;
}

void DrawLanguageText(QPainter& painter, const QString& text, const QRect& rect,
                      const QString& languageCode) {
    DrawLanguageText(painter, text, rect, LanguageDirection(languageCode));
}

void DrawLanguageText(QPainter& painter, const QString& text, const QRect& rect,
                      Qt::LayoutDirection direction) {
    const bool rightToLeft = direction == Qt::RightToLeft;
    const int flags = Qt::TextSingleLine | Qt::AlignTop | Qt::AlignAbsolute |
                      (rightToLeft ? Qt::AlignRight | Qt::TextForceRightToLeft
                                   : Qt::AlignLeft | Qt::TextForceLeftToRight);
    const QFontMetrics metrics(painter.font());
    int top = rect.top();
    for (const QString& line : LanguageTextLines(text, painter.font(), rect.size())) {
        painter.drawText(QRect(rect.left(), top, rect.width(), metrics.height()), flags, line);
        top += metrics.lineSpacing();
    }
}
