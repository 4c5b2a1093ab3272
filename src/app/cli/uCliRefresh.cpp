#include "app/cli/uCliCommand.h"
#include "app/cli/uCliCommands.h"

#include "engine/uRefreshNow.h"
#include "engine/uThUpdateScheduler.h"
#include "engine/uThreadPool.h"
#include "storage/uSQLDataTabRec.h"

#include <chrono>
#include <csignal>
#include <pthread.h>
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

} // namespace

int RunRefresh(const QStringList& arguments) {
    cCommandParser parser(QStringLiteral("refresh"),
                          QStringLiteral("Refreshes every due channel (every channel with --all) "
                                         "through the worker pool, then updates the counters. "
                                         "Tells how many feeds were not modified since their "
                                         "last refresh, and names each feed that failed with "
                                         "its reason."));
    const QCommandLineOption all(QStringLiteral("all"), QStringLiteral("refresh every channel"));
    parser.AddOption(all);
    parser.Parse(arguments);
    if (!parser.Positional().isEmpty())
        throw EUsageError(QStringLiteral("refresh takes no arguments"));

    cSQLDatabase database;
    OpenMainDatabase(database);
    cRefreshNow refresh(database, ChannelsToRefresh(database, parser.IsSet(QStringLiteral("all"))));
    const int total = static_cast<int>(refresh.ChannelIds().size());

    // No other job runs in this process, so the pool's queue is this refresh.
    cThreadPool& pool = GetThreadPool();
    refresh.Queue(pool);
    cProgress progress(total);
    // The wait ends as the last job does; the progress line is redrawn
    // between waits.
    while (!pool.WaitUntilIdle(std::chrono::milliseconds(100)))
        progress.Show(total - pool.QueuedJobCount());
    progress.Show(total);
    progress.Finish();
    pool.Shutdown();

    const cRefreshOutcome outcome = refresh.Finish();
    Out() << "refreshed " << outcome.Refreshed << " channels (" << outcome.NotModified
          << " not modified), " << outcome.Failures.size() << " failed, " << outcome.NewItems
          << " new items\n";
    for (const cFailedChannel& failed : outcome.Failures) {
        Out() << "failed: " << failed.Id;
        if (!failed.Url.isEmpty())
            Out() << ' ' << failed.Url;
        if (!failed.Title.isEmpty())
            Out() << " (" << failed.Title << ')';
        Out() << ": "
              << (failed.Reason.isEmpty() ? QStringLiteral("no reason recorded") : failed.Reason)
              << '\n';
    }
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
