#pragma once

#include <QRegion>

class QRect;
class QWidget;

// A window's shape, built and then handed to the window, which takes it
// over: the object holds no shape afterwards. QRegion and QWidget::setMask
// stand for the platform's region handle, CreateRoundRectRgn and
// SetWindowRgn.
class cRegion {
public:
    // Corners of rounded windows: quarter ellipses of this width and height.
    static constexpr int CornerSize = 30;

    cRegion() = default;

    // Holds region instead of what it held.
    void Replace(const QRegion& region);
    // Holds rect with rounded corners.
    void SetRoundRect(const QRect& rect);
    // Clips the window to the held shape and repaints it; where the
    // platform cannot shape windows the window stays rectangular.
    void ApplyTo(QWidget& window);

    const QRegion& Region() const { return FRegion; }

private:
    QRegion FRegion;
};
