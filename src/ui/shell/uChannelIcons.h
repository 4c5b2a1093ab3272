#pragma once

#include <QPixmap>
#include <cstdint>
#include <functional>

class cChannelIconList;

// The channel pictures as the window draws them: the icon cache's images,
// made into pixmaps on the GUI thread at each lookup, so that a picture
// stored meanwhile shows at the next paint. GUI thread only.
class TChannelIcons {
public:
    explicit TChannelIcons(cChannelIconList& icons);

    // The channel's picture; when the lookup fails (the database is
    // unreadable, the image cache folder unwritable), the failure is logged
    // and the row is drawn without one.
    QPixmap Icon(int64_t channelId) const;

    // Runs repaint on the GUI thread each time a loaded picture has been
    // stored; empty for none.
    void WhenIconsChange(std::function<void()> repaint);

private:
    cChannelIconList& FIcons;
};
