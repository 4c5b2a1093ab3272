#include "ingest/uChannel.h"

#include "SyncCounter.h"
#include "TestFiles.h"
#include "TestHttpServer.h"
#include "ingest/uRefreshTables.h"
#include "storage/uDTFormat.h"
#include "storage/uErrors.h"
#include "storage/uSQLDataTabRec.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <gtest/gtest.h>

namespace {

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

QStringList Column(cSQLDatabase& database, const QString& query) {
    QStringList values;
    TSQLLiteImp& connection = database.Connection();
    connection.PrepareQuery({query});
    while (!connection.Eof()) {
        values << connection.ColumnText(0);
        connection.Step();
    }
    connection.CloseQuery();
    return values;
}

cTestEndpoint Feed(const QByteArray& body) {
    cTestEndpoint endpoint;
    endpoint.Body = body;
    return endpoint;
}

class Refresh : public testing::Test {
protected:
    Refresh() { Database.Open(File.Path()); }

    int64_t Subscribe(const std::string& path) {
        cChannelTable channels(Database);
        return channels.AddChannel(Server.Url(path));
    }
    // Runs one refresh of the channel as the update job does.
    UpdateResult Update(int64_t channelId) {
        cChannelTable channels(Database);
        channels.OpenChannel(channelId);
        return channels.Record(0)->UpdateFromFeed();
    }
    bool RunRefresh(int64_t channelId) { return Update(channelId) == UpdateResult::Stored; }
    QString RefreshError(int64_t channelId) {
        try {
            RunRefresh(channelId);
        } catch (const EVelmoraError& error) {
            return error.Message();
        }
        return QStringLiteral("(no error)");
    }
    int Count(const QString& table) {
        return Database.QueryInt(QStringLiteral("select count(*) from ") + table);
    }
    QString Row(const QString& query) { return Column(Database, query).join(QLatin1Char('|')); }

    // A stable text of everything a refresh stored for the channel.
    static QString Dump(cSQLDatabase& database, int64_t channelId) {
        const auto Column = [&](const QString& query) { return ::Column(database, query); };
        const QString id = QString::number(channelId);
        QString text;
        const QString loadTime = QStringLiteral("<load time>");
        text += QStringLiteral("Channel\n") +
                Column(QStringLiteral("select 'Title=' || Title || char(10) || 'IsoLanguageCode=' "
                                      "|| IsoLanguageCode || char(10) || 'Link=' || Link || "
                                      "char(10) || 'Description=' || Description || char(10) || "
                                      "'PubDate_822=' || PubDate_822 || char(10) || 'ImageURL=' "
                                      "|| ImageURL || char(10) || 'IsLastUpdateOk=' || "
                                      "IsLastUpdateOk from Channel where ID = ") +
                       id)
                    .join(QString()) +
                QStringLiteral("\nChannel categories=") +
                Column(QStringLiteral("select c.Libelle from Channel2Category cc join Category c "
                                      "on c.ID = cc.CategoryId where cc.ChannelID = ") +
                       id + QStringLiteral(" order by c.Libelle"))
                    .join(QStringLiteral(", ")) +
                QStringLiteral("\nAll categories=") +
                Column(QStringLiteral("select Libelle from Category order by Libelle"))
                    .join(QStringLiteral(", ")) +
                QStringLiteral("\n");
        const QStringList nodes =
            Column(QStringLiteral("select ID from Node where ParentChannelId = ") + id +
                   QStringLiteral(" order by ID"));
        for (int index = 0; index < nodes.size(); ++index) {
            const QString node = nodes[index];
            text += QStringLiteral("Node %1\n").arg(index + 1);
            text += Column(QStringLiteral(
                               "select 'Title=' || Title || char(10) || 'Description=' || "
                               "replace(Description, char(13) || char(10), '\\r\\n') || char(10) "
                               "|| 'Link=' || Link || char(10) || 'GUID=' || GUID || char(10) || "
                               "'PubDateTimeNode_822=' || PubDateTimeNode_822 || char(10) || "
                               "'IsoLanguageCode=' || IsoLanguageCode || char(10) || "
                               "'DateTimeNode_UTC=' || case when DateTimeNode_UTC = "
                               "DateTimeLoad_UTC then '") +
                           loadTime +
                           QStringLiteral("' else DateTimeNode_UTC end || char(10) || "
                                          "'Flags=' || HasBeenRead || IsArchived || IsPurged || "
                                          "IsDownloaded from Node where ID = ") +
                           node)
                        .join(QString()) +
                    QStringLiteral("\n");
            for (const QString& enclosure :
                 Column(QStringLiteral("select 'Enclosure=' || Url || ' | ' || Length || ' | ' || "
                                       "MediaType || ' | ' || Status from Enclosure e join "
                                       "Node2Enclosure ne on ne.EnclosureId = e.ID where "
                                       "ne.NodeID = ") +
                        node))
                text += enclosure + QStringLiteral("\n");
            text += QStringLiteral("Categories=") +
                    Column(QStringLiteral("select c.Libelle from Node2Category nc join Category c "
                                          "on c.ID = nc.CategoryId where nc.NodeID = ") +
                           node + QStringLiteral(" order by c.Libelle"))
                        .join(QStringLiteral(", ")) +
                    QStringLiteral("\n");
        }
        return text;
    }

    cScopedTimeZone Zone{"UTC"};
    cTestHttpServer Server;
    cTempDatabase File;
    cSQLDatabase Database;
};

} // namespace

