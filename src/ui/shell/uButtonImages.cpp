#include "ui/shell/uButtonImages.h"

#include <QPainter>
#include <QPainterPath>

namespace {

// How a slot looks: the desktop theme's icon when it has one, else a
// drawn badge (a coloured shape with a glyph), so that every slot is
// recognisable on a desktop without an icon theme.
struct cSlotLook {
    int Slot;
    const char* ThemeName;
    QRgb Colour;
    const char* Glyph;
    bool Round;
};

constexpr cSlotLook SlotLooks[] = {
    {8, "list-add", 0xff2e7d32, "+", true},                    // insert a new feed
    {11, "folder", 0xffef6c00, "C", false},                    // by category
    {13, "go-jump", 0xff1565c0, ">", true},                    // browse
    {20, "document-open", 0xff2e7d32, "I", false},             // import subscriptions
    {21, "document-save-as", 0xff6a1b9a, "O", false},          // export subscriptions
    {22, "view-refresh", 0xff1565c0, "\u21bb", true},          // refresh all channels
    {25, "view-list-details", 0xff5d4037, "D", false},         // channels details
    {31, "appointment-new", 0xff00838f, "R", false},           // recent nodes
    {39, "mail-read", 0xff9e9e9e, "\u2713", true},             // read
    {41, "mail-unread", 0xff1e88e5, "\u25cf", true},           // unread
    {45, "document-export", 0xff6a1b9a, "E", false},           // export as HTML
    {47, "audio-x-generic", 0xff2e7d32, "\u266a", true},       // enclosure ready
    {48, "content-loading", 0xfff9a825, "\u2193", true},       // enclosure queued
    {49, "emblem-downloads", 0xff78909c, "\u266a", true},      // enclosure offered
    {54, "go-previous", 0xff1565c0, "<", true},                // go back
    {55, "view-list-text", 0xff455a64, "A", false},            // all nodes, help
    {58, "dialog-error", 0xffc62828, "!", false},              // page failed
    {59, "emblem-synchronizing", 0xfff9a825, "\u2193", false}, // page requested
    {60, "document-save", 0xff2e7d32, "\u2713", false},        // page downloaded
    {61, "document-new", 0xffb0bec5, "P", false},              // page not requested
    {62, "network-wired", 0xff0277bd, "F", false},             // by channel
    {63, "internet-web-browser", 0xff1565c0, "W", true},       // browser
    {64, "application-exit", 0xffc62828, "x", false},          // quit
    {65, "emblem-music", 0xff2e7d32, "\u266a", false},         // enclosure ready only
    {66, "mail-mark-unread", 0xff1e88e5, "U", false},          // unread only
};

QPixmap DrawBadge(const cSlotLook& look) {
    const int size = TButtonImages::ImageSize;
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgba(look.Colour));
    const QRectF box(0.5, 0.5, size - 1, size - 1);
    if (look.Round)
        painter.drawEllipse(box);
    else
        painter.drawRoundedRect(box, 3, 3);
    QFont font = painter.font();
    font.setPixelSize(11);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, QString::fromUtf8(look.Glyph));
    return pixmap;
}

QPixmap DrawPlain() {
    const cSlotLook plain{0, nullptr, 0xff90a4ae, "", false};
    return DrawBadge(plain);
}

} // namespace

TButtonImages::TButtonImages() {
    const QPixmap plain = DrawPlain();
    for (QPixmap& pixmap : FPixmaps)
        pixmap = plain;
    for (const cSlotLook& look : SlotLooks) {
        const QIcon themed = QIcon::fromTheme(QString::fromLatin1(look.ThemeName));
        FPixmaps[look.Slot] =
            themed.isNull() ? DrawBadge(look) : themed.pixmap(ImageSize, ImageSize);
    }
}

QIcon TButtonImages::Icon(int slot) const {
    return QIcon(Pixmap(slot));
}

const QPixmap& TButtonImages::Pixmap(int slot) const {
    if (slot < 0 || slot >= SlotCount)
        return FNone;
    return FPixmaps[slot];
}
