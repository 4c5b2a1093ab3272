#include "ui/chrome/uRegion.h"

#include <QRect>
#include <QWidget>

void cRegion::Replace(const QRegion& region) {
    FRegion = region;
}

void cRegion::SetRoundRect(const QRect& rect) {
    const int radius = CornerSize / 2;
    const QSize corner(CornerSize, CornerSize);
    QRegion round = QRegion(rect.adjusted(radius, 0, -radius, 0)) +
                    QRegion(rect.adjusted(0, radius, 0, -radius));
    for (const QPoint& origin :
         {rect.topLeft(), QPoint(rect.right() - CornerSize + 1, rect.top()),
          QPoint(rect.left(), rect.bottom() - CornerSize + 1),
          QPoint(rect.right() - CornerSize + 1, rect.bottom() - CornerSize + 1)})
        round += QRegion(QRect(origin, corner), QRegion::Ellipse);
    Replace(round & QRegion(rect));
}

void cRegion::ApplyTo(QWidget& window) {
    window.setMask(FRegion);
    window.update();
    FRegion = QRegion();
}
