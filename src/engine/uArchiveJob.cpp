#include "engine/uArchiveJob.h"

#include "engine/uEngineLog.h"
#include "ingest/uCategoryLinks.h"
#include "storage/uConfig.h"
#include "storage/uDTFormat.h"
#include "storage/uSQLDataTabRec.h"
#include "storage/uSQLValue.h"

#include <vector>

namespace {

QString QuotedTime(const QDateTime& time) {
    return QuotedText(DateTimeToText(time));
}

// The channel's nodes that leave the main file: archived and purged.
QString MovedNodesOf(const QString& channel) {
    return QStringLiteral(" node.ispurged <> 0 and node.isarchived <> 0 "
                          " and node.parentchannelid = ") %
           channel;
}

// The steps after the archive file is attached, one transaction each, every
// copy before its delete. A copy must succeed on rows a run that ended
// before the matching delete left in both files: rows with a key replace
// their earlier copy, and a link is copied only when the archive lacks it.
// Otherwise the copy would fail on the archive's keys at every run, and the
// channel, still due, would be chosen again and again.
std::vector<QStringList> MoveSteps(const QString& channel, const QString& now) {
    const QString moved = MovedNodesOf(channel);
    return {
        // The channel row, on its first archiving only.
        {QStringLiteral(" insert into arc.channel select * from channel  where channel.id = ") %
         channel % QStringLiteral(" and not(channel.id in (select id from arc.channel))")},
        // The enclosure data of the nodes to move.
        {QStringLiteral(" insert into arc.node2Enclosure select node2enclosure.* from "
                        "node2Enclosure,node  where") %
             moved %
             QStringLiteral(" and node2enclosure.nodeid = node.id  and not exists (select 1 "
                            "from arc.node2Enclosure copied where copied.nodeid = "
                            "node2enclosure.nodeid and copied.enclosureid = "
                            "node2enclosure.enclosureid)"),
         QStringLiteral(" insert or replace into arc.Enclosure select enclosure.* from "
                        "enclosure,node2Enclosure,node  where") %
             moved %
             QStringLiteral(" and node2enclosure.nodeid = node.id  and "
                            "node2enclosure.enclosureid = enclosure.id")},
        // The enclosures go before their links, while the links still name
        // them. Each delete takes only rows the archive holds: a node another
        // writer purged since the copy was not copied, and stays for the
        // next run. A link goes with its enclosure, a node with its links.
        {QStringLiteral(" delete from enclosure where id in  ( select node2enclosure.enclosureid "
                        "from node,node2enclosure  where") %
             moved %
             QStringLiteral(" and node2enclosure.nodeid = node.id ) and id in (select id from "
                            "arc.enclosure)"),
         QStringLiteral(" delete from node2enclosure where nodeid in  ( select node.id from node "
                        " where") %
             moved %
             QStringLiteral(") and enclosureid not in (select id from enclosure) and exists "
                            "(select 1 from arc.node2Enclosure copied where copied.nodeid = "
                            "node2enclosure.nodeid and copied.enclosureid = "
                            "node2enclosure.enclosureid)")},
        {QStringLiteral(" insert or replace into arc.node select * from node  where") % moved},
        {QStringLiteral(" delete from node where") % moved %
         QStringLiteral(" and id in (select id from arc.node) and not exists (select 1 from "
                        "node2enclosure where node2enclosure.nodeid = node.id)")},
        {QStringLiteral(" update channel set LastArchiveTime_UTC = ") % now %
         QStringLiteral(" where id = ") % channel},
    };
}

} // namespace

void cArchiveJob::Run() {
    try {
        cSQLDatabase database;
        database.Open(GetConfig().MainDatabasePath());
        const QDateTime now = LocalNow();
        int64_t channelId = 0;
        if (!database.TryQueryInt64(
                QStringLiteral(" select id from channel where  (LastArchiveTime_UTC is null) or "
                               " (LastArchiveTime_UTC <= ") %
                    QuotedTime(now.addDays(-DaysBetweenArchivings)) % QStringLiteral(")"),
                channelId))
            return;
        const QString channel = NumberText(channelId);
        // Hidden nodes leave the channel's counters, and its categories'.
        database.ExecuteInTransaction(
            {FlagCategoriesOfChannel(channel),
             QStringLiteral(" update node set IsArchived = -1  where IsArchived = 0 and "
                            "hasbeenread <> 0 and DateTimeNode_UTC <= ") %
                 QuotedTime(now.addDays(-ArchiveAgeDays)) %
                 QStringLiteral(" and parentchannelid = ") % channel,
             QStringLiteral("update channelstat set NeedRecalc = -1 where ChannelId = ") %
                 channel});
        // Attached to this connection only; closing it detaches the file.
        database.Connection().Attach(GetConfig().ArchiveDatabasePath(), QStringLiteral("Arc"));
        for (const QStringList& step : MoveSteps(channel, QuotedTime(now)))
            database.ExecuteInTransaction(step);
    } catch (const EVelmoraError& error) {
        // The failed step was rolled back and the channel stays due, so a
        // later run takes it up again.
        qCDebug(EngineLog) << "archiving stopped:" << error.Message();
    }
}
