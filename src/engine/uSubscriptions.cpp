#include "engine/uSubscriptions.h"

#include "ingest/uChannel.h"
#include "storage/uErrors.h"

cSubscription Subscribe(cSQLDatabase& database, const QString& url) {
    cChannelTable added(database);
    cChannel* channel = added.NewChannel();
    channel->SetChannelURL(url);
    channel->SetNextUpdateDateTime_UTC(QString());
    QStringList insert;
    added.Flush(insert);
    // Compiled before the write turn, so that the turn holds only the check
    // and the insert. Both belong in it: checked before it, two processes
    // subscribing at once would each find the URL missing and add it.
    const cCompiledBatch batch = database.Connection().CompileBatch(insert);
    cChannelTable known(database);
    cSubscription subscription;
    database.InTransaction([&] {
        known.OpenChannelsByUrl(url);
        if (known.Count() > 0) {
            subscription = {known.Record(0)->ID(), false};
            return;
        }
        database.Connection().RunBatch(batch);
        subscription = {channel->ID(), true};
    });
    return subscription;
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