// Each feeds/x.xml is refreshed into a fresh database and compared with
// feeds/x.expected. VELMORA_UPDATE_GOLDEN=1 writes the expected files.
TEST_F(Refresh, EveryFeedFixtureStoresWhatItsGoldenFileSays) {
    const QDir feeds(QStringLiteral(VELMORA_FEEDS_DIR));
    const QStringList fixtures = feeds.entryList({QStringLiteral("*.xml")}, QDir::Files);
    ASSERT_FALSE(fixtures.isEmpty());
    for (const QString& fixture : fixtures) {
        SCOPED_TRACE(fixture.toStdString());
        cTempDatabase file;
        cSQLDatabase database;
        database.Open(file.Path());
        const std::string path = "/" + fixture.toStdString();
        auto route = Server.Serve(path, Feed(ReadFile(feeds.filePath(fixture))));
        cChannelTable channels(database);
        const int64_t id = channels.AddChannel(Server.Url(path));
        channels.OpenChannel(id);
        ASSERT_EQ(channels.Record(0)->UpdateFromFeed(), UpdateResult::Stored);

        // Relative links resolve against the feed's address, whose port
        // changes from run to run.
        const QString dump =
            Dump(database, id).replace(Server.Url(""), QStringLiteral("http://<test server>"));
        const QString expectedPath =
            feeds.filePath(QFileInfo(fixture).completeBaseName() + QStringLiteral(".expected"));
        if (qEnvironmentVariableIsSet("VELMORA_UPDATE_GOLDEN")) {
            QFile out(expectedPath);
            out.open(QIODevice::WriteOnly);
            out.write(dump.toUtf8());
            continue;
        }
        EXPECT_EQ(dump, QString::fromUtf8(ReadFile(expectedPath)));
    }
}

namespace {

QByteArray RssWithItems(const QStringList& guids) {
    QByteArray feed = "<rss><channel><title>T</title>";
    for (const QString& guid : guids)
        feed +=
            "<item><title>" + guid.toUtf8() + "</title><guid>" + guid.toUtf8() + "</guid></item>";
    return feed + "</channel></rss>";
}

// One refresh of the channel on the given connection, read and not stored
// yet: what a refresh in another process holds while this one stores.
struct cReadRefresh {
    cReadRefresh(cSQLDatabase& database, int64_t channelId, const QByteArray& body,
                 const QByteArray& serverCharset = {})
        : Channels(database), Tables(database) {
        Channels.OpenChannel(channelId);
        Channels.Record(0)->ReadFeed(body, Tables, QString(), serverCharset);
    }
    bool Store() { return Channels.Record(0)->StoreRefresh(Tables, true); }

    cChannelTable Channels;
    cRefreshTables Tables;
};

// Items a and b in category Topic (a with an enclosure), then the extra
// items, each in the categories given; the channel is in category Shared.
QByteArray RssWithCategories(const QList<std::pair<QByteArray, QByteArray>>& extra) {
    QByteArray feed = "<rss><channel><title>T</title><category>Shared</category>"
                      "<item><guid>a</guid><category>Topic</category>"
                      "<enclosure url=\"http://e/a.mp3\" length=\"1\" type=\"audio/mpeg\"/></item>"
                      "<item><guid>b</guid><category>Topic</category></item>";
    for (const auto& [guid, categories] : extra)
        feed += "<item><guid>" + guid + "</guid><category>" + categories + "</category></item>";
    return feed + "</channel></rss>";
}

} // namespace

// Two refreshes of one channel that both read it before either stored, as
// two processes refreshing at once do: the later one stores only the items,
// categories and channel links still missing, and links its items to the
// categories the earlier one made.
TEST_F(Refresh, ARefreshStoresOnlyWhatAnotherWriterHasNotStoredSinceItRead) {
    const int64_t id = Subscribe("/feed");
    cSQLDatabase other;
    other.Open(File.Path());
    const QByteArray base = RssWithCategories({});
    const QByteArray more = RssWithCategories({{"c", "Topic / Extra"}});
    const struct {
        const char* name;
        QByteArray earlier;
        QByteArray later;
        const char* nodes;
        const char* categories;
        const char* itemLinks;
    } cases[] = {
        {"same feed", base, base, "a|b", "Shared|Topic", "a:Topic|b:Topic"},
        {"later has more", base, more, "a|b|c", "Extra|Shared|Topic",
         "a:Topic|b:Topic|c:Extra|c:Topic"},
        {"earlier has more", more, base, "a|b|c", "Extra|Shared|Topic",
         "a:Topic|b:Topic|c:Extra|c:Topic"},
    };
    for (const auto& row : cases) {
        for (const char* table : {"Node", "Enclosure", "Category", "Node2Category",
                                  "Node2Enclosure", "Channel2Category"})
            Database.Execute(QStringLiteral("delete from ") + QString::fromLatin1(table));
        cReadRefresh later(Database, id, row.later);
        cReadRefresh earlier(other, id, row.earlier);
        ASSERT_TRUE(earlier.Store()) << row.name;
        ASSERT_TRUE(later.Store()) << row.name;

        EXPECT_EQ(Row(QStringLiteral("select GUID from Node order by GUID")),
                  QString::fromLatin1(row.nodes))
            << row.name;
        EXPECT_EQ(Row(QStringLiteral("select Libelle from Category order by Libelle")),
                  QString::fromLatin1(row.categories))
            << row.name;
        EXPECT_EQ(Row(QStringLiteral("select c.Libelle from Channel2Category l join Category c "
                                     "on c.ID = l.CategoryId")),
                  QStringLiteral("Shared"))
            << row.name;
        EXPECT_EQ(Row(QStringLiteral("select n.GUID || ':' || c.Libelle from Node2Category l "
                                     "join Node n on n.ID = l.NodeID join Category c on c.ID = "
                                     "l.CategoryId order by 1")),
                  QString::fromLatin1(row.itemLinks))
            << row.name;
        EXPECT_EQ(Count(QStringLiteral("Node2Category")),
                  QString::fromLatin1(row.itemLinks).count(u'|') + 1)
            << row.name << ": no link to a category or item that was not stored";
        EXPECT_EQ(Row(QStringLiteral("select n.GUID || ':' || e.Url from Node2Enclosure l join "
                                     "Node n on n.ID = l.NodeID join Enclosure e on e.ID = "
                                     "l.EnclosureId")),
                  QStringLiteral("a:http://e/a.mp3"))
            << row.name;
        EXPECT_EQ(Count(QStringLiteral("Enclosure")), 1) << row.name;
        EXPECT_EQ(Count(QStringLiteral("Node2Enclosure")), 1) << row.name;
    }
}

