#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <cstdint>

class cSQLDatabase;
class cThreadPool;

// A channel whose update failed, and why.
struct cFailedChannel {
    int64_t Id = 0;
    QString Title;
    QString Url;
    // One line; empty when no reason was recorded (the channel vanished).
    QString Reason;
};

// What a refresh asked for by the user came to.
struct cRefreshOutcome {
    int Refreshed = 0;
    // Of those, the channels whose server answered 304 Not Modified.
    int NotModified = 0;
    int NewItems = 0;
    // Channels whose last update failed, or which vanished meanwhile.
    QList<cFailedChannel> Failures;
};

// The channels a refresh now covers: the due ones, or every one.
QList<int64_t> ChannelsToRefresh(cSQLDatabase& database, bool everyChannel);
// Queues an update job for each channel whose update is not queued yet
// (the scheduler may have queued it already).
void QueueChannelUpdates(cThreadPool& pool, const QList<int64_t>& channelIds);

// A refresh of chosen channels through the worker pool, asked for by the
// user rather than the scheduler. The front end queues it, waits for the
// pool in its own way (the window keeps its event loop running), then
// finishes it on the same connection.
class cRefreshNow {
public:
    // Counts the channels' stored items now, so that Finish can tell how
    // many are new.
    cRefreshNow(cSQLDatabase& database, const QList<int64_t>& channelIds);

    const QList<int64_t>& ChannelIds() const { return FChannelIds; }
    // Queues the channels' updates (QueueChannelUpdates).
    void Queue(cThreadPool& pool) const;
    // Once the updates ran: rebuilds every counter still flagged, so that
    // the lists read up to date at once, then tells what was done. Raises
    // when the database file failed meanwhile (damaged, full, unwritable),
    // in this process, even where the jobs swallowed it: such a failure is
    // not one of the channels.
    cRefreshOutcome Finish();

private:
    cSQLDatabase& FDatabase;
    const QList<int64_t> FChannelIds;
    const uint64_t FFaultsBefore;
    // Per channel: another process may store or remove items of other
    // channels meanwhile, and an item it stores for one of these counts
    // once here.
    const QHash<int64_t, int64_t> FItemsBefore;
};
