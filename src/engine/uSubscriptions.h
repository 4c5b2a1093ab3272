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

// What subscribing to an address the user typed came to.
struct cDiscoveredSubscription : cSubscription {
    // The address subscribed: the typed one, or the feed its page links to.
    QString FeedUrl;
    // Why the typed address could not be fetched, when it could not: it was
    // then subscribed as typed. Empty when it was fetched, or was already
    // subscribed (then it is not fetched).
    QString FetchError;
};

// Raises, naming the text, unless it is an absolute http or https URL.
void RequireWebAddress(const QString& typed);

// Subscribes to the feed the user means by the address typed. It must be an
// absolute http or https URL, else this raises and stores nothing. An
// address already subscribed is returned as such without being fetched;
// otherwise it is fetched once (the feed profile). A feed is subscribed as
// typed; a web page by the first feed its head links to; a body that is
// neither raises, storing nothing. An address that cannot be fetched now
// (no answer, an error status, too slow) is subscribed as typed, with the
// reason: the refresh then tries it like any feed.
cDiscoveredSubscription SubscribeDiscovering(cSQLDatabase& database, const QString& typed);

// Removes the channel with its items, their enclosures and their links, in
// one transaction, and returns its title. Raises when there is no such
// channel.
QString RemoveSubscription(cSQLDatabase& database, int64_t channelId);