// A feed of thousands of new items (a whole archive) has its later items
// compiled as they are stored: each is stored once, and those another writer
// stored meanwhile are left out, before and after that point.
TEST_F(Refresh, AFeedOfThousandsOfNewItemsIsStoredWholeAndOnce) {
    const int64_t id = Subscribe("/feed");
    QStringList guids;
    for (int item = 0; item < 5000; ++item)
        guids << QStringLiteral("g%1").arg(item);
    cSQLDatabase other;
    other.Open(File.Path());
    cReadRefresh later(Database, id, RssWithItems(guids));
    cReadRefresh earlier(other, id, RssWithItems({"g10", "g4000"}));
    ASSERT_TRUE(earlier.Store());
    ASSERT_TRUE(later.Store());
    EXPECT_EQ(Database.QueryInt64(QStringLiteral("select count(*) from Node")), 5000);
    EXPECT_EQ(Database.QueryInt64(QStringLiteral("select count(distinct GUID) from Node")), 5000);
    EXPECT_EQ(Database.QueryText(QStringLiteral("select Title from Node where GUID = 'g4999'")),
              "g4999");
}

// The user's settings and the archive's time, changed by another connection
// while the feed was fetched, outlive the refresh; its own columns are its.
TEST_F(Refresh, WhatOthersChangeInTheChannelRowDuringARefreshIsKept) {
    const int64_t id = Subscribe("/feed");
    cReadRefresh read(Database, id, RssWithItems({"a"}));
    cSQLDatabase other;
    other.Open(File.Path());
    other.Execute(QStringLiteral("update Channel set Frequency = 'd: 1h: 0m: 0', "
                                 "NextUpdateDateTime_UTC = '2031/01/01 00:00:00', "
                                 "DefaultEnclosureStatus = 2, LastArchiveTime_UTC = "
                                 "'2026/01/02 03:04:05', Title = 'Old' where ID = %1")
                      .arg(id));
    ASSERT_TRUE(read.Store());
    // The next update goes with the frequency the user set.
    EXPECT_EQ(QString::fromUtf8(Database.QueryText(
                  QStringLiteral("select Frequency || '|' || NextUpdateDateTime_UTC || '|' || "
                                 "DefaultEnclosureStatus || '|' || LastArchiveTime_UTC || '|' || "
                                 "Title from Channel where ID = %1")
                      .arg(id))),
              QStringLiteral("d: 1h: 0m: 0|2031/01/01 00:00:00|2|2026/01/02 03:04:05|T"));
}

TEST_F(Refresh, ARefreshOfAChannelRemovedMeanwhileStoresNothing) {
    auto feed = Server.Serve("/feed", Feed(RssWithCategories({{"c", "Extra"}})));
    const int64_t id = Subscribe("/feed");
    cReadRefresh pending(Database, id, RssWithCategories({{"c", "Extra"}}));
    cSQLDatabase other;
    other.Open(File.Path());
    cChannelTable(other).RemoveChannel(id);

    EXPECT_FALSE(pending.Store());
    for (const char* table : {"Channel", "Node", "Enclosure", "Category", "Node2Category",
                              "Node2Enclosure", "Channel2Category"})
        EXPECT_EQ(Count(QString::fromLatin1(table)), 0) << table;

    // The same through a whole refresh: the channel vanishes while its feed
    // is fetched.
    const int64_t again = Subscribe("/feed");
    cChannelTable channels(Database);
    channels.OpenChannel(again);
    cChannelTable(other).RemoveChannel(again);
    EXPECT_EQ(channels.Record(0)->UpdateFromFeed(), UpdateResult::Failed);
    EXPECT_EQ(Count(QStringLiteral("Node")), 0);
    EXPECT_EQ(Count(QStringLiteral("ActionLog")), 0) << "a vanished channel is no failed store";
}

