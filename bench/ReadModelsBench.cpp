// The queries behind the lists, on a large database: 500 channels, 200
// categories, 200000 nodes (10% unread, 1% with a saved page), one node in
// ten with an enclosure (most never requested, as for channels the user
// adds), links to categories by channel and by node. Prints the median time
// of each list query in each of its four orders and of each statistics view
// in each of its orders, with and without a title filter (as tables), then
// marking a 2000-node channel read, one channel recomputation and one
// category job run.

#include "BenchSupport.h"
#include "engine/uStatJobs.h"
#include "readmodels/uCategoryStat.h"
#include "readmodels/uChannelDetailStat.h"
#include "readmodels/uChannelStat.h"
#include "readmodels/uNodeChannel.h"
#include "storage/uConfig.h"
#include "storage/uSQLDataTabRec.h"
#include "storage/uSchema.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// Builds the data in the configured main database with recursive selects.
void FillDatabase(cSQLDatabase& database) {
    const char* statements[] = {
        "with recursive n(i) as (select 1 union all select i + 1 from n where i < 500) "
        "insert into Channel select i, 'Channel ' || i || ' about ' || "
        "substr('news tech sport music science travel food', 1 + (i % 7) * 5, 5), 'en', 0, "
        "'http://127.0.0.1/feed/' || i, 'http://127.0.0.1/site/' || i, 'description', '', '', "
        "'', '2024/06/01 12:00:00', 'd: 0h: 1m: 0', '', -1, '2024/06/01 13:00:00' from n",
        "with recursive n(i) as (select 1 union all select i + 1 from n where i < 200) "
        "insert into Category select i, 'Category ' || i from n",
        // Channel 1 holds 2000 nodes; the rest spread over the other channels.
        "with recursive n(i) as (select 1 union all select i + 1 from n where i < 200000) "
        "insert into Node select i, case when i <= 2000 then 1 else 2 + (i % 499) end, "
        "'Item ' || i || ' ' || substr('kernel parser widget budget garden river concert "
        "election', 1 + (i % 8) * 7, 7), 'A description of item ' || i || ' that runs on for a "
        "while, as descriptions do, with some more words to make it realistic.', "
        "'http://127.0.0.1/item/' || i, 'guid-' || i, 'Sat, 01 Jun 2024 12:00:00 GMT', 'en', "
        "'2024/06/01 12:00:00', case when i % 10 = 0 then 0 else -1 end, "
        "case when i % 10 = 3 then -1 else 0 end, case when i % 3 = 0 then -1 else 0 end, "
        "strftime('%Y/%m/%d %H:%M:%S', 1717243200 - i * 157, 'unixepoch'), "
        "case when i % 100 = 0 then 1 else 0 end from n",
        "insert into Enclosure select ID, 'http://127.0.0.1/media/' || ID || '.mp3', '12345', "
        "'audio/mpeg', case when ID % 500 = 5 then 1 when ID % 1000 = 15 then 2 else 0 end "
        "from Node where ID % 10 = 5",
        "insert into Node2Enclosure select ID, ID from Enclosure",
        "insert into Channel2Category select ID, 1 + (ID % 200) from Channel",
        "insert into Channel2Category select ID, 1 + ((ID * 7) % 200) from Channel where ID % 3 = "
        "0",
        "insert into Node2Category select ID, 1 + ((ID * 13) % 200) from Node where ID % 2 = 0",
        "insert into ChannelStat select ID, 0, 0, 0, '', -1 from Channel",
        "insert into CategoryStat select ID, 0, 0, 0, '', -1 from Category",
    };
    database.InTransaction([&] {
        for (const char* statement : statements)
            database.Execute(QString::fromUtf8(statement));
    });
    // As the scheduler keeps them.
    RenewPlannerStatistics(database);
}

