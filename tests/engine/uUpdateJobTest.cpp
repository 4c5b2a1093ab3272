#include "engine/uUpdateJob.h"

#include "EngineFixture.h"
#include "TestHttpServer.h"
#include "engine/uMainThreadDispatcher.h"
#include "engine/uStatJobs.h"
#include "engine/uThreadPool.h"
#include "ingest/uChannel.h"
#include "ingest/uHTTP.h"
#include "storage/uDTFormat.h"

#include <atomic>
#include <future>

namespace {

class UpdateJob : public EngineFixture {
protected:
    int64_t Subscribe(const std::string& path) {
        cChannelTable channels(Database);
        return channels.AddChannel(Server.Url(path));
    }
    QString Text(const QString& query) { return QString::fromUtf8(Database.QueryText(query)); }

    cTestHttpServer Server;
};

cTestEndpoint Feed(const QByteArray& body) {
    cTestEndpoint endpoint;
    endpoint.Body = body;
    return endpoint;
}

const QByteArray TwoItems = "<rss><channel><title>Daily</title><category>Tech</category>"
                            "<item><guid>a</guid><category>Sport</category></item>"
                            "<item><guid>b</guid></item></channel></rss>";

} // namespace

TEST_F(UpdateJob, ASuccessfulRefreshRebuildsTheChannelRowAndFlagsItsCategories) {
    auto feed = Server.Serve("/feed", Feed(TwoItems));
    const int64_t id = Subscribe("/feed");
    cUpdateJob(id).Run();
    cCategoryStatJob().Run();
    EXPECT_EQ(Count(QStringLiteral("select count(*) from CategoryStat where NeedRecalc = 0")), 2);

    cUpdateJob(id).Run();
    EXPECT_EQ(Count(QStringLiteral("select count(*) from ChannelStat")), 1);
    EXPECT_EQ(Text(QStringLiteral("select Total || '/' || Unread || '/' || New || '/' || "
                                  "NeedRecalc from ChannelStat")),
              QStringLiteral("2/2/2/0"));
    EXPECT_EQ(Count(QStringLiteral("select count(*) from CategoryStat where NeedRecalc <> 0")), 2);
    EXPECT_EQ(
        Count(QStringLiteral("select count(*) from ActionLog where Action = 'update channel'")), 2);
    EXPECT_EQ(Text(QStringLiteral("select Detail from ActionLog where Action = 'update channel' "
                                  "order by EntryNo")),
              QString())
        << "the first run logs the title stored before it: none yet";
}

// The process may end between storing the items and rebuilding the counters.
TEST_F(UpdateJob, CountersOfARefreshCutOffBeforeTheirRebuildAreLeftToTheStatisticsJob) {
    auto feed = Server.Serve("/feed", Feed(TwoItems));
    const int64_t id = Subscribe("/feed");
    const auto storeOnly = [&] {
        cChannelTable channels(Database);
        channels.OpenChannel(id);
        return channels.Record(0)->UpdateFromFeed();
    };
    const QString counters = QStringLiteral(
        "select Total || '/' || Unread || '/' || New || '/' || NeedRecalc from ChannelStat");

    ASSERT_EQ(storeOnly(), UpdateResult::Stored);
    EXPECT_EQ(Text(counters), QStringLiteral("0/0/0/-1")) << "a first refresh";
    cChannelStatJob().Run();
    EXPECT_EQ(Text(counters), QStringLiteral("2/2/2/0"));

    auto more = Server.Serve("/feed", Feed(QByteArray(TwoItems).replace(
                                          "</channel>", "<item><guid>c</guid></item></channel>")));
    ASSERT_EQ(storeOnly(), UpdateResult::Stored);
    EXPECT_EQ(Text(counters), QStringLiteral("2/2/2/-1")) << "a later refresh";
    cChannelStatJob().Run();
    EXPECT_EQ(Text(counters), QStringLiteral("3/3/3/0"));
}

TEST_F(UpdateJob, AFailedRefreshLeavesTheStatisticsAlone) {
    auto feed = Server.Serve("/feed", Feed(QByteArray()));
    const int64_t id = Subscribe("/feed");
    Database.Execute(QStringLiteral("insert into ChannelStat values(%1,9,9,9,'old',-1)").arg(id));
    cUpdateJob(id).Run();
    EXPECT_EQ(Text(QStringLiteral("select Total || ComputedAt || NeedRecalc from ChannelStat")),
              QStringLiteral("9old-1"));
}

TEST_F(UpdateJob, ANotModifiedFeedIsLoggedAndLeavesTheCountersAsTheyWere) {
    cTestEndpoint unchanged = Feed(TwoItems);
    unchanged.Headers = {{"ETag", "\"1\""}};
    unchanged.Conditional = true;
    auto feed = Server.Serve("/feed", unchanged);
    const int64_t id = Subscribe("/feed");
    cUpdateJob(id).Run();
    Database.Execute(QStringLiteral("update ChannelStat set ComputedAt = 'before'"));
    cUpdateJob(id).Run();
    EXPECT_EQ(Server.Requests().back().IfNoneMatch, "\"1\"");
    EXPECT_EQ(Text(QStringLiteral("select ComputedAt || NeedRecalc from ChannelStat")),
              QStringLiteral("before0"));
    EXPECT_EQ(
        Count(QStringLiteral("select count(*) from ActionLog where Action = 'update channel'")), 2);
    EXPECT_EQ(Count(QStringLiteral("select IsLastUpdateOk from Channel")), -1);
}

