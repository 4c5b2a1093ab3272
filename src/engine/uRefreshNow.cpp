#include "engine/uRefreshNow.h"

#include "engine/uStatJobs.h"
#include "engine/uThreadPool.h"
#include "engine/uUpdateJob.h"
#include "ingest/uChannel.h"
#include "model/uOMNode.h"
#include "storage/uSQLLiteImp.h"

#include <QHash>

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
      FItemsBefore(static_cast<int>(CountStoredNodes(database))) {}

void cRefreshNow::Queue(cThreadPool& pool) const {
    for (int64_t id : FChannelIds)
        if (!pool.IsChannelUpdateQueued(id))
            pool.AddJob(std::make_unique<cUpdateJob>(id));
}

cRefreshOutcome cRefreshNow::Finish() {
    // The worker pool discards what the jobs raise, and a job records a
    // failed save as a failed update: a fault of the file would otherwise
    // read as channels that failed.
    RaiseDatabaseFaultSince(FFaultsBefore);
    RecomputeFlaggedCounters(FDatabase);
    QHash<int64_t, bool> succeeded;
    {
        cOmChannelTable channels(FDatabase);
        channels.OpenAllChannels();
        for (int index = 0; index < channels.Count(); ++index)
            succeeded.insert(channels.Record(index)->ID(),
                             channels.Record(index)->IsLastUpdateOk());
    }
    cRefreshOutcome outcome;
    for (int64_t id : FChannelIds) {
        if (succeeded.value(id, false))
            ++outcome.Refreshed;
        else
            ++outcome.Failed;
    }
    outcome.NewItems = static_cast<int>(CountStoredNodes(FDatabase) - FItemsBefore);
    // The statistics jobs swallow their errors too.
    RaiseDatabaseFaultSince(FFaultsBefore);
    return outcome;
}
