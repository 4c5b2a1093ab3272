#pragma once

#include <QIcon>
#include <QPixmap>

// The shared 16-pixel icon set of every action, toolbar and status column:
// 67 slots, each a theme icon where the desktop has one, else a drawn one.
// Elements that share a slot show the same picture.
class TButtonImages {
public:
    static constexpr int SlotCount = 67;
    static constexpr int ImageSize = 16;

    TButtonImages();

    QIcon Icon(int slot) const;
    // The slot's 16 x 16 picture; an empty pixmap for a slot out of range.
    const QPixmap& Pixmap(int slot) const;

private:
    QPixmap FPixmaps[SlotCount];
    QPixmap FNone;
};
