#include "engine/uUpdateJob.h"

#include "engine/uEngineLog.h"
#include "engine/uJobDatabase.h"
#include "engine/uStatJobs.h"
#include "ingest/uChannel.h"
#include "storage/uRefId.h"
#include "storage/uSQLDataTabRec.h"
#include "storage/uSQLValue.h"

QString cUpdateJob::ThreadName() const {
    return QStringLiteral("cUpdateJob ") % NumberText(ChannelId);
}

void cUpdateJob::Run() {
    cJobDatabase connection;
    cSQLDatabase& database = connection.Database();
    UpdateResult result = UpdateResult::Failed;
    {
        cChannelTable channels(database);
        channels.Query(QStringLiteral("select * from channel where id = ") % NumberText(ChannelId));
        if (channels.Count() == 0)
            throw EVelmoraError(QStringLiteral("no channel for channel id") %
                                NumberText(ChannelId));
        cChannel* channel = channels.Record(0);
        // Logged with the attempt, before the fetch.
        result = channel->UpdateFromFeed({ActionLogStatement(
            ActionLogSource, QStringLiteral("update channel"), channel->Title())});
    }
    // Unchanged since the last refresh: so are the counters.
    if (result != UpdateResult::Stored)
        return;
    try {
        RecomputeChannelStatistics(database, ChannelId);
    } catch (const EVelmoraError& error) {
        // The statistics stay as they were; a later recomputation catches up.
        qCDebug(EngineLog) << "channel" << ChannelId
                           << "statistics not rebuilt:" << error.Message();
    }
}