TEST_F(Refresh, KnownItemsAreNeverStoredAgainAndVanishedOnesArePurgedUntilTheyReturn) {
    auto first = Server.Serve("/feed", Feed(RssWithItems({"a", "b"})));
    const int64_t id = Subscribe("/feed");
    ASSERT_TRUE(RunRefresh(id));
    ASSERT_TRUE(RunRefresh(id));
    EXPECT_EQ(Count(QStringLiteral("Node")), 2);

    auto without = Server.Serve("/feed", Feed(RssWithItems({"a"})));
    ASSERT_TRUE(RunRefresh(id));
    EXPECT_EQ(Row(QStringLiteral("select GUID || IsPurged from Node order by GUID")),
              QStringLiteral("a0|b-1"));

    auto back = Server.Serve("/feed", Feed(RssWithItems({"b", "a", "c"})));
    ASSERT_TRUE(RunRefresh(id));
    EXPECT_EQ(Row(QStringLiteral("select GUID || IsPurged from Node order by GUID")),
              QStringLiteral("a0|b0|c0"));
}

TEST_F(Refresh, AnItemKeyedByASpacedLinkIsFoundAgainAtTheNextRefresh) {
    auto feed = Server.Serve("/feed", Feed("<rss><channel><item><title>x</title><link>\n  "
                                           "http://127.0.0.1/items/2\n</link></item>"
                                           "<item><title>y</title></item></channel></rss>"));
    const int64_t id = Subscribe("/feed");
    ASSERT_TRUE(RunRefresh(id));
    ASSERT_TRUE(RunRefresh(id));
    EXPECT_EQ(Row(QStringLiteral("select GUID from Node order by GUID")),
              QStringLiteral("|http://127.0.0.1/items/2"));
}

TEST_F(Refresh, RelativeLinksResolveAgainstWhereARedirectLedToTheFeed) {
    cTestEndpoint moved;
    moved.Status = 301;
    moved.Headers = {{"Location", "/new/blog/feed.xml"}};
    auto old = Server.Serve("/old/feed.xml", moved);
    auto feed = Server.Serve(
        "/new/blog/feed.xml",
        Feed("<rss><channel><title>t</title><image><url>logo.png</url></image><item>"
             "<link>posts/1</link><enclosure url=\"ep1.mp3\" length=\"1\" type=\"audio/mpeg\"/>"
             "</item></channel></rss>"));
    const int64_t id = Subscribe("/old/feed.xml");
    ASSERT_TRUE(RunRefresh(id));
    const QString folder = Server.Url("/new/blog/");
    EXPECT_EQ(Row(QStringLiteral("select ImageURL from Channel")), folder + "logo.png");
    EXPECT_EQ(Row(QStringLiteral("select Link from Node")), folder + "posts/1");
    EXPECT_EQ(Row(QStringLiteral("select Url from Enclosure")), folder + "ep1.mp3");
}

TEST_F(Refresh, AnEmptyReplyChangesOnlyTheFailedStateColumns) {
    auto feed = Server.Serve("/feed", Feed(RssWithItems({"a"})));
    const int64_t id = Subscribe("/feed");
    ASSERT_TRUE(RunRefresh(id));
    const QString channelColumns = QStringLiteral(
        "select ID||Title||IsoLanguageCode||DefaultEnclosureStatus||ChannelURL||Link||Description||"
        "PubDate_822||LastBuildDate_822||ImageURL||Frequency||LastArchiveTime_UTC from Channel");
    const QString before = Row(channelColumns);

    auto empty = Server.Serve("/feed", Feed(QByteArray()));
    EXPECT_FALSE(RunRefresh(id));
    EXPECT_EQ(Row(channelColumns), before);
    const QString lastUpdate = Row(QStringLiteral("select LastUpdateTime_UTC from Channel"));
    EXPECT_EQ(Row(QStringLiteral("select IsLastUpdateOk from Channel")), QStringLiteral("0"));
    EXPECT_EQ(Row(QStringLiteral("select NextUpdateDateTime_UTC from Channel")),
              DateTimeToText(TextToDateTime(lastUpdate).addSecs(30 * 60)));
    EXPECT_EQ(Count(QStringLiteral("Node")), 1);
}

TEST_F(Refresh, AFailedStoreKeepsNothingOfTheRefreshAndLogsDownloadChannel) {
    auto feed = Server.Serve("/feed", Feed("<rss><channel><title>T</title><category>Cat</category>"
                                           "<item><guid>a</guid><enclosure url=\"u\"/></item>"
                                           "</channel></rss>"));
    const int64_t id = Subscribe("/feed");
    Database.Execute(QStringLiteral("create trigger RefuseNodes before insert on Node begin "
                                    "select raise(abort, 'refused'); end"));
    EXPECT_FALSE(RunRefresh(id));
    for (const char* table :
         {"Node", "Enclosure", "Category", "Channel2Category", "Node2Enclosure"})
        EXPECT_EQ(Count(QString::fromLatin1(table)), 0) << table;
    EXPECT_EQ(Row(QStringLiteral("select IsLastUpdateOk || Title from Channel")),
              QStringLiteral("0"));
    const QString entry = Row(QStringLiteral("select Source || '|' || Action || '|' || Detail from "
                                             "ActionLog"));
    EXPECT_TRUE(entry.startsWith(QStringLiteral("feedmotor|download channel|") +
                                 QString::number(id) +
                                 QStringLiteral(" Error executing SQL statement")))
        << entry.toStdString();
    EXPECT_TRUE(entry.endsWith(QStringLiteral(": refused"))) << entry.toStdString();
}

