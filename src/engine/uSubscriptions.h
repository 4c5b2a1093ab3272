#pragma once

#include <QString>
#include <cstdint>

class cSQLDatabase;

// What subscribing to a URL came to: the channel that holds it, and whether
// this call created it.
struct cSubscription {
    int64_t ChannelId = 0;
    bool Added = false;
};

// Subscribes to the feed URL as typed, due at once. A URL already subscribed
// is not added again; its channel is returned instead.
cSubscription Subscribe(cSQLDatabase& database, const QString& url);

// Removes the channel with its items, their enclosures and their links, in
// one transaction, and returns its title. Raises when there is no such
// channel.
QString RemoveSubscription(cSQLDatabase& database, int64_t channelId);
