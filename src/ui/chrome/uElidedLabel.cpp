#include "ui/chrome/uElidedLabel.h"

#include <QEvent>
#include <QFontMetrics>

TElidedLabel::TElidedLabel(const QString& text, QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    SetFullText(text);
}

void TElidedLabel::SetFullText(const QString& text) {
    FFullText = text;
    Elide();
}

void TElidedLabel::SetHint(const QString& hint) {
    FHint = hint;
    Elide();
}

QSize TElidedLabel::minimumSizeHint() const {
    return {0, QLabel::minimumSizeHint().height()};
}

void TElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    Elide();
}

void TElidedLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        Elide();
}

void TElidedLabel::Elide() {
    const QString shown =
        fontMetrics().elidedText(FFullText, Qt::ElideRight, contentsRect().width());
    setText(shown);
    setToolTip(shown == FFullText ? FHint : FFullText);
}
