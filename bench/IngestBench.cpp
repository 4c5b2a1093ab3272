// Ingestion speed on a generated corpus (run through ingest_bench.sh):
// (a) feed files loaded and read into records, nothing stored;
// (b) the whole refresh path, one channel after another, from a loopback
//     HTTP server into a fresh database.

#include "BenchSupport.h"
#include "CorpusServer.h"
#include "ingest/uChannel.h"
#include "ingest/uRefreshTables.h"
#include "storage/uSQLDataTabRec.h"
#include "storage/uSchema.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace {

struct cCorpus {
    QStringList names;
    std::vector<QByteArray> bodies;
};

cCorpus ReadCorpus(const QString& folder) {
    cCorpus corpus;
    const QDir feeds(folder + QStringLiteral("/feeds"));
    for (const QString& name : feeds.entryList(QDir::Files, QDir::Name)) {
        QFile file(feeds.filePath(name));
        file.open(QIODevice::ReadOnly);
        corpus.names << name;
        corpus.bodies.push_back(file.readAll());
    }
    return corpus;
}

struct cReadResult {
    qint64 ItemsPerRound = 0;
    double ItemsPerSecond = 0;
};

// Loads every document into the tables of a refresh, storing nothing.
cReadResult ReadIntoRecords(const cCorpus& corpus, int rounds) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("read.dat"));
    CreateMainDatabase(path);
    cSQLDatabase database;
    database.Open(path);
    cChannelTable channels(database);
    cChannel* channel = channels.NewChannel();
    qint64 items = 0;
    QElapsedTimer timer;
    timer.start();
    for (int round = 0; round < rounds; ++round)
        for (const QByteArray& body : corpus.bodies) {
            cRefreshTables tables(database);
            channel->ReadFeed(body, tables);
            items += tables.Nodes.Count();
        }
    return {items / rounds, items / (timer.nsecsElapsed() / 1e9)};
}

void RefreshAll(const QString& corpusFolder) {
    cCorpusServer server(corpusFolder);

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("refresh.dat"));
    CreateMainDatabase(path);
    cSQLDatabase database;
    database.Open(path);
    std::vector<int64_t> ids;
    {
        cChannelTable channels(database);
        for (const QString& name : server.FeedNames())
            ids.push_back(channels.AddChannel(server.FeedUrl(name)));
    }
    QElapsedTimer timer;
    timer.start();
    int failed = 0;
    for (int64_t id : ids) {
        cChannelTable channels(database);
        channels.OpenChannel(id);
        try {
            if (!channels.Record(0)->UpdateFromFeed())
                ++failed;
        } catch (const EVelmoraError& error) {
            ++failed;
            std::fprintf(stderr, "%s\n", error.what());
        }
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    const int items = database.QueryInt(QStringLiteral("select count(*) from Node"));
    std::printf("(b) refresh: %zu feeds (%d failed), %d items stored in %.2f s: %.0f items/s, "
                "%.1f feeds/s\n",
                ids.size(), failed, items, seconds, items / seconds, ids.size() / seconds);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER [FLOOR_NANOSECONDS]\n", argv[0]);
        return 2;
    }
    cBenchHome home;
    const QString corpusFolder = QString::fromLocal8Bit(argv[1]);
    const cCorpus corpus = ReadCorpus(corpusFolder);
    ReadIntoRecords(corpus, 1);
    const cReadResult read = ReadIntoRecords(corpus, 5);
    std::printf("(a) read into records: %zu documents, %lld items, %.0f items/s\n",
                corpus.bodies.size(), static_cast<long long>(read.ItemsPerRound),
                read.ItemsPerSecond);
    if (argc > 2) {
        const double floorSeconds = std::atof(argv[2]) / 1e9;
        const double floorRate = read.ItemsPerRound / floorSeconds;
        std::printf("floor: xmllint --noout %.3f s, %.0f items/s; (a) is %.2f times slower "
                    "(target at most 5)\n",
                    floorSeconds, floorRate, floorRate / read.ItemsPerSecond);
    }
    RefreshAll(corpusFolder);
    return 0;
}
