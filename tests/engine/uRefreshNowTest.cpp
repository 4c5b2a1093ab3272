#include "engine/uRefreshNow.h"

#include "EngineFixture.h"
#include "TestHttpServer.h"
#include "engine/uMainThreadDispatcher.h"
#include "engine/uSubscriptions.h"
#include "engine/uThreadPool.h"

namespace {

class RefreshNow : public EngineFixture {
protected:
    int64_t SubscribeTo(const QString& url) { return Subscribe(Database, url).ChannelId; }
    // Queues the refresh, waits for the pool and finishes it.
    cRefreshOutcome Refresh(const QList<int64_t>& channelIds) {
        cRefreshNow refresh(Database, channelIds);
        refresh.Queue(Pool);
        EXPECT_TRUE(Eventually([&] { return Pool.QueuedJobCount() == 0; }));
        return refresh.Finish();
    }

    cTestHttpServer Server;
    cDirectDispatcher Dispatcher;
    cThreadPool Pool{2, Dispatcher};
};

cTestEndpoint Feed(const QByteArray& items) {
    cTestEndpoint endpoint;
    endpoint.Body =
        "<rss><channel><title>Feed</title><category>Tech</category>" + items + "</channel></rss>";
    return endpoint;
}

// Holds the pool's only worker until the test opens its gate.
class cHoldingJob : public cBaseJob {
public:
    explicit cHoldingJob(cGate& gate) : FGate(gate) {}
    void Run() override { FGate.Wait(); }
    QString ThreadName() const override { return QStringLiteral("cHoldingJob"); }

private:
    cGate& FGate;
};

} // namespace

TEST_F(RefreshNow, TheOutcomeCountsRefreshedAndFailedChannelsAndNewItems) {
    auto daily = Server.Serve("/daily.xml", Feed("<item><guid>d1</guid></item>"
                                                 "<item><guid>d2</guid></item>"));
    auto weekly = Server.Serve("/weekly.xml", Feed("<item><guid>w1</guid></item>"));
    const QList<int64_t> ids = {SubscribeTo(Server.Url("/daily.xml")),
                                SubscribeTo(Server.Url("/weekly.xml")),
                                SubscribeTo(QStringLiteral("http://127.0.0.1:1/gone.xml"))};

    const cRefreshOutcome first = Refresh(ids);
    EXPECT_EQ(first.Refreshed, 2);
    EXPECT_EQ(first.Failures.size(), 1);
    EXPECT_EQ(first.NewItems, 3);
    for (const char* flagged : {"ChannelStat", "CategoryStat"})
        EXPECT_EQ(Count(QStringLiteral("select count(*) from %1 where NeedRecalc <> 0")
                            .arg(QLatin1String(flagged))),
                  0)
            << flagged << ": the counters read up to date once the refresh is finished";
    // Both feeds name the same category: its counters cover all three items.
    EXPECT_EQ(Count(QStringLiteral("select sum(Total) from CategoryStat")), 3);

    const cRefreshOutcome again = Refresh(ids);
    EXPECT_EQ(again.NewItems, 0) << "known items are not new";
    EXPECT_EQ(again.Refreshed, 2);
}

TEST_F(RefreshNow, NewItemsAreTheRefreshedChannelsOwnWhateverHappensToOthersMeanwhile) {
    auto first = Server.Serve("/first.xml", Feed("<item><guid>a1</guid></item>"
                                                 "<item><guid>a2</guid></item>"));
    auto other = Server.Serve("/other.xml", Feed("<item><guid>b1</guid></item>"
                                                 "<item><guid>b2</guid></item>"
                                                 "<item><guid>b3</guid></item>"));
    const int64_t firstId = SubscribeTo(Server.Url("/first.xml"));
    const int64_t otherId = SubscribeTo(Server.Url("/other.xml"));
    Refresh({otherId});
    cRefreshNow refresh(Database, {firstId});
    // Another process removes a channel with its items meanwhile.
    RemoveSubscription(Database, otherId);
    refresh.Queue(Pool);
    EXPECT_TRUE(Eventually([&] { return Pool.QueuedJobCount() == 0; }));
    EXPECT_EQ(refresh.Finish().NewItems, 2);
}

TEST_F(RefreshNow, AChannelRemovedMeanwhileCountsAsFailed) {
    const int64_t id = SubscribeTo(QStringLiteral("http://127.0.0.1:1/gone.xml"));
    cRefreshNow refresh(Database, {id});
    RemoveSubscription(Database, id);
    const cRefreshOutcome outcome = refresh.Finish();
    EXPECT_EQ(outcome.Failures.size(), 1);
    EXPECT_EQ(outcome.Refreshed, 0);
}

TEST_F(RefreshNow, EveryChannelOrOnlyTheDueOnesAreCovered) {
    const int64_t due = SubscribeTo(QStringLiteral("http://127.0.0.1:1/due.xml"));
    const int64_t later = SubscribeTo(QStringLiteral("http://127.0.0.1:1/later.xml"));
    Database.Execute(QStringLiteral("update Channel set NextUpdateDateTime_UTC = '2999/01/01 "
                                    "00:00:00' where ID = %1")
                         .arg(later));
    EXPECT_EQ(ChannelsToRefresh(Database, false), QList<int64_t>{due});
    QList<int64_t> every = ChannelsToRefresh(Database, true);
    std::sort(every.begin(), every.end());
    EXPECT_EQ(every, (QList<int64_t>{std::min(due, later), std::max(due, later)}));
}

TEST_F(RefreshNow, AChannelWhoseUpdateIsQueuedAlreadyIsNotQueuedAgain) {
    const int64_t id = SubscribeTo(QStringLiteral("http://127.0.0.1:1/gone.xml"));
    cGate gate;
    cThreadPool pool(1, Dispatcher);
    pool.AddJob(std::make_unique<cHoldingJob>(gate));
    cRefreshNow refresh(Database, {id});
    refresh.Queue(pool);
    refresh.Queue(pool);
    EXPECT_EQ(pool.QueuedJobCount(), 2) << "the holding job and one update";
    gate.Open();
    EXPECT_TRUE(Eventually([&] { return pool.QueuedJobCount() == 0; }));
    pool.Shutdown();
}