TEST_F(Refresh, UnreadableFeedsRaiseAndLeaveTheChannelInTheFailedState) {
    const struct {
        const char* document;
        const char* error;
    } cases[] = {
        {"<rss><channel><title>x</titel></channel></rss>", "line 1"},
        {"<html><body>not a feed</body></html>", "unknown feed format "},
        {"<RSS><channel/></RSS>", "unknown feed format "},
        {"<RDF:RDF xmlns:RDF=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><channel/></RDF:RDF>",
         "unknown feed format "},
        {"<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><channel/></rdf:RDF>",
         "out of bounds"},
        {"<rss><nochannel/></rss>", "no channel element"},
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss><channel><title>caf\xe9</title>"
         "</channel></rss>",
         "line 1"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.document);
        auto feed = Server.Serve("/bad", Feed(row.document));
        const int64_t id = Subscribe("/bad");
        const QString error = RefreshError(id);
        EXPECT_TRUE(error.contains(QString::fromLatin1(row.error))) << error.toStdString();
        EXPECT_EQ(Row(QStringLiteral("select IsLastUpdateOk from Channel where ID = ") +
                      QString::number(id)),
                  QStringLiteral("0"));
    }
    EXPECT_EQ(Count(QStringLiteral("Node")), 0);
}

TEST_F(Refresh, ANewChannelIsStoredAsTypedAndDueAtOnce) {
    cChannelTable channels(Database);
    const int64_t id = channels.AddChannel(QStringLiteral("http://"));
    EXPECT_EQ(Row(QStringLiteral("select ChannelURL || '|' || NextUpdateDateTime_UTC || '|' || "
                                 "Frequency || '|' || IsLastUpdateOk from Channel")),
              QStringLiteral("http://||d: 0h: 0m: 0|0"));

    Database.Execute(
        QStringLiteral("insert into Channel (ID, NextUpdateDateTime_UTC) values(2, '2000/01/01')"));
    Database.Execute(
        QStringLiteral("insert into Channel (ID, NextUpdateDateTime_UTC) values(3, '2999/01/01')"));
    Database.Execute(
        QStringLiteral("insert into Channel (ID, NextUpdateDateTime_UTC) values(4, '')"));
    cChannelTable due(Database);
    due.OpenDueChannels();
    QStringList ids;
    for (int index = 0; index < due.Count(); ++index)
        ids << QString::number(due.Record(index)->ID());
    QStringList expected = {QString::number(id), QStringLiteral("2"), QStringLiteral("4")};
    ids.sort();
    expected.sort();
    EXPECT_EQ(ids, expected);
    EXPECT_FALSE(RunRefresh(id)) << "an address without a host fetches nothing";
}

TEST_F(Refresh, AFailedAddIsRolledBackAndReported) {
    Database.Execute(QStringLiteral("create trigger RefuseChannels before insert on Channel begin "
                                    "select raise(abort, 'refused'); end"));
    cChannelTable channels(Database);
    EXPECT_THROW(channels.AddChannel(QStringLiteral("http://127.0.0.1/x")), ESQLiteException);
    EXPECT_FALSE(Database.Connection().InTransaction());
    EXPECT_EQ(Count(QStringLiteral("Channel")), 0);
}

TEST_F(Refresh, TheNextUpdateFollowsTheOutcomeAndTheFrequency) {
    const struct {
        const char* lastUpdate;
        int ok;
        const char* frequency;
        const char* next;
    } cases[] = {
        {"2999/01/05 10:00:00", -1, "d: 0h: 2m: 0", "2999/01/05 12:00:00"},
        {"2999/01/05 10:00:00", -1, "d: 0h: 0m: 0", "2999/01/05 10:30:00"},
        {"2999/01/05 10:00:00", -1, "d: 1h: 0m:15", "2999/01/06 10:15:00"},
        {"2999/01/05 10:00:00", -1, "unreadable", "2999/01/05 10:30:00"},
        {"2999/01/05 10:00:00", 0, "d: 2h: 0m: 0", "2999/01/05 10:30:00"},
    };
    int64_t id = 100;
    for (const auto& row : cases) {
        Database.Execute(
            QStringLiteral("insert into Channel (ID, LastUpdateTime_UTC, IsLastUpdateOk, "
                           "Frequency) values(%1, '%2', %3, '%4')")
                .arg(++id)
                .arg(QString::fromLatin1(row.lastUpdate))
                .arg(row.ok)
                .arg(QString::fromLatin1(row.frequency)));
        cChannelTable channels(Database);
        channels.OpenChannel(id);
        channels.Record(0)->ComputeNextUpdate();
        EXPECT_EQ(channels.Record(0)->NextUpdateDateTime_UTC(), QString::fromLatin1(row.next))
            << row.frequency;
    }
    cChannelTable past(Database);
    Database.Execute(QStringLiteral("insert into Channel (ID, LastUpdateTime_UTC, IsLastUpdateOk, "
                                    "Frequency) values(1, '2000/01/01', -1, 'd: 0h: 1m: 0')"));
    past.OpenChannel(1);
    const QDateTime before = LocalNow();
    past.Record(0)->ComputeNextUpdate();
    const QDateTime next = TextToDateTime(past.Record(0)->NextUpdateDateTime_UTC());
    EXPECT_GE(next, before.addSecs(59));
    EXPECT_LE(next, LocalNow().addSecs(61));
}

