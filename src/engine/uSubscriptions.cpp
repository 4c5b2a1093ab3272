#include "engine/uSubscriptions.h"

#include "ingest/uChannel.h"
#include "ingest/uFeedDiscovery.h"
#include "ingest/uHTTP.h"
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

void RequireWebAddress(const QString& typed) {
    if (!IsWebAddress(typed))
        throw EVelmoraError(
            QStringLiteral("\"%1\" is not an http or https address; nothing was subscribed")
                .arg(typed));
}

cDiscoveredSubscription SubscribeDiscovering(cSQLDatabase& database, const QString& typed) {
    RequireWebAddress(typed);
    cDiscoveredSubscription result;
    result.FeedUrl = typed;
    // Adding again what is there needs no network; Subscribe checks again
    // under the write turn, since another process may subscribe meanwhile.
    cChannelTable known(database);
    known.OpenChannelsByUrl(typed);
    if (known.Count() > 0) {
        result.ChannelId = known.Record(0)->ID();
        return result;
    }
    QByteArray body;
    cHTTPReply reply;
    try {
        body = cHTTP(HTTPFetchKind::FeedOrImage).GetBody(typed, &reply);
    } catch (const EVelmoraError& error) {
        // The server may be down or the machine offline for now; the address
        // is well formed, and the refresh will report it if it stays so.
        result.FetchError = error.Message();
    }
    if (result.FetchError.isEmpty() && !IsFeedDocument(body)) {
        // The page's links start from where a redirect led.
        result.FeedUrl =
            FindFeedLink(body, reply.DocumentUrl.isEmpty() ? typed : reply.DocumentUrl);
        if (result.FeedUrl.isEmpty())
            throw EVelmoraError(
                QStringLiteral("%1 is not a feed, and its page links to no feed (<link "
                               "rel=\"alternate\"> of an RSS, Atom or RDF type in its head); "
                               "nothing was subscribed")
                    .arg(typed));
    }
    static_cast<cSubscription&>(result) = Subscribe(database, result.FeedUrl);
    return result;
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