TEST_F(UpdateJob, AVanishedChannelRaisesAndWritesNothing) {
    try {
        cUpdateJob(42).Run();
        FAIL() << "no error";
    } catch (const EVelmoraError& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("no channel for channel id42"));
    }
    EXPECT_EQ(Count(QStringLiteral("select count(*) from ActionLog")), 0);
}

namespace {

// Keeps the pool's one worker busy until the test opens its gate.
class cGateJob : public cBaseJob {
public:
    cGateJob(cGate& gate, std::atomic<bool>& started) : FGate(gate), FStarted(started) {}
    void Run() override {
        FStarted = true;
        FGate.Wait();
    }
    QString ThreadName() const override { return QStringLiteral("cGateJob"); }

private:
    cGate& FGate;
    std::atomic<bool>& FStarted;
};

} // namespace

TEST_F(UpdateJob, AConnectionKeptBetweenJobsPinsNoSnapshot) {
    auto feed = Server.Serve("/feed", Feed(TwoItems));
    auto other = Server.Serve("/other", Feed(TwoItems));
    const int64_t first = Subscribe("/feed");
    cGate gate;
    std::atomic<bool> held{false};
    cDirectDispatcher dispatcher;
    cThreadPool pool(1, dispatcher);
    // Whatever fails below, the worker is let go before the pool stops.
    const std::unique_ptr<cGate, void (*)(cGate*)> release(&gate,
                                                           [](cGate* held) { held->Open(); });
    pool.AddJob(std::make_unique<cUpdateJob>(first));
    pool.AddJob(std::make_unique<cGateJob>(gate, held));
    ASSERT_TRUE(Eventually([&] { return held.load(); }));
    // A kept connection holding a read snapshot would make this checkpoint
    // busy, and would not see the channel added now.
    EXPECT_EQ(Count(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")), 0) << "busy";
    const int64_t second = Subscribe("/other");
    pool.AddJob(std::make_unique<cUpdateJob>(second));
    gate.Open();
    EXPECT_TRUE(Eventually([&] { return pool.QueuedJobCount() == 0; }));
    EXPECT_EQ(Count(QStringLiteral("select count(*) from Channel where IsLastUpdateOk <> 0")), 2);
    EXPECT_EQ(
        Count(QStringLiteral("select count(*) from ActionLog where Action = 'update channel'")), 2);
}

// A stop cuts the fetch off: the feed did not fail, so nothing says it did,
// and it is still due at the next start; but a server that asked to wait
// has said so in its headers before its body was cut.
TEST_F(UpdateJob, AFetchCutOffByTheProgramStoppingLeavesTheChannelAsItWas) {
    const struct {
        int status;
        const char* retryAfter;
        const char* stateAfter;
        const char* reason;
    } cases[] = {
        {200, nullptr, "-1|2026/01/02 03:04:05|", ""},
        {429, "7200", nullptr, "HTTP 429 Too Many Requests"},
    };
    for (const auto& row : cases) {
        cTestEndpoint slow = Feed(TwoItems);
        slow.Status = row.status;
        if (row.retryAfter)
            slow.Headers.push_back({"Retry-After", row.retryAfter});
        slow.TrickleBytes = 1;
        slow.TrickleInterval = std::chrono::milliseconds(100);
        const std::string path = "/feed" + std::to_string(row.status);
        auto feed = Server.Serve(path, slow);
        const int64_t id = Subscribe(path);
        Database.Execute(QStringLiteral("update Channel set IsLastUpdateOk = -1, "
                                        "LastUpdateTime_UTC = '2026/01/02 03:04:05', "
                                        "NextUpdateDateTime_UTC = '' where ID = %1")
                             .arg(id));
        const size_t requestsBefore = Server.Requests().size();
        auto update = std::async(std::launch::async, [id] { cUpdateJob(id).Run(); });
        while (Server.Requests().size() == requestsBefore)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        cHTTP::AbortTransfers();
        ASSERT_EQ(update.wait_for(std::chrono::seconds(20)), std::future_status::ready);
        update.get();
        const QString state =
            Text(QStringLiteral("select IsLastUpdateOk || '|' || "
                                "LastUpdateTime_UTC || '|' || "
                                "NextUpdateDateTime_UTC from Channel where ID = %1")
                     .arg(id));
        const QString reason =
            Text(QStringLiteral("select ifnull((select FailureReason from ChannelFetch where "
                                "ChannelId = %1), '')")
                     .arg(id));
        EXPECT_EQ(reason, QString::fromLatin1(row.reason)) << row.status;
        if (row.retryAfter) {
            EXPECT_TRUE(state.startsWith(QStringLiteral("0|"))) << state.toStdString();
            const QDateTime next = TextToDateTime(state.section(u'|', 2));
            EXPECT_GT(LocalNow().secsTo(next), 7000) << "the server's two hours are kept";
        } else {
            EXPECT_EQ(state, QString::fromLatin1(row.stateAfter));
        }
    }
}