// What servers send before the document and in which encoding, as read
// into the channel's title.
TEST_F(Refresh, DocumentsAreReadAsServersSendThem) {
    const int64_t id = Subscribe("/feed");
    const QByteArray utf8 = "<rss><channel><title>caf\xc3\xa9</title></channel></rss>";
    const QByteArray declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    const QByteArray cyrillic = "<rss><channel><title>\xcd\xee\xe2\xee\xf1\xf2\xe8</title>"
                                "</channel></rss>";
    const struct {
        const char* name;
        QByteArray document;
        const char* title;
        QByteArray serverCharset = {};
    } cases[] = {
        {"newline before the declaration", "\n" + declaration + utf8, "caf\xc3\xa9"},
        {"blanks before the declaration", " \t\r\n" + declaration + utf8, "caf\xc3\xa9"},
        {"mark, then a newline", "\xEF\xBB\xBF\n" + declaration + utf8, "caf\xc3\xa9"},
        {"newline, then a mark", "\n\xEF\xBB\xBF" + declaration + utf8, "caf\xc3\xa9"},
        {"mark before a declaration naming another encoding",
         "\xEF\xBB\xBF<?xml version=\"1.0\" encoding='ISO-8859-1' ?>" + utf8, "caf\xc3\xa9"},
        {"undeclared UTF-8", utf8, "caf\xc3\xa9"},
        {"declaration without encoding, UTF-8", "<?xml version=\"1.0\"?>" + utf8, "caf\xc3\xa9"},
        {"undeclared windows-1252",
         "<rss><channel><title>caf\xe9 \x93q\x94 \x80</title></channel></rss>",
         "caf\xc3\xa9 \xe2\x80\x9cq\xe2\x80\x9d \xe2\x82\xac"},
        {"declaration without encoding, windows-1252",
         "\n<?xml version=\"1.0\"?><rss><channel><title>\xc9t\xe9</title></channel></rss>",
         "\xc3\x89t\xc3\xa9"},
        {"declared ISO-8859-1",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><rss><channel>"
         "<title>caf\xe9</title></channel></rss>",
         "caf\xc3\xa9"},
        {"undeclared, in the charset the server names", cyrillic, "Новости", "windows-1251"},
        {"undeclared, with a declaration the server's charset completes",
         "<?xml version=\"1.0\"?>" + cyrillic, "Новости", "windows-1251"},
        {"UTF-8 although the server names Latin-1", utf8, "caf\xc3\xa9", "ISO-8859-1"},
        {"the document's declaration over the server's charset",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><rss><channel>"
         "<title>caf\xe9</title></channel></rss>",
         "caf\xc3\xa9", "windows-1251"},
        {"a charset no one knows", "<rss><channel><title>caf\xe9</title></channel></rss>",
         "caf\xc3\xa9", "x-no-such\"/><evil"},
        {"not UTF-8 although the server says so",
         "<rss><channel><title>caf\xe9</title></channel></rss>", "caf\xc3\xa9", "utf-8"},
        {"not UTF-16 although the server says so",
         "<rss><channel><title>caf\xe9</title></channel></rss>", "caf\xc3\xa9", "UTF-16"},
        {"not in the charset the server names",
         "<rss><channel><title>caf\xe9 \x98</title></channel></rss>", "caf\xc3\xa9 \xcb\x9c",
         "windows-1251"},
        {"a standalone declaration, in the server's charset",
         "<?xml version=\"1.0\" standalone=\"yes\"?>" + cyrillic, "Новости", "windows-1251"},
        {"a style sheet first, in the server's charset",
         "<?xml-stylesheet type=\"text/xsl\" href=\"s.xsl\"?>" + cyrillic, "Новости",
         "windows-1251"},
    };
    for (const auto& row : cases) {
        cReadRefresh read(Database, id, row.document, row.serverCharset);
        EXPECT_EQ(read.Channels.Record(0)->Title(), QString::fromUtf8(row.title)) << row.name;
    }

    // The charset comes from the reply's Content-Type, quoted or not.
    cTestEndpoint named = Feed(cyrillic);
    named.ContentType = "text/xml; charset=\"windows-1251\"";
    auto route = Server.Serve("/cyrillic", named);
    const int64_t cyrillicId = Subscribe("/cyrillic");
    ASSERT_EQ(Update(cyrillicId), UpdateResult::Stored);
    EXPECT_EQ(QString::fromUtf8(Database.QueryText(
                  QStringLiteral("select Title from Channel where ID = %1").arg(cyrillicId))),
              QStringLiteral("Новости"));
}

