#include "ui/shell/uChannelIcons.h"

#include <QPainter>

namespace {

// White, with the title in blue over the whole picture from its top left,
// wrapped at words and cut with an ellipsis; "&" is shown as itself.
QPixmap DrawPlaceholder(const QString& title) {
    QPixmap picture(TChannelIcons::Width, TChannelIcons::Height);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(TChannelIcons::Height / 2);
    painter.setFont(font);
    painter.setPen(QColor(0, 0, 255));
    const QRect box(0, 0, TChannelIcons::Width, TChannelIcons::Height);
    const QFontMetrics metrics(font);
    const QStringList lines = [&] {
        QStringList wrapped;
        QString line;
        for (const QString& word : title.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
            if (!line.isEmpty() && metrics.horizontalAdvance(candidate) > box.width()) {
                wrapped << line;
                line = word;
            } else {
                line = candidate;
            }
        }
        if (!line.isEmpty())
            wrapped << line;
        return wrapped;
    }();
    const int fitting = std::max(1, box.height() / metrics.lineSpacing());
    for (int index = 0; index < lines.size() && index < fitting; ++index) {
        QString text = lines[index];
        if (index == fitting - 1 && lines.size() > fitting)
            text += QStringLiteral(" ") + lines.mid(fitting).join(QLatin1Char(' '));
        text = metrics.elidedText(text, Qt::ElideRight, box.width());
        painter.drawText(QRect(0, index * metrics.lineSpacing(), box.width(), metrics.height()),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    }
    return picture;
}

} // namespace

const QPixmap& TChannelIcons::Icon(int64_t channelId, const QString& channelTitle) {
    auto found = FIcons.find(channelId);
    if (found == FIcons.end())
        found = FIcons.insert(channelId, DrawPlaceholder(channelTitle));
    return *found;
}
