#pragma once

#include <QHash>
#include <QPixmap>
#include <QString>
#include <cstdint>

// The picture drawn for a channel in the lists and the preview. Until the
// channel images are loaded, every channel gets the drawn placeholder: its
// title in blue on white, 126 x 62 pixels. Made once per channel and kept,
// so painting a row costs a hash lookup. GUI thread only.
class TChannelIcons {
public:
    static constexpr int Width = 126;
    static constexpr int Height = 62;

    const QPixmap& Icon(int64_t channelId, const QString& channelTitle);

private:
    QHash<int64_t, QPixmap> FIcons;
};