// The median time of the action; the preparation before each run is not
// timed.
double MedianMilliseconds(
    const std::function<void()>& action, const std::function<void()>& prepare = [] {},
    int runs = 9) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        action();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void Report(const char* name, double milliseconds, double target) {
    std::printf("%-52s %8.2f ms  %s\n", name, milliseconds,
                milliseconds <= target ? "ok" : "OVER TARGET");
}

// Medians of one query in each of its orders, without and with a filter,
// one row per query; cases over the target are starred and counted, so a
// slow combination stands out among the hundred.
class cTargetTable {
public:
    cTargetTable(const char* title, std::vector<const char*> orders, double target)
        : FTitle(title), FOrders(std::move(orders)), FTarget(target) {}

    void Row(const char* name, const std::vector<double>& plain,
             const std::vector<double>& filtered) {
        FRows.push_back({name, plain, filtered});
    }

    void Print() const {
        std::printf("\n%-34s", FTitle);
        for (const char* order : FOrders)
            std::printf(" %9s", order);
        std::printf("   | the same + filter\n");
        int over = 0;
        double slowest = 0;
        for (const auto& row : FRows) {
            std::printf("%-34s", row.name);
            for (const auto* times : {&row.plain, &row.filtered}) {
                for (std::size_t i = 0; i < FOrders.size(); ++i) {
                    if (i >= times->size()) {
                        std::printf(" %9s", "");
                        continue;
                    }
                    const double t = (*times)[i];
                    over += t > FTarget;
                    slowest = std::max(slowest, t);
                    std::printf(" %8.2f%c", t, t > FTarget ? '*' : ' ');
                }
                if (times == &row.plain)
                    std::printf("   |");
            }
            std::printf("\n");
        }
        std::printf("slowest %.2f ms; %d case(s) over the %.0f ms target%s\n", slowest, over,
                    FTarget, over ? " (starred): OVER TARGET" : ": ok");
    }

private:
    struct cRow {
        const char* name;
        std::vector<double> plain, filtered;
    };
    const char* FTitle;
    std::vector<const char*> FOrders;
    double FTarget;
    std::vector<cRow> FRows;
};

} // namespace

