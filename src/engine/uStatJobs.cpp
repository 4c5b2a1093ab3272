#include "engine/uStatJobs.h"

#include "engine/uEngineLog.h"
#include "storage/uConfig.h"
#include "storage/uDTFormat.h"
#include "storage/uRefId.h"
#include "storage/uSQLDataTabRec.h"
#include "storage/uSQLValue.h"

namespace {

QString NowQuoted() {
    return QuotedText(DateTimeToText(LocalNow()));
}

void LogComputation(cSQLDatabase& database) {
    WriteActionLog(database, ActionLogSource, QStringLiteral("channel stat"),
                   DateTimeToText(LocalNow()));
}

// The rebuild of the channel's row, then the flags of its categories.
QStringList ChannelStatisticsStatements(int64_t channelId) {
    const QString x = NumberText(channelId);
    // The channel filter selects the one outer row rather than sitting in the
    // join condition: there it would let SQLite walk every channel's nodes
    // and reject them one by one, so each rebuild would cost as much as the
    // whole database. A channel without nodes counts zero.
    const QString join =
        QStringLiteral(" from channel left join node on channel.id = node.parentchannelid");
    const QString onlyThisChannel = QStringLiteral(" where channel.id = ") % x;
    // The sums make a row even for a channel without a Channel row: a row
    // already there (a flagged one) is rebuilt with zero counts, but none is
    // made for a channel removed while it was refreshed.
    const QString rowWanted =
        QStringLiteral(" where exists (select 1 from Channel where ID = ") % x %
        QStringLiteral(") or exists (select 1 from ChannelStat where ChannelId = ") % x %
        QStringLiteral(")");
    return {
        QStringLiteral(" insert or replace into channelstat select * from (") %
            QStringLiteral(" select id,sum(a) as totalnodes,sum(b) as "
                           "totalunread,sum(c) as totalnew, ") %
            NowQuoted() % QStringLiteral(" ,0 ") % QStringLiteral(" from") % QStringLiteral(" (") %
            QStringLiteral(" select ") % x %
            QStringLiteral(" as id,count(node.id) as a,0 as b,0 as c") % join %
            QStringLiteral(" and node.isarchived = 0") % onlyThisChannel %
            QStringLiteral(" union") % QStringLiteral(" select ") % x %
            QStringLiteral(" as id,0 as a,count(node.id) as b,0 as c") % join %
            QStringLiteral(" and node.hasbeenread = 0 and node.isarchived = 0") % onlyThisChannel %
            QStringLiteral(" union") % QStringLiteral(" select ") % x %
            QStringLiteral(" as id, 0 as a,0 as b,count(node.id) as c") % join %
            QStringLiteral(
                " and node.hasbeenread = 0 and node.isarchived = 0 and node.ispurged = 0") %
            onlyThisChannel % QStringLiteral(" ))") % rowWanted,
        QStringLiteral("update categorystat set needrecalc = -1 where categoryid in "
                       "(select categoryid from channel2category where channelid = ") %
            x % QStringLiteral(")"),
        QStringLiteral("update categorystat set needrecalc = -1 where categoryid in "
                       "(select categoryid from node2category,node where node.id = "
                       "node2category.nodeid and node.parentchannelid = ") %
            x % QStringLiteral(")"),
    };
}

} // namespace

void RecomputeChannelStatistics(cSQLDatabase& database, int64_t channelId) {
    database.ExecuteInTransaction(ChannelStatisticsStatements(channelId));
}

void cChannelStatJob::Run() {
    cSQLDatabase database;
    database.Open(GetConfig().MainDatabasePath());
    int64_t channelId = 0;
    if (!database.TryQueryInt64(
            QStringLiteral("select channelid from channelstat where NeedRecalc <> 0 limit 1"),
            channelId))
        return;
    RecomputeChannelStatistics(database, channelId);
    LogComputation(database);
}

void cCategoryStatJob::Run() {
    cSQLDatabase database;
    database.Open(GetConfig().MainDatabasePath());
    try {
        database.InTransaction([&] {
            database.Execute(QStringLiteral(
                " insert into CategoryStat  select id,0,0,0,'',-1 from Category  where id not in "
                "(select categoryid from categorystat) "));
        });
    } catch (const EVelmoraError& error) {
        // The flags stay; the next run tries again.
        qCDebug(EngineLog) << "category statistics rows not added:" << error.Message();
    }
    // Each node is listed once per category, whichever link reaches it:
    // the union drops the second listing of a node linked both ways.
    const QString flaggedRoutes = QStringLiteral(
        " select category.id as r, node.id as n, node.hasbeenread as unread_flag, node.ispurged "
        "as purged_flag from categorystat,category,channel2category,node where "
        "channel2category.categoryid = category.id and categorystat.categoryid = category.id and "
        "categorystat.needrecalc <> 0 and node.parentchannelid = channel2category.channelid and "
        "node.isarchived = 0"
        " union"
        " select category.id as r, node.id as n, node.hasbeenread, node.ispurged from "
        "categorystat,category,node2category,node where node2category.categoryid = category.id "
        "and categorystat.categoryid = category.id and categorystat.needrecalc <> 0 and node.id = "
        "node2category.nodeid and node.isarchived = 0");
    try {
        database.InTransaction([&] {
            database.Execute(QStringLiteral("delete from CategoryStatTemp"));
            database.Execute(
                QStringLiteral(" insert into categorystattemp  select r, count(n), "
                               "sum(unread_flag = 0), sum(unread_flag = 0 and purged_flag = 0), ") %
                NowQuoted() % QStringLiteral(" ,0") % QStringLiteral(" from (") % flaggedRoutes %
                QStringLiteral(" ), category c2") % QStringLiteral(" where c2.id = r") %
                QStringLiteral(" group by c2.id"));
            database.Execute(QStringLiteral("delete from CategoryStat where needrecalc<>0"));
            database.Execute(
                QStringLiteral("insert into categorystat select * from categorystattemp"));
        });
    } catch (const EVelmoraError& error) {
        // Rolled back; the flags stay for the next run.
        qCDebug(EngineLog) << "category statistics not rebuilt:" << error.Message();
    }
    LogComputation(database);
}
