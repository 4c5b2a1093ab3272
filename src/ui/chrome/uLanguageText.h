#pragma once

#include <QString>
#include <QStringList>
#include <Qt>

class QFont;
class QPainter;
class QRect;
class QSize;

// Texts of feeds are drawn in the reading order of their language, named by
// a two-letter code in any letter case: Hebrew and Arabic right to left and
// right-aligned, every other language left to right and left-aligned. The
// fonts for each script are Qt's choice.
Qt::LayoutDirection LanguageDirection(const QString& languageCode);
// The same for a code exactly as written: only "HE" and "AR" read right to
// left, so "he" names no language here and reads left to right.
Qt::LayoutDirection LanguageDirectionAsWritten(const QString& languageCode);

// The lines that show text in a box of the given size: wrapped at words,
// only whole lines; a word wider than the box and the last line, when text
// remains, are cut with an ellipsis.
QStringList LanguageTextLines(const QString& text, const QFont& font, const QSize& box);

// The font, smaller where needed, down to MinimumFittedPixels, so that
// every word of the text fits the width: a date in a narrow column shows
// whole rather than cut.
inline constexpr int MinimumFittedPixels = 8;
QFont FontFittingWords(const QFont& font, const QString& text, int width);

// Draws text into rect with the painter's font and pen, in the reading order
// of the language; "&" is shown as itself.
void DrawLanguageText(QPainter& painter, const QString& text, const QRect& rect,
                      const QString& languageCode);
void DrawLanguageText(QPainter& painter, const QString& text, const QRect& rect,
                      Qt::LayoutDirection direction);
