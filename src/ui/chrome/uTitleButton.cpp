#include "ui/chrome/uTitleButton.h"

#include <QHelpEvent>
#include <QStyleOptionToolButton>
#include <QStylePainter>
#include <QToolTip>

cTitleButton::cTitleButton(const QString& text, QWidget* parent) : QToolButton(parent) {
    setAutoRaise(true);
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    setText(text);
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

int cTitleButton::Padding() const {
    return QToolButton::sizeHint().width() -
           fontMetrics().size(Qt::TextShowMnemonic, text()).width();
}

QString cTitleButton::DisplayedText() const {
    return fontMetrics().elidedText(text(), Qt::ElideRight, width() - Padding(),
                                    Qt::TextShowMnemonic);
}

QSize cTitleButton::minimumSizeHint() const {
    // Room for the ellipsis alone.
    return {Padding() + fontMetrics().horizontalAdvance(QChar(0x2026)),
            QToolButton::minimumSizeHint().height()};
}

bool cTitleButton::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty() && DisplayedText() != text()) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text(), this);
        return true;
    }
    return QToolButton::event(event);
}

void cTitleButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    option.text = DisplayedText();
    painter.drawComplexControl(QStyle::CC_ToolButton, option);
}
