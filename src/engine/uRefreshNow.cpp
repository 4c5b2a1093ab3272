#include "engine/uRefreshNow.h"

#include "engine/uStatJobs.h"
#include "engine/uThreadPool.h"
#include "engine/uUpdateJob.h"
#include "ingest/uChannel.h"
#include "model/uOMChannelFetch.h"
#include "model/uOMNode.h"
#include "storage/uSQLLiteImp.h"

#include <QHash>

#include <algorithm>

namespace {

// A channel's job rebuilds one flagged channel per run; the category job
// rebuilds every flagged category, the ones the channels flagged included.
void RecomputeFlaggedCounters(cSQLDatabase& database) {
    int64_t flagged = 0;
    while (database.TryQueryInt64(
        QStringLiteral("select channelid from channelstat where NeedRecalc <> 0 limit 1"), flagged))
        cChannelStatJob().Run();
    cCategoryStatJob().Run();
}

} // namespace

QList<int64_t> ChannelsToRefresh(cSQLDatabase& database, bool everyChannel) {
    cChannelTable channels(database);
    if (everyChannel)
        channels.OpenAllChannels();
    else
        channels.OpenDueChannels();
    QList<int64_t> ids;
    for (int index = 0; index < channels.Count(); ++index)
        ids << channels.Record(index)->ID();
    return ids;
}

cRefreshNow::cRefreshNow(cSQLDatabase& database, const QList<int64_t>& channelIds)
    : FDatabase(database), FChannelIds(channelIds), FFaultsBefore(LastDatabaseFault().Serial),
      FItemsBefore(CountStoredNodesOfChannels(database, channelIds)) {}

void QueueChannelUpdates(cThreadPool& pool, const QList<int64_t>& channelIds) {
    for (int64_t id : channelIds)
        if (!pool.IsChannelUpdateQueued(id))
            pool.AddJob(std::make_unique<cUpdateJob>(id));
}

void cRefreshNow::Queue(cThreadPool& pool) const {
    QueueChannelUpdates(pool, FChannelIds);
}

cRefreshOutcome cRefreshNow::Finish() {
    // The worker pool discards what the jobs raise, and a job records a
    // failed save as a failed update: a fault of the file would otherwise
    // read as channels that failed.
    RaiseDatabaseFaultSince(FFaultsBefore);
    RecomputeFlaggedCounters(FDatabase);
    struct cKnown {
        QString Title;
        QString Url;
        bool Succeeded = false;
        int32_t Status = 0;
        QString Reason;
    };
    QHash<int64_t, cKnown> known;
    {
        cOmChannelTable channels(FDatabase);
        channels.OpenAllChannels();
        for (int index = 0; index < channels.Count(); ++index) {
            const cOmChannelRecord* channel = channels.Record(index);
            known.insert(channel->ID(), {channel->Title(), channel->ChannelURL(),
                                         channel->IsLastUpdateOk(), 0, QString()});
        }
        cOmChannelFetchTable fetches(FDatabase);
        fetches.OpenAllFetches();
        for (int index = 0; index < fetches.Count(); ++index) {
            const cOmChannelFetchRecord* fetch = fetches.Record(index);
            if (const auto it = known.find(fetch->ChannelId()); it != known.end()) {
                it->Status = fetch->HttpStatus();
                it->Reason = fetch->FailureReason();
            }
        }
    }
    cRefreshOutcome outcome;
    for (int64_t id : FChannelIds) {
        const cKnown channel = known.value(id);
        if (channel.Succeeded) {
            ++outcome.Refreshed;
            if (channel.Status == 304)
                ++outcome.NotModified;
            continue;
        }
        outcome.Failures.append({id, channel.Title, channel.Url, channel.Reason});
    }
    const QHash<int64_t, int64_t> itemsNow = CountStoredNodesOfChannels(FDatabase, FChannelIds);
    for (int64_t id : FChannelIds)
        outcome.NewItems +=
            static_cast<int>(std::max<int64_t>(0, itemsNow.value(id) - FItemsBefore.value(id)));
    // The statistics jobs swallow their errors too.
    RaiseDatabaseFaultSince(FFaultsBefore);
    return outcome;
}