int main() {
    cBenchHome home;
    cSQLDatabase database;
    database.Open(GetConfig().MainDatabasePath());
    QElapsedTimer build;
    build.start();
    FillDatabase(database);
    std::printf("database built in %.1f s\n", build.nsecsElapsed() / 1e9);

    // Counters as the engine would have them, before the views are read.
    while (database.QueryInt(
               QStringLiteral("select count(*) from ChannelStat where NeedRecalc <> 0")) > 0)
        cChannelStatJob().Run();
    cCategoryStatJob().Run();

    cNodeChannelTable nodes(database);
    const QString filter = QStringLiteral("garden");
    // Every list a window shows, as its window and choosers ask for it; each
    // is timed in every order, with and without a title filter.
    const struct {
        const char* name;
        std::function<void(NodeOrder, const QString&)> query;
    } lists[] = {
        {"QueryAllNodes", [&](NodeOrder o, const QString& f) { nodes.QueryAllNodes(o, f, 0, 0); }},
        {"QueryAllNodes by channel",
         [&](NodeOrder o, const QString& f) { nodes.QueryAllNodes(o, f, 7, 0); }},
        {"QueryAllNodes by category",
         [&](NodeOrder o, const QString& f) { nodes.QueryAllNodes(o, f, 0, 7); }},
        {"QueryRecentNodes",
         [&](NodeOrder o, const QString& f) { nodes.QueryRecentNodes(o, NoFilter, f, 0, 0); }},
        {"QueryRecentNodes by channel",
         [&](NodeOrder o, const QString& f) { nodes.QueryRecentNodes(o, NoFilter, f, 7, 0); }},
        {"QueryRecentNodes by category",
         [&](NodeOrder o, const QString& f) { nodes.QueryRecentNodes(o, NoFilter, f, 0, 7); }},
        {"QueryNodesByChannel",
         [&](NodeOrder o, const QString& f) { nodes.QueryNodesByChannel(o, NoFilter, 1, f); }},
        {"QueryNodesByChannel unread only",
         [&](NodeOrder o, const QString& f) { nodes.QueryNodesByChannel(o, UnreadOnly, 1, f); }},
        {"QueryNodesByCategory",
         [&](NodeOrder o, const QString& f) { nodes.QueryNodesByCategory(o, f, 7); }},
        {"QueryDownloadedNodes",
         [&](NodeOrder o, const QString& f) { nodes.QueryDownloadedNodes(o, NoFilter, f); }},
        {"QueryEnclosureNodes",
         [&](NodeOrder o, const QString& f) { nodes.QueryEnclosureNodes(o, NoFilter, f); }},
        {"QueryEnclosureNodes ready only",
         [&](NodeOrder o, const QString& f) {
             nodes.QueryEnclosureNodes(o, EnclosureReadyOnly, f);
         }},
    };
    const NodeOrder orders[] = {NodeOrder::ByDate, NodeOrder::ByChannel, NodeOrder::ByTitle,
                                NodeOrder::ByReadState};
    cTargetTable listTable("lists (ms)", {"date", "channel", "title", "read"}, 30);
    for (const auto& list : lists) {
        std::vector<double> plain, filtered;
        for (NodeOrder order : orders) {
            plain.push_back(MedianMilliseconds([&] { list.query(order, QString()); }));
            filtered.push_back(MedianMilliseconds([&] { list.query(order, filter); }));
        }
        listTable.Row(list.name, plain, filtered);
    }
    listTable.Print();
    Report("QueryPagesToExport", MedianMilliseconds([&] { nodes.QueryPagesToExport(); }), 30);

    cChannelStatTable channels(database);
    cCategoryStatTable categories(database);
    cChannelDetailStatTable details(database);
    const struct {
        const char* name;
        std::vector<const char*> orders;
        QString filter;
        std::function<void(int, const QString&)> query;
    } views[] = {
        {"QueryChannelStats",
         {"title", "update", "total", "unread", "new"},
         QStringLiteral("tech"),
         [&](int o, const QString& f) { channels.QueryChannelStats(o, f); }},
        {"QueryCategoryStats",
         {"name", "total", "unread", "new"},
         QStringLiteral("Category 1"),
         [&](int o, const QString& f) { categories.QueryCategoryStats(o, f); }},
    };
    for (const auto& view : views) {
        std::vector<double> plain, filtered;
        for (int order = 0; order < int(view.orders.size()); ++order) {
            plain.push_back(MedianMilliseconds([&] { view.query(order, QString()); }));
            filtered.push_back(MedianMilliseconds([&] { view.query(order, view.filter); }));
        }
        cTargetTable table("statistics view (ms)", view.orders, 30);
        table.Row(view.name, plain, filtered);
        table.Print();
    }
    Report("QueryChannelsWithNew", MedianMilliseconds([&] { channels.QueryChannelsWithNew(); }),
           30);
    Report("QueryCategoriesWithNew",
           MedianMilliseconds([&] { categories.QueryCategoriesWithNew(); }), 30);
    Report("QueryChannelDetails", MedianMilliseconds([&] { details.QueryChannelDetails(); }), 30);

    Report("MarkChannelRead (2000 nodes)",
           MedianMilliseconds([&] { nodes.MarkChannelRead(1); },
                              [&] {
                                  database.Execute(QStringLiteral(
                                      "update Node set HasBeenRead = 0 where ParentChannelId = 1"));
                              }),
           30);
    Report("channel recomputation (2000 nodes)",
           MedianMilliseconds([&] { RecomputeChannelStatistics(database, 1); }), 100);
    Report("category job run (10 flagged categories)",
           MedianMilliseconds([&] { cCategoryStatJob().Run(); },
                              [&] {
                                  database.Execute(QStringLiteral("update CategoryStat set "
                                                                  "NeedRecalc = -1 where "
                                                                  "CategoryId <= 10"));
                              }),
           100);
    return 0;
}
