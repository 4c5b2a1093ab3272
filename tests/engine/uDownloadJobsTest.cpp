#include "engine/uDownloadStates.h"
#include "engine/uEnclosureJob.h"
#include "engine/uEnginePresence.h"
#include "engine/uHTMLDownloadJob.h"

#include "EngineFixture.h"
#include "TestHttpServer.h"
#include "engine/uMainThreadDispatcher.h"
#include "engine/uThUpdateScheduler.h"
#include "engine/uThreadPool.h"
#include "ingest/uHTTP.h"
#include "model/uOMEnclosure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <thread>

namespace {

class Downloads : public EngineFixture {
protected:
    Downloads() {
        QDir cache(GetConfig().CacheFolder);
        for (const QString& name : cache.entryList(QDir::Files))
            cache.remove(name);
    }
    void AddEnclosure(int64_t id, const QString& url, int status) {
        Database.Execute(QStringLiteral("insert into Enclosure values(%1,'%2','','',%3)")
                             .arg(id)
                             .arg(url)
                             .arg(status));
    }
    void AddNode(int64_t id, const QString& link, int pageState) {
        Database.Execute(
            QStringLiteral("insert into Node (ID, ParentChannelId, Link, IsDownloaded) "
                           "values(%1,1,'%2',%3)")
                .arg(id)
                .arg(link)
                .arg(pageState));
    }
    int EnclosureStatus(int64_t id) {
        return Count(QStringLiteral("select Status from Enclosure where ID = %1").arg(id));
    }
    int PageState(int64_t id) {
        return Count(QStringLiteral("select IsDownloaded from Node where ID = %1").arg(id));
    }
    static QString CacheFile(const QString& name) { return GetConfig().CacheFolder + name; }
    static QByteArray Contents(const QString& name) {
        QFile file(CacheFile(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(no file)");
    }
    static QStringList CacheFiles() { return QDir(GetConfig().CacheFolder).entryList(QDir::Files); }
    static void RunEnclosureJob() { cEnclosureJob().Run(); }
    static void RunPageJob() { cHTMLDownloadJob().Run(); }

    cTestHttpServer Server;
};

cTestEndpoint Answer(const QByteArray& body, int status = 200,
                     const std::string& type = "audio/mpeg") {
    cTestEndpoint endpoint;
    endpoint.Status = status;
    endpoint.Body = body;
    endpoint.ContentType = type;
    return endpoint;
}

// One field of /proc/self/status, in KiB.
qint64 MemoryKiB(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine())
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').first().toLongLong();
    return -1;
}

// From here on, the peak resident size counts from the present size.
bool ResetPeakMemory() {
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}

} // namespace

TEST_F(Downloads, EachRunDownloadsTheFirstRequestedEnclosureUnderItsIdAndExtension) {
    auto first = Server.Serve("/show/episode.mp3", Answer("first episode"));
    auto second = Server.Serve("/show/second.ogg", Answer("second episode"));
    AddEnclosure(31, Server.Url("/show/episode.mp3"), dsRequested);
    // Podcast hosts often answer through redirects.
    auto redirects = Server.RedirectChain("/moved/second.ogg", 2, "/show/second.ogg");
    AddEnclosure(32, Server.Url("/moved/second.ogg"), dsRequested);
    AddEnclosure(33, Server.Url("/show/offered.mp3"), dsOffered);

    RunEnclosureJob();
    EXPECT_EQ(EnclosureStatus(31), dsDownloaded);
    EXPECT_EQ(Contents(QStringLiteral("31.mp3")), QByteArray("first episode"));
    EXPECT_EQ(EnclosureStatus(32), dsRequested) << "one enclosure per run";

    RunEnclosureJob();
    EXPECT_EQ(EnclosureStatus(32), dsDownloaded);
    EXPECT_EQ(Contents(QStringLiteral("32.ogg")), QByteArray("second episode"));

    RunEnclosureJob();
    EXPECT_EQ(EnclosureStatus(33), dsOffered) << "only requested enclosures are downloaded";
    EXPECT_EQ(CacheFiles(), (QStringList{QStringLiteral("31.mp3"), QStringLiteral("32.ogg")}));
}

TEST_F(Downloads, AFailedTransferMarksTheEnclosureFailedAndLeavesNoFile) {
    auto missing = Server.Serve("/missing.mp3", Answer("<html>Not found</html>", 404, "text/html"));
    const struct {
        int64_t Id;
        QString Url;
        const char* File;
    } cases[] = {
        {41, Server.Url("/missing.mp3"), "41.mp3"},
        // No extension after a dotted host: the file is named by the id alone.
        {42, QStringLiteral("http://media.invalid/episode"), "42"},
        {43, QStringLiteral("http://127.0.0.1:1/refused.mp3"), "43.mp3"},
    };
    for (const auto& row : cases) {
        AddEnclosure(row.Id, row.Url, dsRequested);
        RunEnclosureJob();
        EXPECT_EQ(EnclosureStatus(row.Id), dsFailed) << row.Url.toStdString();
        EXPECT_FALSE(QFileInfo::exists(CacheFile(QString::fromLatin1(row.File))))
            << row.Url.toStdString();
    }
}

TEST_F(Downloads, ATransferCutShortMarksTheEnclosureFailedAndDeletesWhatArrived) {
    cTestEndpoint trickle = Answer(QByteArray(4096, 'x'));
    trickle.TrickleInterval = std::chrono::milliseconds(20);
    trickle.TrickleBytes = 64;
    auto route = std::make_unique<cTestHttpServer::cRoute>(Server.Serve("/slow.mp3", trickle));
    AddEnclosure(44, Server.Url("/slow.mp3"), dsRequested);

    std::thread job(RunEnclosureJob);
    const bool arriving = Eventually([] { return QFileInfo(CacheFile("44.mp3")).size() > 0; });
    EXPECT_EQ(EnclosureStatus(44), dsRunning) << "the list sees the download running";
    route.reset(); // the server cuts the connection
    job.join();

    ASSERT_TRUE(arriving);
    EXPECT_EQ(EnclosureStatus(44), dsFailed);
    EXPECT_FALSE(QFileInfo::exists(CacheFile(QStringLiteral("44.mp3"))));
}

TEST_F(Downloads, ADownloadCutOffByTheEngineStoppingIsLeftForTheNextStart) {
    cTestEndpoint trickle = Answer(QByteArray(4096, 'x'));
    trickle.TrickleInterval = std::chrono::milliseconds(20);
    trickle.TrickleBytes = 64;
    auto route = Server.Serve("/slow.mp3", trickle);
    AddEnclosure(45, Server.Url("/slow.mp3"), dsRequested);

    std::thread job(RunEnclosureJob);
    const bool arriving = Eventually([] { return QFileInfo(CacheFile("45.mp3")).size() > 0; });
    cHTTP::AbortTransfers(); // as the pool's shutdown does
    job.join();

    ASSERT_TRUE(arriving);
    EXPECT_EQ(EnclosureStatus(45), dsRunning);
    RequestInterruptedDownloadsAgain(Database);
    EXPECT_EQ(EnclosureStatus(45), dsRequested);
}

// The job began (waiting for the database, say) before the engine stopped:
// its fetch never goes out, and the download is not taken for failed.
TEST_F(Downloads, ADownloadWhoseJobBeganBeforeTheEngineStoppedIsLeftForTheNextStart) {
    auto route = Server.Serve("/later.mp3", Answer("episode"));
    AddEnclosure(46, Server.Url("/later.mp3"), dsRequested);
    {
        const cHTTP::cTransferScope worker; // as a worker holds it around its job
        cHTTP::AbortTransfers();
        RunEnclosureJob();
    }
    EXPECT_TRUE(Server.Requests().empty());
    EXPECT_EQ(EnclosureStatus(46), dsRunning);
}

TEST_F(Downloads, ALargeEnclosureStreamsToItsFileWithoutGrowingTheProcess) {
#ifdef __SANITIZE_THREAD__
    GTEST_SKIP() << "the thread sanitizer's shadow memory counts in the resident size";
#endif
    constexpr qint64 Size = 50 * 1024 * 1024;
    cTestEndpoint large;
    large.PatternBytes = Size;
    auto route = Server.Serve("/large.mp3", large);
    AddEnclosure(45, Server.Url("/large.mp3"), dsRequested);

    ASSERT_TRUE(ResetPeakMemory());
    const qint64 before = MemoryKiB("VmRSS");
    RunEnclosureJob();
    const qint64 growth = MemoryKiB("VmHWM") - before;

    EXPECT_EQ(EnclosureStatus(45), dsDownloaded);
    EXPECT_LT(growth, 8 * 1024) << "peak resident growth in KiB while 50 MiB went to the file";
    QFile file(CacheFile(QStringLiteral("45.mp3")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    ASSERT_EQ(file.size(), Size);
    qint64 mismatches = 0;
    for (qint64 offset = 0; offset < Size;) {
        const QByteArray piece = file.read(1024 * 1024);
        for (qsizetype index = 0; index < piece.size(); ++index)
            mismatches += piece[index] != PatternByte(offset + index);
        offset += piece.size();
    }
    EXPECT_EQ(mismatches, 0);
}

TEST_F(Downloads, EachRunSavesTheFirstRequestedPageAndAFailedOneKeepsNoFile) {
    auto page = Server.Serve(
        "/article.html", Answer("<html><head><title>Article</title></head><body>Text</body></html>",
                                200, "text/html"));
    AddNode(51, Server.Url("/article.html"), dsRequested);
    AddNode(52, Server.Url("/gone.html"), dsRequested);
    // Saved by an earlier request; the page has gone since.
    QFile earlier(CacheFile(QStringLiteral("52.mht")));
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("an earlier copy");
    earlier.close();

    RunPageJob();
    EXPECT_EQ(PageState(51), dsDownloaded);
    EXPECT_TRUE(Contents(QStringLiteral("51.mht")).contains("<title>Article</title>"));
    EXPECT_EQ(PageState(52), dsRequested) << "one page per run";

    RunPageJob();
    EXPECT_EQ(PageState(52), dsFailed);
    EXPECT_FALSE(QFileInfo::exists(CacheFile(QStringLiteral("52.mht"))));
}

TEST_F(Downloads, DownloadsLeftRunningAreRequestedAgainWhenTheEngineStarts) {
    auto episode = Server.Serve("/episode.mp3", Answer("episode"));
    auto page = Server.Serve("/page.html", Answer("<title>Page</title>", 200, "text/html"));
    // Left at downloading by a process that ended in the middle.
    AddEnclosure(61, Server.Url("/episode.mp3"), dsRunning);
    AddNode(62, Server.Url("/page.html"), dsRunning);
    // Being downloaded by this process.
    AddEnclosure(63, Server.Url("/episode.mp3"), dsRequested);
    cDownloadClaim running(Database, EnclosureDownloads, 63);
    ASSERT_TRUE(running.Taken());
    ASSERT_EQ(EnclosureStatus(63), dsRunning);

    cDirectDispatcher dispatcher;
    cThreadPool pool(2, dispatcher);
    {
        cThUpdateScheduler scheduler(pool);
        EXPECT_TRUE(Eventually([&] {
            return EnclosureStatus(61) == dsDownloaded && PageState(62) == dsDownloaded;
        })) << "the first pass's jobs fetch them";
    }
    pool.Shutdown();
    EXPECT_EQ(EnclosureStatus(63), dsRunning) << "a download of this process is not taken twice";
    EXPECT_EQ(Contents(QStringLiteral("61.mp3")), QByteArray("episode"));
}

TEST_F(Downloads, AnEngineStartedBesideAnotherLeavesDownloadsAtDownloadingToIt) {
    auto episode = Server.Serve("/episode.mp3", Answer("episode"));
    AddEnclosure(64, Server.Url("/episode.mp3"), dsRunning);
    cDirectDispatcher dispatcher;
    cThreadPool pool(2, dispatcher);
    {
        // Another process's engine, fetching it.
        const cEnginePresence other;
        ASSERT_TRUE(other.StartedAlone());
        const QString passes =
            QStringLiteral("select count(*) from ActionLog where Action = 'next schedule'");
        const int passesBefore = Count(passes);
        cThUpdateScheduler scheduler(pool);
        EXPECT_TRUE(Eventually([&] { return Count(passes) > passesBefore; }));
        EXPECT_EQ(EnclosureStatus(64), dsRunning);
    }
    pool.Shutdown();
    EXPECT_FALSE(QFileInfo::exists(CacheFile(QStringLiteral("64.mp3"))));
}
