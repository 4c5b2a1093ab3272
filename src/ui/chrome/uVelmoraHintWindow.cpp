#include "ui/chrome/uVelmoraHintWindow.h"

#include "ui/chrome/uLanguageText.h"
#include "ui/chrome/uRegion.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>

namespace {

// Where a hint appears from the mouse, as the platform's own tooltips do.
const QPoint CursorOffset(2, 16);

int LinesHeight(const QFontMetrics& metrics, int lines) {
    return lines == 0 ? 0 : metrics.height() + (lines - 1) * metrics.lineSpacing();
}

} // namespace

// Qt::ToolTip stands for the layered, top-most, non-activating hint window
// of the platform; setWindowOpacity for SetLayeredWindowAttributes with
// LWA_ALPHA (ignored where the platform composes no translucent windows).
TVelmoraHintWindow::TVelmoraHintWindow()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
    setObjectName(QStringLiteral("VelmoraHintWindow"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowOpacity(Opacity / 255.0);
    setFont(QApplication::font("QTipLabel"));
}

QSize TVelmoraHintWindow::HintSize(const QString& text) const {
    const QFontMetrics metrics(font());
    const QStringList lines =
        LanguageTextLines(text, font(), QSize(TextWidth, LinesHeight(metrics, MaxLines)));
    int width = 0;
    for (const QString& line : lines)
        width = std::max(width, metrics.horizontalAdvance(line) + 1);
    return QSize(std::min(width, TextWidth), LinesHeight(metrics, int(lines.size()))) +
           QSize(2 * Margin, 2 * Margin);
}

void TVelmoraHintWindow::ShowHint(const QPoint& at, const QString& text,
                                  const QString& languageCode) {
    FText = text;
    FLanguageCode = languageCode;
    QRect shape(at + CursorOffset, HintSize(text));
    if (const QScreen* screen = QGuiApplication::screenAt(at)) {
        const QRect room = screen->availableGeometry();
        shape.moveRight(std::min(shape.right(), room.right()));
        shape.moveBottom(std::min(shape.bottom(), room.bottom()));
        shape.moveTopLeft(
            QPoint(std::max(shape.left(), room.left()), std::max(shape.top(), room.top())));
    }
    setGeometry(shape);
    show();
    update();
}

QStringList TVelmoraHintWindow::ShownLines() const {
    return LanguageTextLines(FText, font(), TextRect().size());
}

QRect TVelmoraHintWindow::TextRect() const {
    return rect().adjusted(Margin, Margin, -Margin, -Margin);
}

void TVelmoraHintWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(palette().color(QPalette::Highlight));
    painter.setBrush(palette().color(QPalette::ToolTipBase));
    const qreal radius = cRegion::CornerSize / 2.0;
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    painter.setPen(palette().color(QPalette::ToolTipText));
    DrawLanguageText(painter, FText, TextRect(), LanguageDirectionAsWritten(FLanguageCode));
}

void TVelmoraHintWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    cRegion shape;
    shape.SetRoundRect(rect());
    shape.ApplyTo(*this);
}
