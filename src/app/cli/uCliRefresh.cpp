#include "app/cli/uCliCommand.h"
#include "app/cli/uCliCommands.h"

#include "engine/uStatJobs.h"
#include "engine/uThUpdateScheduler.h"
#include "engine/uThreadPool.h"
#include "engine/uUpdateJob.h"
#include "ingest/uChannel.h"
#include "storage/uSQLDataTabRec.h"
#include "storage/uSQLValue.h"

#include <csignal>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace {

// A counter line on standard error, rewritten in place on a terminal.
class cProgress {
public:
    explicit cProgress(int total) : FTotal(total), FTerminal(isatty(STDERR_FILENO) == 1) {}

    void Show(int done) {
        if (!FTerminal || done == FShown)
            return;
        FShown = done;
        constexpr int Width = 30;
        const int filled = FTotal > 0 ? done * Width / FTotal : Width;
        Err() << "\r[" << QString(filled, QLatin1Char('#'))
              << QString(Width - filled, QLatin1Char(' ')) << "] " << done << "/" << FTotal
              << " channels" << Qt::flush;
    }
    void Finish() {
        if (FTerminal && FShown >= 0)
            Err() << "\n" << Qt::flush;
    }

private:
    const int FTotal;
    const bool FTerminal;
    int FShown = -1;
};

// Runs the statistics jobs until no counter is stale.
void RecomputeStaleCounters(cSQLDatabase& database) {
    int64_t flagged = 0;
    while (database.TryQueryInt64(
        QStringLiteral("select channelid from channelstat where NeedRecalc <> 0 limit 1"), flagged))
        cChannelStatJob().Run();
    cCategoryStatJob().Run();
}

} // namespace

int RunRefresh(const QStringList& arguments) {
    cCommandParser parser(QStringLiteral("refresh"),
                          QStringLiteral("Refreshes every due channel (every channel with --all) "
                                         "through the worker pool, then updates the counters."));
    const QCommandLineOption all(QStringLiteral("all"), QStringLiteral("refresh every channel"));
    parser.AddOption(all);
    parser.Parse(arguments);
    if (!parser.Positional().isEmpty())
        throw EUsageError(QStringLiteral("refresh takes no arguments"));

    cSQLDatabase database;
    OpenMainDatabase(database);
    QList<int64_t> ids;
    {
        cChannelTable channels(database);
        if (parser.IsSet(QStringLiteral("all")))
            channels.Query(QStringLiteral("select * from channel"));
        else
            channels.OpenDueChannels();
        for (int index = 0; index < channels.Count(); ++index)
            ids << channels.Record(index)->ID();
    }
    const int itemsBefore = database.QueryInt(QStringLiteral("select count(*) from Node"));

    cThreadPool& pool = GetThreadPool();
    for (int64_t id : ids)
        if (!pool.IsChannelUpdateQueued(id))
            pool.AddJob(std::make_unique<cUpdateJob>(id));
    cProgress progress(static_cast<int>(ids.size()));
    for (int queued = pool.QueuedJobCount(); queued > 0; queued = pool.QueuedJobCount()) {
        progress.Show(static_cast<int>(ids.size()) - queued);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    progress.Show(static_cast<int>(ids.size()));
    progress.Finish();
    pool.Shutdown();

    RecomputeStaleCounters(database);
    int failed = 0;
    for (int64_t id : ids) {
        int64_t succeeded = 0;
        if (!database.TryQueryInt64(
                QStringLiteral("select IsLastUpdateOk from Channel where ID = ") + NumberText(id),
                succeeded) ||
            succeeded == 0)
            ++failed;
    }
    const int newItems =
        database.QueryInt(QStringLiteral("select count(*) from Node")) - itemsBefore;
    Out() << "refreshed " << ids.size() - failed << " channels, " << failed << " failed, "
          << newItems << " new items\n";
    return ExitSuccess;
}

int RunEngine(const QStringList& arguments) {
    cCommandParser parser(QStringLiteral("run"),
                          QStringLiteral("Runs the background engine (the update scheduler and "
                                         "the worker pool) until SIGINT or SIGTERM."));
    parser.Parse(arguments);
    if (!parser.Positional().isEmpty())
        throw EUsageError(QStringLiteral("run takes no arguments"));

    // Every thread started from here on inherits the blocked signals, so
    // that only the wait below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    cSQLDatabase check;
    OpenMainDatabase(check);
    cThreadPool& pool = GetThreadPool();
    {
        cThUpdateScheduler scheduler(pool);
        Err() << "velmora-cli run: engine started; SIGINT or SIGTERM stops it\n" << Qt::flush;
        int received = 0;
        sigwait(&stopSignals, &received);
        Err() << "velmora-cli run: stopping\n" << Qt::flush;
    }
    pool.Shutdown();
    return ExitSuccess;
}
