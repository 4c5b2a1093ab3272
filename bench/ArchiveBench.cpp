// The archive job on the large database of the list benchmarks (500
// channels, 200000 nodes, all dated long ago, no channel archived yet):
// the first run, which takes the 2000-node channel, then one run per
// further channel (about 400 nodes each), and a run with no channel due.
// Prints each figure with the nodes archived (hidden) and moved.

#include "BenchSupport.h"
#include "engine/uArchiveJob.h"
#include "storage/uConfig.h"
#include "storage/uSQLDataTabRec.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double TimedRunMilliseconds() {
    QElapsedTimer timer;
    timer.start();
    cArchiveJob().Run();
    return timer.nsecsElapsed() / 1e6;
}

class cCounts {
public:
    cCounts(cSQLDatabase& main, cSQLDatabase& archive) : FMain(main), FArchive(archive) {}
    // Nodes the lists still show: those a run archives leave them.
    int Shown() {
        return FMain.QueryInt(QStringLiteral("select count(*) from Node where IsArchived = 0"));
    }
    int Moved() { return FArchive.QueryInt(QStringLiteral("select count(*) from Node")); }

private:
    cSQLDatabase& FMain;
    cSQLDatabase& FArchive;
};

} // namespace

int main() {
    cBenchHome home;
    cSQLDatabase database;
    database.Open(GetConfig().MainDatabasePath());
    FillLargeDatabase(database);
    cSQLDatabase archive;
    archive.Open(GetConfig().ArchiveDatabasePath());
    cCounts counts(database, archive);

    int shown = counts.Shown();
    int moved = counts.Moved();
    const double first = TimedRunMilliseconds();
    std::printf("first run (2000-node channel)      %8.2f ms  %5d archived %5d moved\n", first,
                shown - counts.Shown(), counts.Moved() - moved);

    constexpr int Runs = 50;
    shown = counts.Shown();
    moved = counts.Moved();
    std::vector<double> times;
    for (int run = 0; run < Runs; ++run)
        times.push_back(TimedRunMilliseconds());
    std::sort(times.begin(), times.end());
    std::printf("%d further runs (one channel each) median %8.2f ms, slowest %8.2f ms;"
                " %d archived %d moved per run\n",
                Runs, times[times.size() / 2], times.back(), (shown - counts.Shown()) / Runs,
                (counts.Moved() - moved) / Runs);

    database.Execute(QStringLiteral("update Channel set LastArchiveTime_UTC = '2999/01/01'"));
    times.clear();
    for (int run = 0; run < 9; ++run)
        times.push_back(TimedRunMilliseconds());
    std::sort(times.begin(), times.end());
    std::printf("no channel due: median             %8.2f ms\n", times[times.size() / 2]);
}
