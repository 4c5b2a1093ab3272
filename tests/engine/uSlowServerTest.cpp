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
#include <set>

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
// first so that they take both workers of the pool before any healthy one.
class SlowServers : public EngineFixture {
protected:
    SlowServers() {
        for (int index = 0; index < 2; ++index) {
            const std::string path = "/slow" + std::to_string(index) + ".xml";
            Routes.push_back(Server.Serve(path, TricklingFeed(path)));
            Trickling.push_back(Subscribe(Database, Server.Url(path)).ChannelId);
            TricklingPaths.insert(path);
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
        const auto requests = Server.Requests();
        ASSERT_GE(requests.size(), 2u);
        EXPECT_EQ((std::set<std::string>{requests[0].Path, requests[1].Path}), TricklingPaths)
            << "the trickling feeds were fetched first and held both workers";
        EXPECT_EQ(Stored(Trickling), 0);
        EXPECT_EQ(Count(QStringLiteral("select count(*) from Channel where IsLastUpdateOk <> 0")),
                  healthy)
            << "the trickling feeds are pending or failed";
        EXPECT_TRUE(Within30Seconds([&] { return Pool.QueuedUpdateCount() == 0; }))
            << "the trickling feeds' jobs ended at their deadline";
    }

    cTestHttpServer Server;
    std::vector<cTestHttpServer::cRoute> Routes;
    std::set<std::string> TricklingPaths;
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
