#pragma once

#include <QStringList>
#include <QWidget>

// The window every hint of the program is shown in: borderless, 200 of 255
// opaque, with rounded corners, its text wrapped at 250 pixels and drawn in
// the reading order of a language. A text longer than the window holds ends
// with an ellipsis. It never takes activation or focus.
class TVelmoraHintWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr int TextWidth = 250;
    // Between the text and the window's edge, on every side.
    static constexpr int Margin = 5;
    // A hint is at most this many lines high.
    static constexpr int MaxLines = 12;
    static constexpr int Opacity = 200; // of 255

    TVelmoraHintWindow();

    // The window's size for text: its lines, wrapped at TextWidth and at
    // most MaxLines, and the margins.
    QSize HintSize(const QString& text) const;
    // Shows text below and right of the global point at, kept on its
    // screen, in the language of a two-letter code taken as written.
    void ShowHint(const QPoint& at, const QString& text, const QString& languageCode);

    const QString& HintText() const { return FText; }
    const QString& LanguageCode() const { return FLanguageCode; }
    // The lines the window draws.
    QStringList ShownLines() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRect TextRect() const;

    QString FText;
    QString FLanguageCode;
};
