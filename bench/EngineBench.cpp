// The whole engine on a generated corpus: every feed refreshed by an update
// job through the real worker pool (N = the machine's processors) from a
// loopback HTTP server into a fresh database. A reply delay in milliseconds
// (the second argument) stands for distant servers.

#include "BenchSupport.h"
#include "CorpusServer.h"
#include "engine/uMainThreadDispatcher.h"
#include "engine/uThreadPool.h"
#include "engine/uUpdateJob.h"
#include "ingest/uChannel.h"
#include "storage/uConfig.h"
#include "storage/uSQLDataTabRec.h"

#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <thread>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER [REPLY_DELAY_MS]\n", argv[0]);
        return 2;
    }
    cBenchHome home;
    const int replyDelayMs = argc > 2 ? std::atoi(argv[2]) : 0;
    cCorpusServer server(QString::fromLocal8Bit(argv[1]), replyDelayMs);
    cSQLDatabase database;
    database.Open(GetConfig().MainDatabasePath());
    std::vector<int64_t> ids;
    {
        cChannelTable channels(database);
        for (const QString& name : server.FeedNames())
            ids.push_back(channels.AddChannel(server.FeedUrl(name)));
    }

    cDirectDispatcher dispatcher;
    cThreadPool pool(GetConfig().WorkerCount, dispatcher);
    QElapsedTimer timer;
    timer.start();
    for (int64_t id : ids)
        pool.AddJob(std::make_unique<cUpdateJob>(id));
    while (pool.QueuedJobCount() > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const double seconds = timer.nsecsElapsed() / 1e9;
    pool.Shutdown();

    const int items = database.QueryInt(QStringLiteral("select count(*) from Node"));
    const int failed =
        database.QueryInt(QStringLiteral("select count(*) from Channel where IsLastUpdateOk = 0"));
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("engine: %zu feeds (%d failed) by %d workers, replies delayed %d ms, %d items in "
                "%.2f s: %.1f feeds/s, %.0f items/s; peak memory %.1f MiB\n",
                ids.size(), failed, GetConfig().WorkerCount, replyDelayMs, items, seconds,
                ids.size() / seconds, items / seconds, usage.ru_maxrss / 1024.0);
    return 0;
}
