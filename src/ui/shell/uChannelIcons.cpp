#include "ui/shell/uChannelIcons.h"

#include "engine/uChannelIconList.h"
#include "storage/uErrors.h"
#include "ui/shell/uUiLog.h"

TChannelIcons::TChannelIcons(cChannelIconList& icons) : FIcons(icons) {}

QPixmap TChannelIcons::Icon(int64_t channelId) const {
    try {
        return QPixmap::fromImage(FIcons.GetIcon(channelId));
    } catch (const EVelmoraError& error) {
        qCWarning(UiLog) << "channel" << channelId << "icon:" << error.Message();
        return QPixmap();
    }
}

void TChannelIcons::WhenIconsChange(std::function<void()> repaint) {
    FIcons.SetIconsChangedNotice(std::move(repaint));
}
