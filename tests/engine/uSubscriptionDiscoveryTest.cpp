#include "EngineFixture.h"
#include "TestHttpServer.h"
#include "engine/uSubscriptions.h"
#include "storage/uErrors.h"

#include <map>

namespace {

class Discovery : public EngineFixture {};

cTestEndpoint Answer(const QByteArray& body, const std::string& contentType, int status = 200) {
    cTestEndpoint endpoint;
    endpoint.Body = body;
    endpoint.ContentType = contentType;
    endpoint.Status = status;
    return endpoint;
}

const QByteArray Rss = "<rss version=\"2.0\"><channel><title>T</title></channel></rss>";

} // namespace

TEST_F(Discovery, SubscribesTheFeedOrTheFeedItsPageLinksTo) {
    cTestHttpServer server;
    auto feed = server.Serve("/blog/feed.xml", Answer(Rss, "application/rss+xml"));
    auto page = server.Serve(
        "/blog/", Answer("<html><head><title>Blog</title><link rel=\"alternate\" "
                         "type=\"application/rss+xml\" href=\"feed.xml\"></head><body></body>",
                         "text/html"));
    auto gone = server.Serve("/gone.xml", Answer("<html>gone</html>", "text/html", 404));
    cTestEndpoint moved = Answer(QByteArray(), "text/html", 301);
    moved.Headers = {{"Location", "/blog/"}};
    auto slashless = server.Serve("/blog", moved);
    const struct {
        const char* what;
        QString typed;
        QString subscribed;
        bool fetchFails;
    } cases[] = {
        {"a feed", server.Url("/blog/feed.xml"), server.Url("/blog/feed.xml"), false},
        {"a page linking to it", server.Url("/blog/"), server.Url("/blog/feed.xml"), false},
        {"a redirect to that page", server.Url("/blog"), server.Url("/blog/feed.xml"), false},
        {"an error status", server.Url("/gone.xml"), server.Url("/gone.xml"), true},
        {"no server", QStringLiteral("http://127.0.0.1:1/down.xml"),
         QStringLiteral("http://127.0.0.1:1/down.xml"), true},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        Database.Execute(QStringLiteral("delete from Channel"));
        const cDiscoveredSubscription first = SubscribeDiscovering(Database, row.typed);
        EXPECT_TRUE(first.Added);
        EXPECT_EQ(first.FeedUrl, row.subscribed);
        EXPECT_EQ(first.FetchError.isEmpty(), !row.fetchFails) << first.FetchError.toStdString();
        EXPECT_EQ(Count(QStringLiteral("select count(*) from Channel")), 1);
        EXPECT_EQ(Count(QStringLiteral("select count(*) from Channel where ChannelURL = '%1' "
                                       "and ID = %2")
                            .arg(row.subscribed)
                            .arg(first.ChannelId)),
                  1);

        const cDiscoveredSubscription again = SubscribeDiscovering(Database, row.typed);
        EXPECT_FALSE(again.Added);
        EXPECT_EQ(again.FetchError, QString());
        EXPECT_EQ(again.ChannelId, first.ChannelId);
        EXPECT_EQ(again.FeedUrl, row.subscribed);
        EXPECT_EQ(Count(QStringLiteral("select count(*) from Channel")), 1);
    }
    // Each subscribing call fetches the typed address once, unless it is
    // subscribed already; a page is fetched again, as it is not subscribed.
    std::map<std::string, int> fetches;
    for (const cTestRequest& request : server.Requests())
        ++fetches[request.Path];
    EXPECT_EQ(fetches, (std::map<std::string, int>{
                           {"/blog/feed.xml", 1}, {"/blog/", 4}, {"/blog", 2}, {"/gone.xml", 1}}));
}

TEST_F(Discovery, RefusesWhatNamesNoFeedAndStoresNothing) {
    cTestHttpServer server;
    auto bare = server.Serve("/bare.html",
                             Answer("<html><head><title>No feed</title></head><body><link "
                                    "rel=alternate type=application/rss+xml href=/f.xml></body>",
                                    "text/html"));
    auto text = server.Serve("/notes.txt", Answer("just some text", "text/plain"));
    const struct {
        QString typed;
        QString message;
    } cases[] = {
        {server.Url("/bare.html"),
         server.Url("/bare.html") +
             QStringLiteral(" is not a feed, and its page links to no feed "
                            "(<link rel=\"alternate\"> of an RSS, Atom or "
                            "RDF type in its head); nothing was subscribed")},
        {server.Url("/notes.txt"), server.Url("/notes.txt") + QStringLiteral(" is not a feed")},
        {QStringLiteral("not a url"),
         QStringLiteral("\"not a url\" is not an http or https address; nothing was subscribed")},
        {QStringLiteral("ftp://127.0.0.1/feed.xml"),
         QStringLiteral("\"ftp://127.0.0.1/feed.xml\" is not an http or https address")},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.typed.toStdString());
        try {
            SubscribeDiscovering(Database, row.typed);
            ADD_FAILURE() << "subscribed";
        } catch (const EVelmoraError& error) {
            EXPECT_TRUE(error.Message().startsWith(row.message)) << error.Message().toStdString();
        }
        EXPECT_EQ(Count(QStringLiteral("select count(*) from Channel")), 0);
    }
}
