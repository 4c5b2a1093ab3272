#pragma once

#include "ingest/uXML.h"
#include "model/uOMChannel.h"

struct cRefreshTables;
struct cChannelFormat;
struct cChannelReading;
struct cHTTPReply;
class cChannelFetch;

// What a refresh came to.
enum class UpdateResult {
    // Nothing read or stored beyond the failed state and its reason: no
    // reply, an error status, an empty body, a failed store, or the channel
    // was removed meanwhile. Also a fetch the program's stop cut off, which
    // leaves the channel as it was before the attempt.
    Failed,
    // The feed was read and stored.
    Stored,
    // The server answered 304 Not Modified: nothing to read, the channel is
    // up to date.
    NotModified,
};

// The longest wait a server's Retry-After may impose on a channel.
inline constexpr qint64 MaxRetryAfterSeconds = 24 * 3600;

// A channel as the feed path sees it: it refreshes itself from its feed.
class cChannel : public cOmChannelRecord {
public:
    // Fetches, reads and stores the feed in one transaction. The fetch is
    // conditional on the validators the feed's server gave last time, and
    // what the server said is kept in the channel's ChannelFetch row: its
    // new validators (after a 2xx reply), the status, and why an update
    // failed. A store that fails is logged as "download channel". A 429 or
    // 503 puts the next update off as long as its Retry-After asks, up to
    // MaxRetryAfterSeconds. A feed that cannot be read raises; the channel
    // then keeps the failed state stored before the fetch. withAttempt (the
    // caller's log entry) is stored in the transaction that records the
    // attempt, before the fetch: one commit rather than two. Only the
    // commit that stores items waits for the disk: the attempt and an
    // outcome without items are bookkeeping the next refresh redoes.
    UpdateResult UpdateFromFeed(const QStringList& withAttempt = {});
    // NextUpdateDateTime_UTC from the last update, its outcome and the
    // frequency; never earlier than a minute from now.
    void ComputeNextUpdate();
    // Reads a fetched feed document into the refresh tables (fresh ones on
    // this channel's connection): the channel's fields, new items, their
    // enclosures and categories, and the purge marks. Stores nothing.
    // Whitespace or a byte-order mark before the document's start is
    // skipped; an ASCII-based document that declares no encoding and is not
    // UTF-8 is read in serverCharset, the one its reply's Content-Type
    // named, where known, else as windows-1252. Relative links resolve
    // against documentUrl, the address the body came from after any
    // redirect; empty for the channel's own.
    void ReadFeed(const QByteArray& body, cRefreshTables& tables,
                  const QString& documentUrl = QString(), const QByteArray& serverCharset = {});
    // Stores what ReadFeed read and the channel's fields in one write
    // transaction. Other processes may have stored some of it since it was
    // read: inside the write turn the channel's stored keys are read again,
    // and only items, categories and channel links still missing are
    // stored. A feed that was read also flags the channel's counters in
    // that transaction: should the process end before they are rebuilt,
    // the statistics job rebuilds them. Returns false, storing nothing, when
    // the channel no longer exists. A failed write is rolled back and raised.
    bool StoreRefresh(cRefreshTables& tables, bool feedRead);

private:
    void ReadRss(cXMLNode root, cRefreshTables& tables);
    void ReadRdf(cXMLNode root, cRefreshTables& tables);
    void ReadAtom(cXMLNode root, cRefreshTables& tables);
    void AddChannelCategories(cXMLNode category, cRefreshTables& tables);
    // Reads one child of the channel element; false when it is no channel
    // field of the format.
    bool ReadChannelField(cXMLNode child, const cChannelFormat& format, cRefreshTables& tables,
                          cChannelReading& reading);
    // After the channel's children: the Atom link, and the fields the
    // format's own elements left empty.
    void ReadChannelAdditions(cXMLNode context, const cChannelFormat& format,
                              const cChannelReading& reading);
    void RecordAttempt(bool succeeded);
    // Puts the next update off until the server's Retry-After, capped.
    void HonourRetryAfter(const QByteArray& retryAfter);
    // Stores the channel's row and its fetch outcome, unless the channel
    // was removed meanwhile; a failure is logged and swallowed.
    bool StoreOutcome();
    // Records why the update failed and stores it.
    void StoreFailure(cChannelFetch& fetch, long status, const QString& reason);

    // While ReadFeed runs: the address relative links resolve against.
    QString FDocumentUrl;
};

class cChannelTable : public cOmChannelTable {
public:
    explicit cChannelTable(cSQLDatabase& database);

    cChannel* Record(int index) const { return ItemAs<cChannel>(index); }
    cChannel* NewChannel() { return NewRecordAs<cChannel>(); }

    // Every channel due now: never scheduled, or scheduled at or before now.
    void OpenDueChannels();
    void OpenChannel(int64_t channelId);
    // Stores a new channel for the URL as typed, due at once. A failed write
    // is rolled back and raised. Returns the new channel's ID.
    int64_t AddChannel(const QString& url);
    // Removes the channel with its items, their enclosures and their links,
    // and its ChannelFetch row, in one transaction; its statistics row,
    // category links, icon row and archived items stay. A failure is rolled back and raised.
    void RemoveChannel(int64_t channelId);
};
