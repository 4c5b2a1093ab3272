#include "engine/uChannelIconLoader.h"

#include "engine/uChannelIconList.h"
#include "engine/uIconDrawing.h"
#include "engine/uIconImages.h"
#include "engine/uJobDatabase.h"
#include "ingest/uChannel.h"
#include "ingest/uHTTP.h"

#include <QScopeGuard>

cChannelIconLoaderJob::cChannelIconLoaderJob(int64_t channelId, cChannelIconList& icons)
    : ChannelId(channelId), FIcons(icons) {
    Urgent = 1;
    OnDone = [&icons] { icons.NotifyIconsChanged(); };
}

void cChannelIconLoaderJob::Run() {
    // However the run ends, the channel may be loaded again.
    const auto ended = qScopeGuard([this] { FIcons.LoadEnded(ChannelId); });
    QString title;
    QString imageUrl;
    {
        cJobDatabase connection;
        cChannelTable channels(connection.Database());
        channels.OpenChannel(ChannelId);
        // A channel removed since the lookup gets nothing.
        if (channels.Count() == 0)
            return;
        title = channels.Record(0)->Title();
        imageUrl = channels.Record(0)->ImageURL();
    }
    QImage picture;
    if (!imageUrl.isEmpty() && cHTTP().ProbeUrl(imageUrl))
        picture = AsIcon(DecodePicture(cHTTP().GetBody(imageUrl)));
    if (picture.isNull())
        picture = DrawFallbackBadge(title, Size);
    FIcons.StoreIcon(picture, ChannelId);
}
