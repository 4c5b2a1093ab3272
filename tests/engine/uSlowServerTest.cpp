#include "EngineFixture.h"
#include "TestHttpServer.h"
#include "engine/uMainThreadDispatcher.h"
#include "engine/uRefreshNow.h"
#include "engine/uSubscriptions.h"
#include "engine/uThUpdateScheduler.h"
#include "engine/uThreadPool.h"
#include "ingest/uHTTP.h"

#include <chrono>
#include <functional>

namespace {

using cClock = std::chrono::steady_clock;

cTestEndpoint Feed(const std::string& name) {
    cTestEndpoint endpoint;
    endpoint.Body = QByteArray::fromStdString(
        "<rss><channel><title>" + name + "</title><item><guid>" + name +
        "-1</guid></item><item><guid>" + name + "-2</guid></item></channel></rss>");
    return endpoint;
}

// A valid feed sent a byte every 100 ms: ninety seconds for the whole of it.
cTestEndpoint TricklingFeed(const std::string& name) {
    cTestEndpoint endpoint = Feed(name);
    endpoint.Body.replace(
        "</title>",
        QByteArray("</title><description>").append(QByteArray(800, 'x')).append("</description>"));
    endpoint.TrickleInterval = std::chrono::milliseconds(100);
    return endpoint;
}

// Two trickling feeds and ten healthy ones, the trickling ones subscribed
// first so that their fetches start before any healthy one's.
class SlowServers : public EngineFixture {
protected:
    SlowServers() {
        for (int index = 0; index < 2; ++index) {
            const std::string path = "/slow" + std::to_string(index) + ".xml";
            Routes.push_back(Server.Serve(path, TricklingFeed(path)));
            Trickling.push_back(Subscribe(Database, Server.Url(path)).ChannelId);
        }
        for (int index = 0; index < 10; ++index) {
            const std::string path = "/feed" + std::to_string(index) + ".xml";
            Routes.push_back(Server.Serve(path, Feed(path)));
            Healthy.push_back(Subscribe(Database, Server.Url(path)).ChannelId);
        }
    }

    int Stored(const QList<int64_t>& channelIds) {
        int stored = 0;
        for (int64_t id : channelIds)
            stored += Count(QStringLiteral("select count(*) from Channel where ID = %1 and "
                                           "IsLastUpdateOk <> 0")
                                .arg(id)) == 1 &&
                      Count(QStringLiteral("select count(*) from Node where ParentChannelId = %1")
                                .arg(id)) == 2;
        return stored;
    }

    // Polls for at most 30 s: a third of the time the trickles need.
    template <class TCondition> bool Within30Seconds(TCondition condition) {
        const auto end = cClock::now() + std::chrono::seconds(30);
        while (!condition() && cClock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return condition();
    }

    // Queues the update jobs one way, then checks that the healthy feeds
    // were all stored long before the trickles could have ended, by the
    // jobs queued that once.
    void CheckTheHealthyFeedsAreRefreshed(const std::function<void()>& queue) {
        cHTTPTimeouts limits = cHTTPTimeouts::FeedOrImage();
        limits.DeadlineSeconds = 2;
        cScopedHTTPTimeouts shortened(HTTPFetchKind::FeedOrImage, limits);
        const int healthy = static_cast<int>(Healthy.size());
        queue();
        ASSERT_TRUE(Within30Seconds([&] { return Stored(Healthy) == healthy; }))
            << Stored(Healthy) << " of the healthy feeds stored";
        EXPECT_EQ(Stored(Trickling), 0);
        EXPECT_EQ(Count(QStringLiteral("select count(*) from Channel where IsLastUpdateOk <> 0")),
                  healthy)
            << "the trickling feeds are pending or failed";
        EXPECT_TRUE(Within30Seconds([&] { return Pool.QueuedUpdateCount() == 0; }))
            << "the trickling feeds' jobs ended at their deadline";
    }

    cTestHttpServer Server;
    std::vector<cTestHttpServer::cRoute> Routes;
    QList<int64_t> Trickling;
    QList<int64_t> Healthy;
    cDirectDispatcher Dispatcher;
    cThreadPool Pool{2, Dispatcher};
};

} // namespace

TEST_F(SlowServers, ASchedulePassRefreshesEveryHealthyFeed) {
    std::atomic<bool> noStop{false};
    CheckTheHealthyFeedsAreRefreshed([&] { cSchedulePass(Pool).Run(noStop); });
}

TEST_F(SlowServers, ARefreshNowRefreshesEveryHealthyFeedAndEnds) {
    cRefreshNow refresh(Database, Trickling + Healthy);
    CheckTheHealthyFeedsAreRefreshed([&] { refresh.Queue(Pool); });
    ASSERT_TRUE(Within30Seconds([&] { return Pool.QueuedJobCount() == 0; }));
    const cRefreshOutcome outcome = refresh.Finish();
    EXPECT_EQ(outcome.Refreshed, 10);
    EXPECT_EQ(outcome.Failures.size(), 2);
    EXPECT_EQ(outcome.NewItems, 20);
}

// No deadline shortened: the trickles hold their fetches for half a minute
// at least, while the healthy feeds are fetched beside them.
TEST_F(SlowServers, FeedsWaitingOnTheirServersLeaveTheWorkersToTheOthers) {
    cRefreshNow refresh(Database, Trickling + Healthy);
    refresh.Queue(Pool);
    const auto healthyStored = [&] { return Stored(Healthy) == static_cast<int>(Healthy.size()); };
    const auto end = cClock::now() + std::chrono::seconds(10);
    while (!healthyStored() && cClock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(healthyStored()) << Stored(Healthy) << " of the healthy feeds stored in 10 s";
    EXPECT_EQ(Pool.QueuedUpdateCount(), 2) << "the trickling feeds are still being fetched";
    EXPECT_EQ(Stored(Trickling), 0);
}
