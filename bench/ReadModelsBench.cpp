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
    // As the window's shared connection reads.
    database.MapFileIntoMemory();
    QElapsedTimer build;
    build.start();
    FillLargeDatabase(database);
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