// The fields several elements may give: the format's own element first,
// the link to the site among an Atom feed's links.
TEST_F(Refresh, ChannelFieldsComeFromTheElementThatGivesThem) {
    const int64_t id = Subscribe("/feed");
    const QByteArray atom = "<feed xmlns=\"http://www.w3.org/2005/Atom\">";
    const QByteArray rss = "<rss xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><channel>";
    const struct {
        QByteArray document;
        const char* link;
        const char* description;
        const char* date;
    } cases[] = {
        {atom + "<link rel=\"self\" href=\"s\"/><link rel=\"alternate\" href=\"a\"/></feed>", "a",
         "", ""},
        {atom + "<link rel=\"self\" href=\"s\"/><link href=\"a\"/><link href=\"b\"/></feed>", "a",
         "", ""},
        {atom + "<link rel=\"self\" href=\"s\"/><link rel=\"edit\" href=\"e\"/></feed>", "s", "",
         ""},
        {atom + "<subtitle>sub</subtitle><tagline>tag</tagline></feed>", "", "tag", ""},
        {atom + "<tagline></tagline><subtitle>sub</subtitle></feed>", "", "sub", ""},
        {rss + "<dc:date>2003-12-13</dc:date><pubDate>Sun, 06 Nov 1994 08:49:37 GMT</pubDate>"
               "</channel></rss>",
         "", "", "Sun, 06 Nov 1994 08:49:37 GMT"},
        {rss + "<pubDate></pubDate><dc:date>2003-12-13</dc:date></channel></rss>", "", "",
         "2003-12-13"},
    };
    for (const auto& row : cases) {
        cReadRefresh read(Database, id, row.document);
        const cChannel& channel = *read.Channels.Record(0);
        // The link is relative: it resolves against the feed's address.
        const QString link = *row.link ? Server.Url(std::string("/") + row.link) : QString();
        EXPECT_EQ(channel.Link(), link) << row.document.toStdString();
        EXPECT_EQ(channel.Description(), QString::fromLatin1(row.description))
            << row.document.toStdString();
        EXPECT_EQ(channel.PubDate_822(), QString::fromLatin1(row.date))
            << row.document.toStdString();
    }
}

namespace {

// The whole of every node row, in a stable order.
const QString AllNodes = QStringLiteral("select group_concat(Row, ';') from (select ID || ',' || "
                                        "GUID || ',' || HasBeenRead || ',' || IsPurged || ',' || "
                                        "IsArchived || ',' || DateTimeLoad_UTC as Row from Node "
                                        "order by ID)");

// Seconds from now to the channel's next update.
qint64 SecondsToNextUpdate(cSQLDatabase& database, int64_t channelId) {
    return LocalNow().secsTo(TextToDateTime(QString::fromUtf8(database.QueryText(
        QStringLiteral("select NextUpdateDateTime_UTC from Channel where ID = %1")
            .arg(channelId)))));
}

} // namespace

TEST_F(Refresh, ValidatorsGoBackAsReceivedAndA304LeavesEveryItemAsItWas) {
    // Weak, quoted, with blanks and a byte of Latin-1: sent back byte for
    // byte.
    const std::string etag = "W/\"v1 \\x\xE9\"";
    const std::string lastModified = "Tue, 15 Nov 1994 12:45:26 GMT";
    cTestEndpoint conditional = Feed(RssWithItems({"a", "b", "c"}));
    conditional.Headers = {{"ETag", etag}, {"Last-Modified", lastModified}};
    conditional.Conditional = true;
    auto feed = Server.Serve("/feed", conditional);
    const int64_t id = Subscribe("/feed");
    ASSERT_EQ(Update(id), UpdateResult::Stored);
    EXPECT_EQ(Server.Requests().back().IfNoneMatch, "");
    EXPECT_EQ(Row(QStringLiteral("select ETag || '|' || LastModified || '|' || HttpStatus || '|' "
                                 "|| FailureReason from ChannelFetch where ChannelId = ") +
                  QString::number(id)),
              QString::fromLatin1(etag + "|" + lastModified + "|200|"));

    // A read mark and a purge flag of the user's and the feed's; the last
    // update long ago and failed.
    Database.Execute(QStringLiteral("update Node set HasBeenRead = -1 where GUID = 'a'"));
    Database.Execute(QStringLiteral("update Node set IsPurged = -1 where GUID = 'b'"));
    Database.Execute(QStringLiteral("update Channel set IsLastUpdateOk = 0, LastUpdateTime_UTC = "
                                    "'2000/01/01 00:00:00', NextUpdateDateTime_UTC = "
                                    "'2000/01/01 00:30:00'"));
    const QString nodes = Row(AllNodes);
    ASSERT_EQ(Update(id), UpdateResult::NotModified);
    EXPECT_EQ(Server.Requests().back().IfNoneMatch, etag);
    EXPECT_EQ(Server.Requests().back().IfModifiedSince, lastModified);
    EXPECT_EQ(Row(AllNodes), nodes);
    EXPECT_EQ(Row(QStringLiteral("select IsLastUpdateOk from Channel")), QStringLiteral("-1"));
    EXPECT_NEAR(static_cast<double>(SecondsToNextUpdate(Database, id)), 30 * 60, 5);
    EXPECT_EQ(Row(QStringLiteral("select ETag || '|' || HttpStatus from ChannelFetch")),
              QString::fromLatin1(etag + "|304"));

    // A feed served without validators: none are kept, none sent.
    auto plain = Server.Serve("/feed", Feed(RssWithItems({"a", "d"})));
    ASSERT_EQ(Update(id), UpdateResult::Stored);
    EXPECT_EQ(Row(QStringLiteral("select ETag || '|' || LastModified || '|' || HttpStatus from "
                                 "ChannelFetch")),
              QStringLiteral("||200"));
    ASSERT_EQ(Update(id), UpdateResult::Stored);
    EXPECT_EQ(Server.Requests().back().IfNoneMatch, "");
    EXPECT_EQ(Server.Requests().back().IfModifiedSince, "");
    EXPECT_EQ(Count(QStringLiteral("ChannelFetch")), 1);

    // A 304 to a request without validators says nothing about the feed.
    cTestEndpoint unasked = Feed("");
    unasked.Status = 304;
    auto broken = Server.Serve("/feed", unasked);
    EXPECT_EQ(Update(id), UpdateResult::Failed);
    EXPECT_EQ(Row(QStringLiteral("select IsLastUpdateOk || '|' || HttpStatus || '|' || "
                                 "FailureReason from Channel join ChannelFetch on ChannelId = ID")),
              QStringLiteral("0|304|HTTP 304 Not Modified to a request without validators"));
}

