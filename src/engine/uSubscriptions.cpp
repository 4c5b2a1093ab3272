#include "engine/uSubscriptions.h"

#include "ingest/uChannel.h"
#include "storage/uErrors.h"

cSubscription Subscribe(cSQLDatabase& database, const QString& url) {
    cChannelTable channels(database);
    channels.OpenChannelsByUrl(url);
    if (channels.Count() > 0)
        return {channels.Record(0)->ID(), false};
    return {channels.AddChannel(url), true};
}

QString RemoveSubscription(cSQLDatabase& database, int64_t channelId) {
    cChannelTable channels(database);
    channels.OpenChannel(channelId);
    if (channels.Count() == 0)
        throw EVelmoraError(QStringLiteral("no channel %1").arg(channelId));
    const QString title = channels.Record(0)->Title();
    channels.RemoveChannel(channelId);
    return title;
}
