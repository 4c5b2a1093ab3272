#include "engine/uSubscriptions.h"

#include "EngineFixture.h"
#include "TestHttpServer.h"
#include "engine/uStatJobs.h"
#include "engine/uUpdateJob.h"
#include "ingest/uChannel.h"

#include <QSet>

namespace {

class Subscriptions : public EngineFixture {};

cTestEndpoint Feed(const QByteArray& title, const QByteArray& key) {
    cTestEndpoint endpoint;
    endpoint.Body = "<rss><channel><title>" + title + "</title><item><guid>" + key +
                    "-1</guid><category>" + title + "</category><enclosure url=\"http://e/" + key +
                    ".mp3\" length=\"1\" type=\"audio/mpeg\"/></item><item><guid>" + key +
                    "-2</guid></item></channel></rss>";
    return endpoint;
}

} // namespace

TEST_F(Subscriptions, SubscribingTwiceKeepsOneChannelDueAtOnce) {
    // Case and quotes make different addresses; each is matched exactly.
    const QStringList urls = {QStringLiteral("http://127.0.0.1:1/feed"),
                              QStringLiteral("http://127.0.0.1:1/Feed"),
                              QStringLiteral("http://127.0.0.1:1/feed?q='it''s'")};
    QSet<int64_t> ids;
    for (const QString& url : urls) {
        const cSubscription first = Subscribe(Database, url);
        const cSubscription again = Subscribe(Database, url);
        EXPECT_TRUE(first.Added) << url.toStdString();
        EXPECT_FALSE(again.Added) << url.toStdString();
        EXPECT_EQ(again.ChannelId, first.ChannelId) << url.toStdString();
        ids.insert(first.ChannelId);
    }
    EXPECT_EQ(ids.size(), urls.size());
    EXPECT_EQ(Count(QStringLiteral("select count(*) from Channel")), urls.size());

    cChannelTable due(Database);
    due.OpenDueChannels();
    QSet<int64_t> dueIds;
    for (int index = 0; index < due.Count(); ++index)
        dueIds.insert(due.Record(index)->ID());
    EXPECT_EQ(dueIds, ids);
}

TEST_F(Subscriptions, RemovingAChannelTakesItsItemsEnclosuresAndLinksOnly) {
    cTestHttpServer server;
    auto gone = server.Serve("/gone.xml", Feed("Gone", "g"));
    auto kept = server.Serve("/kept.xml", Feed("Kept", "k"));
    const int64_t goneId = Subscribe(Database, server.Url("/gone.xml")).ChannelId;
    const int64_t keptId = Subscribe(Database, server.Url("/kept.xml")).ChannelId;
    cUpdateJob(goneId).Run();
    cUpdateJob(keptId).Run();
    ASSERT_EQ(Count(QStringLiteral("select count(*) from Node")), 4);
    ASSERT_EQ(Count(QStringLiteral("select count(*) from Node2Enclosure")), 2);

    EXPECT_EQ(RemoveSubscription(Database, goneId), QStringLiteral("Gone"));

    const QString kepts = QString::number(keptId);
    EXPECT_EQ(Count(QStringLiteral("select count(*) from Channel where ID <> ") + kepts), 0);
    EXPECT_EQ(Count(QStringLiteral("select count(*) from Node where ParentChannelId <> ") + kepts),
              0);
    EXPECT_EQ(Count(QStringLiteral("select count(*) from Node")), 2);
    EXPECT_EQ(Count(QStringLiteral("select count(*) from Enclosure where Url <> 'http://e/k.mp3'")),
              0);
    EXPECT_EQ(Count(QStringLiteral("select count(*) from Enclosure")), 1);
    for (const char* links : {"Node2Enclosure", "Node2Category"})
        EXPECT_EQ(Count(QStringLiteral("select count(*) from %1 where NodeID not in (select ID "
                                       "from Node)")
                            .arg(QLatin1String(links))),
                  0)
            << links;
    EXPECT_EQ(Count(QStringLiteral("select count(*) from Node2Enclosure")), 1);
    EXPECT_EQ(Count(QStringLiteral("select count(*) from Node2Category")), 1);
}

TEST_F(Subscriptions, RemovingAChannelLeavesItsCategoriesCountingWhatRemains) {
    cTestHttpServer server;
    cTestEndpoint gone;
    gone.Body = "<rss><channel><title>Gone</title><category>Shelf</category><item><guid>g1</guid>"
                "<category>Both</category></item><item><guid>g2</guid></item></channel></rss>";
    cTestEndpoint kept;
    kept.Body = "<rss><channel><title>Kept</title><item><guid>k1</guid><category>Both</category>"
                "</item></channel></rss>";
    auto goneFeed = server.Serve("/gone.xml", gone);
    auto keptFeed = server.Serve("/kept.xml", kept);
    const int64_t goneId = Subscribe(Database, server.Url("/gone.xml")).ChannelId;
    cUpdateJob(goneId).Run();
    cUpdateJob(Subscribe(Database, server.Url("/kept.xml")).ChannelId).Run();
    const QString counters = QStringLiteral(
        "select group_concat(Libelle || ' ' || Total || '/' || Unread || '/' || New, ', ') from "
        "(select Libelle, Total, Unread, New from CategoryStat join Category on ID = CategoryId "
        "order by Libelle)");
    cCategoryStatJob().Run();
    ASSERT_EQ(QString::fromUtf8(Database.QueryText(counters)),
              QStringLiteral("Both 2/2/2, Shelf 2/2/2"));

    RemoveSubscription(Database, goneId);
    cCategoryStatJob().Run();
    EXPECT_EQ(QString::fromUtf8(Database.QueryText(counters)), QStringLiteral("Both 1/1/1"));
}

TEST_F(Subscriptions, RemovingAnUnknownChannelRaisesAndRemovesNothing) {
    const int64_t id = Subscribe(Database, QStringLiteral("http://127.0.0.1:1/a.xml")).ChannelId;
    try {
        RemoveSubscription(Database, id + 1);
        FAIL() << "no error";
    } catch (const EVelmoraError& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("no channel %1").arg(id + 1));
    }
    EXPECT_EQ(Count(QStringLiteral("select count(*) from Channel")), 1);
}