// What a refresh only records about its feed may be taken back by a power
// failure (the next refresh records it again); new items may not.
TEST_F(Refresh, OnlyARefreshThatStoresItemsWaitsForTheDisk) {
    cTestEndpoint conditional = Feed(RssWithItems({"a", "b"}));
    conditional.Headers = {{"ETag", "\"1\""}};
    conditional.Conditional = true;
    auto feed = Server.Serve("/feed", conditional);
    auto broken = Server.Serve("/broken", Feed("<rss><channel><item>"));
    const int64_t unchanged = Subscribe("/feed");
    const int64_t missing = Subscribe("/missing");
    const int64_t malformed = Subscribe("/broken");

    cSyncCounter syncs;
    cSQLDatabase counted;
    counted.Open(File.Path());
    const auto update = [&](int64_t channelId) {
        cChannelTable channels(counted);
        channels.OpenChannel(channelId);
        return channels.Record(0)->UpdateFromFeed();
    };
    ASSERT_EQ(update(unchanged), UpdateResult::Stored);
    EXPECT_GT(syncs.Take(), 0) << "new items were not on the disk when the refresh returned";
    ASSERT_EQ(update(unchanged), UpdateResult::NotModified);
    EXPECT_EQ(syncs.Take(), 0);
    ASSERT_EQ(update(missing), UpdateResult::Failed);
    EXPECT_EQ(syncs.Take(), 0);
    EXPECT_THROW(update(malformed), EVelmoraError);
    EXPECT_EQ(syncs.Take(), 0);

    // After a refresh, whichever way it ended, the connection's commits
    // wait for the disk again.
    counted.Execute(QStringLiteral("update Node set HasBeenRead = -1"));
    EXPECT_GT(syncs.Take(), 0);
    EXPECT_EQ(
        Row(QStringLiteral("select FailureReason <> '' from ChannelFetch order by ChannelId")),
        QStringLiteral("0|1|1"));
}

TEST_F(Refresh, ServersAskingToWaitAreAskedOnceAndLeftAloneAsLongAsTheySayUpToADay) {
    QLocale english(QLocale::English);
    const QDateTime later = QDateTime::currentDateTimeUtc().addSecs(3 * 3600);
    const QByteArray threeHoursOn =
        english.toString(later, QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'")).toLatin1();
    // The third form of an HTTP date, C's asctime, its day padded with a blank.
    const QByteArray threeHoursOnAsctime =
        english.toString(later, QStringLiteral("ddd MMM ")).toLatin1() +
        QByteArray::number(later.date().day()).rightJustified(2, ' ') +
        english.toString(later, QStringLiteral(" hh:mm:ss yyyy")).toLatin1();
    const struct {
        int status;
        QByteArray retryAfter;
        qint64 wait;
        const char* reason;
        // The reply's body breaks off after its headers.
        bool cut = false;
    } cases[] = {
        {429, "7200", 2 * 3600, "HTTP 429 Too Many Requests"},
        {503, "7200", 2 * 3600, "HTTP 503 Service Unavailable", true},
        {503, threeHoursOn, 3 * 3600, "HTTP 503 Service Unavailable"},
        {503, threeHoursOnAsctime, 3 * 3600, "HTTP 503 Service Unavailable"},
        {429, "604800", 24 * 3600, "HTTP 429 Too Many Requests"},
        {429, "99999999999999999999", 24 * 3600, "HTTP 429 Too Many Requests"},
        // The obsolete form's two-digit year: 1994, long past.
        {503, "Sunday, 06-Nov-94 08:49:37 GMT", 30 * 60, "HTTP 503 Service Unavailable"},
        // Sooner than the retry after any failure: the retry stands.
        {503, "60", 30 * 60, "HTTP 503 Service Unavailable"},
        {429, "", 30 * 60, "HTTP 429 Too Many Requests"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.status);
        SCOPED_TRACE(row.retryAfter.toStdString());
        cTestEndpoint busy = Feed("<html>busy</html>");
        busy.Status = row.status;
        if (!row.retryAfter.isEmpty())
            busy.Headers = {{"Retry-After", row.retryAfter.toStdString()}};
        if (row.cut)
            busy.SendOnlyBytes = 5;
        auto feed = Server.Serve("/busy", busy);
        const int64_t id = Subscribe("/busy");
        const size_t requestsBefore = Server.Requests().size();
        EXPECT_EQ(Update(id), UpdateResult::Failed);
        EXPECT_EQ(Server.Requests().size(), requestsBefore + 1) << "a second request was sent";
        EXPECT_NEAR(static_cast<double>(SecondsToNextUpdate(Database, id)),
                    static_cast<double>(row.wait), 5);
        EXPECT_EQ(Row(QStringLiteral("select IsLastUpdateOk || '|' || HttpStatus || '|' || "
                                     "FailureReason from Channel join ChannelFetch on ChannelId "
                                     "= ID where ID = ") +
                      QString::number(id)),
                  QStringLiteral("0|%1|%2").arg(row.status).arg(QLatin1String(row.reason)));
    }
}
