#include "ingest/uNode.h"

#include "TestFiles.h"
#include "ingest/uEnclosure.h"
#include "storage/uConfig.h"
#include "storage/uDTFormat.h"
#include "storage/uSQLDataTabRec.h"

#include <gtest/gtest.h>

TEST(FileNames, EnclosureAndPageFilesLieInTheCacheFolderNamedByIdentifier) {
    const struct {
        const char* url;
        const char* extension;
    } cases[] = {
        {"http://127.0.0.1/podcast.mp3", ".mp3"},
        {"http://127.0.0.1/a.mp3?x=1", ".mp3"},
        {"http://127.0.0.1/a.mp3#t=30?x", ".mp3"},
        {"http://127.0.0.1/a?file=b.mp3", ""},
        {"http://127.0.0.1/podcast", ""},
        {"http://host.example/podcast", ""},
        {"http://127.0.0.1/a.b/../../etc/passwd", ""},
        {"http://127.0.0.1/a.b\\c", ""},
        {"noextension", ""},
    };
    for (const auto& row : cases)
        EXPECT_EQ(UrlExtension(QString::fromLatin1(row.url)), QString::fromLatin1(row.extension))
            << row.url;

    cTempDatabase file;
    cSQLDatabase database;
    database.Open(file.Path());
    database.Execute(QStringLiteral(
        "insert into Enclosure values(77,'http://127.0.0.1/x/podcast.mp3','','',0)"));
    database.Execute(QStringLiteral("insert into Node (ID, ParentChannelId) values(123,1)"));
    cEnclosureTable enclosures(database);
    enclosures.Query(QStringLiteral("select * from Enclosure"));
    EXPECT_EQ(enclosures.Record(0)->EnclosureFileName(),
              GetConfig().CacheFolder + QStringLiteral("77.mp3"));
    cNodeTable nodes(database);
    nodes.Query(QStringLiteral("select * from Node"));
    EXPECT_EQ(nodes.Record(0)->PageFileName(), GetConfig().CacheFolder + QStringLiteral("123.mht"));
}

TEST(NodeDate, TheFeedsDateInAnyCommonFormCountsUnlessItIsUnreadableOrInTheFuture) {
    cScopedTimeZone zone("UTC");
    cTempDatabase file;
    cSQLDatabase database;
    database.Open(file.Path());
    cNodeTable nodes(database);
    cNode* node = nodes.NewNode();
    const QString loaded = QStringLiteral("2024/01/05 10:00:00");
    node->SetDateTimeLoad_UTC(loaded);
    const struct {
        const char* date;
        const char* expected;
    } cases[] = {
        {"Sun, 06 Nov 1994 08:49:37 +0200", "1994/11/06 06:49:37"},
        {"Fri, 01 Jan 2100 00:00:00 GMT", "2024/01/05 10:00:00"},
        {"2003-12-13T18:30:02Z", "2003/12/13 18:30:02"},
        {"2003-12-13T18:30:02+01:00", "2003/12/13 17:30:02"},
        {"Sun, 06 Nov 94 08:49:37 GMT", "1994/11/06 08:49:37"},
        {"6 november 1994 8:49 est", "1994/11/06 13:49:00"},
        {"2099-01-01T00:00:00Z", "2024/01/05 10:00:00"},
        // An instant whose date lies before the calendar's first year.
        {"Mon, 01 Jan 0001 00:00:00 +1400", "2024/01/05 10:00:00"},
        {"yesterday", "2024/01/05 10:00:00"},
        {"", "2024/01/05 10:00:00"},
    };
    for (const auto& row : cases) {
        node->SetPubDateTimeNode_822(QString::fromLatin1(row.date));
        node->SetNodeDate();
        EXPECT_EQ(node->DateTimeNode_UTC(), QString::fromLatin1(row.expected)) << row.date;
        EXPECT_EQ(node->PubDateTimeNode_822(), QString::fromLatin1(row.date));
    }
}

TEST(DownloadQueries, ListRequestedPagesAndEnclosures) {
    cTempDatabase file;
    cSQLDatabase database;
    database.Open(file.Path());
    for (const char* statement :
         {"insert into Node (ID, ParentChannelId, IsDownloaded) values(1,1,2)",
          "insert into Node (ID, ParentChannelId, IsDownloaded) values(2,1,1)",
          "insert into Enclosure values(10,'u1','','',2)",
          "insert into Enclosure values(11,'u2','','',5)",
          "insert into Node2Enclosure values(2,11)"})
        database.Execute(QString::fromLatin1(statement));
    cNodeTable nodes(database);
    nodes.OpenNodesToDownload();
    ASSERT_EQ(nodes.Count(), 1);
    EXPECT_EQ(nodes.Record(0)->ID(), 1);
    cEnclosureTable enclosures(database);
    enclosures.OpenQueuedEnclosures();
    ASSERT_EQ(enclosures.Count(), 1);
    EXPECT_EQ(enclosures.Record(0)->ID(), 10);
    enclosures.OpenNodeEnclosures(2);
    ASSERT_EQ(enclosures.Count(), 1);
    EXPECT_EQ(enclosures.Record(0)->Url(), QStringLiteral("u2"));
}
