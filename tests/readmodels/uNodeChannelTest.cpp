#include "readmodels/uNodeChannel.h"

#include "TestFiles.h"
#include "storage/uConfig.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

const QString Head = QStringLiteral(
    " select node.id,node.parentchannelid,node.title,node.description,node.link,"
    "node.isolanguagecode,node.hasbeenread,node.datetimenode_utc,channel.title,channel.imageurl,"
    "enclosure.status,node.isdownloaded  from node  join channel on channel.id = "
    "node.parentchannelid  left join node2enclosure on node2enclosure.nodeid = node.id  left "
    "join enclosure on node2enclosure.enclosureid = enclosure.id  where ");

class NodeLists : public testing::Test {
protected:
    NodeLists() {
        Database.Open(File.Path());
        for (const char* statement : {
                 "insert into Channel (ID, Title, ImageURL) values(1,'Beta','http://i/1.png')",
                 "insert into Channel (ID, Title) values(2,'Alpha')",
                 // id, channel, title, read, archived, purged, date, downloaded, language
                 "insert into Node values(11,1,'Say \"hi\" "
                 "it''s','d','l','g11','','fr-ca','',0,0,0,'2024/01/03',0)",
                 "insert into Node "
                 "values(12,1,'apple','d','l','g12','','','',-1,0,0,'2024/01/01',0)",
                 "insert into Node "
                 "values(13,2,'Banana','d','l','g13','','en','',0,0,-1,'2024/01/02',0)",
                 "insert into Node "
                 "values(14,1,'archived','d','l','g14','','','',-1,-1,0,'2024/01/04',1)",
                 "insert into Node "
                 "values(15,2,'cherry','d','l','g15','','','',0,0,0,'2024/01/05',1)",
                 "insert into Enclosure values(21,'u1','','',1)",
                 "insert into Enclosure values(22,'u2','','',0)",
                 "insert into Node2Enclosure values(11,21)",
                 "insert into Node2Enclosure values(11,22)",
                 "insert into Category values(100,'ByChannel')",
                 "insert into Category values(101,'ByNode')",
                 "insert into Channel2Category values(2,100)",
                 "insert into Node2Category values(12,101)",
                 "insert into ChannelStat values(1,0,0,0,'',0)",
                 "insert into ChannelStat values(2,0,0,0,'',0)",
                 "insert into CategoryStat values(100,0,0,0,'',0)",
                 "insert into CategoryStat values(101,0,0,0,'',0)",
             })
            Database.Execute(QString::fromUtf8(statement));
    }
    QList<int64_t> Ids() const {
        QList<int64_t> ids;
        for (int index = 0; index < Table.Count(); ++index)
            ids << Table.Record(index)->Id();
        return ids;
    }
    QString Flags(const char* table, const char* key) {
        QStringList flagged;
        TSQLLiteImp& connection = Database.Connection();
        connection.PrepareQuery(
            {QStringLiteral("select %1 from %2 where NeedRecalc <> 0 order by 1")
                 .arg(QString::fromLatin1(key), QString::fromLatin1(table))});
        while (!connection.Eof()) {
            flagged << connection.ColumnText(0);
            connection.Step();
        }
        connection.CloseQuery();
        return flagged.join(QLatin1Char(','));
    }
    void Save() { Database.SaveAllInTransaction(); }

    cTempDatabase File;
    cSQLDatabase Database;
    cNodeChannelTable Table{Database};
};

} // namespace

TEST_F(NodeLists, EveryQueryWritesItsConditionsFiltersTitleOrderAndLimit) {
    const QString quote = QStringLiteral("a\"b'c");
    const QString like = QStringLiteral(" and node.Title like '%a\"b''c%'");
    const QString limit = QStringLiteral(" limit 1000");
    const struct {
        std::function<void()> query;
        QString text;
    } cases[] = {
        {[&] { Table.QueryAllNodes(NodeOrder::ByDate, QString(), 0, 0); },
         Head + "node.IsArchived = 0 order by node.DateTimeNode_UTC DESC " + limit},
        {[&] { Table.QueryAllNodes(NodeOrder::ByChannel, quote, 5, 7); },
         Head +
             "node.IsArchived = 0 and channel.id = 5 and ((node.id in (select nodeid from "
             "node2category where categoryid = 7)) or (node.parentchannelid in (select "
             "channelid from channel2category where categoryid = 7)))" +
             like + " order by channel.Title " + limit},
        {[&] { Table.QueryRecentNodes(NodeOrder::ByTitle, 7, QString(), 0, 0); },
         Head +
             "node.HasBeenRead = 0 and node.IsArchived = 0 and node.IsPurged = 0 and "
             "enclosure.status = 1 and node.IsDownloaded = 1 order by node.Title " +
             limit},
        {[&] { Table.QueryNodesByChannel(NodeOrder::ByReadState, 7, 5, quote); },
         Head +
             "node.IsArchived = 0 and channel.id =5 and enclosure.status = 1 and "
             "node.IsDownloaded = 1 and node.HasBeenRead = 0" +
             like + " order by node.HasBeenRead " + limit},
        {[&] { Table.QueryNodesByCategory(static_cast<NodeOrder>(9), QString(), 7); },
         Head +
             "node.IsArchived = 0  and node.id in ( select node.id from node,channel2category "
             "where node.parentchannelid = channel2category.channelId and "
             "channel2category.categoryid = 7 union select nodeid from node2category  where "
             "node2category.categoryid = 7 )" +
             limit},
        {[&] {
             Table.QueryDownloadedNodes(NodeOrder::ByDate, UnreadOnly | DownloadedOnly, QString());
         },
         Head +
             "node.IsArchived = 0  and node.isdownloaded <> 0 and node.IsDownloaded = 1 order "
             "by node.DateTimeNode_UTC DESC " +
             limit},
        {[&] { Table.QueryEnclosureNodes(NodeOrder::ByDate, EnclosureReadyOnly, QString()); },
         QString(Head).replace(QStringLiteral("left join"), QStringLiteral("join")) +
             "node.IsArchived = 0  and Enclosure.Status <> 0 and enclosure.status = 1 order by "
             "node.DateTimeNode_UTC DESC " +
             limit},
        {[&] { Table.QueryPagesToExport(); },
         Head + "node.IsArchived = 0  and node.isdownloaded = 1 order by Node.DateTimeNode_UTC  "
                "limit 100"},
    };
    for (const auto& row : cases) {
        row.query();
        EXPECT_EQ(Table.QueryText().join(QString()), row.text);
    }
}

TEST_F(NodeLists, ListsShowWhatTheirConditionsSelect) {
    Table.QueryAllNodes(NodeOrder::ByDate, QString(), 0, 0);
    EXPECT_EQ(Ids(), (QList<int64_t>{15, 11, 11, 13, 12}))
        << "a node with two enclosures shows twice";
    Table.QueryAllNodes(NodeOrder::ByDate, QString(), 0, 101);
    EXPECT_EQ(Ids(), (QList<int64_t>{12}));
    Table.QueryAllNodes(NodeOrder::ByTitle, QString(), 0, 100);
    EXPECT_EQ(Ids(), (QList<int64_t>{13, 15}));
    Table.QueryAllNodes(NodeOrder::ByDate, QStringLiteral("\"HI\""), 0, 0);
    EXPECT_EQ(Ids(), (QList<int64_t>{11, 11}));

    Table.QueryRecentNodes(NodeOrder::ByDate, NoFilter, QString(), 0, 0);
    const QString withoutFlag = Table.QueryText().join(QString());
    EXPECT_EQ(Ids(), (QList<int64_t>{15, 11, 11}));
    Table.QueryRecentNodes(NodeOrder::ByDate, UnreadOnly, QString(), 0, 0);
    EXPECT_EQ(Table.QueryText().join(QString()), withoutFlag);

    Table.QueryNodesByChannel(NodeOrder::ByDate, UnreadOnly, 1, QString());
    EXPECT_EQ(Ids(), (QList<int64_t>{11, 11}));
    Table.QueryNodesByCategory(NodeOrder::ByDate, QString(), 100);
    EXPECT_EQ(Ids(), (QList<int64_t>{15, 13}));
    Table.QueryEnclosureNodes(NodeOrder::ByDate, NoFilter, QString());
    EXPECT_EQ(Ids(), (QList<int64_t>{11}));
    Table.QueryDownloadedNodes(NodeOrder::ByDate, NoFilter, QString());
    EXPECT_EQ(Ids(), (QList<int64_t>{15}));
    Table.QueryPagesToExport();
    EXPECT_EQ(Ids(), (QList<int64_t>{15}));
    Table.ClearNodes();
    EXPECT_EQ(Table.Count(), 0);

    const cNodeChannel* row = [&] {
        Table.QueryNodesByChannel(NodeOrder::ByDate, NoFilter, 1, QStringLiteral("say"));
        return Table.Record(0);
    }();
    EXPECT_EQ(row->ChannelTitle(), QStringLiteral("Beta"));
    EXPECT_EQ(row->ChannelImageURL(), QStringLiteral("http://i/1.png"));
    EXPECT_EQ(row->LanguageCode(), QStringLiteral("FR"));
    EXPECT_EQ(row->PageCacheName(), QStringLiteral("11.mht"));
}

TEST_F(NodeLists, AFilterFindsItsTextAsTypedWildcardsAndPastedLineBreaksIncluded) {
    for (const char* statement : {
             "insert into Node values(31,2,'50% off','d','l','g31','','','',0,0,0,'',0)",
             "insert into Node values(32,2,'50 percent','d','l','g32','','','',0,0,0,'',0)",
             "insert into Node values(33,2,'snake_case','d','l','g33','','','',0,0,0,'',0)",
             "insert into Node values(34,2,'snakeXcase','d','l','g34','','','',0,0,0,'',0)",
             "insert into Node values(35,2,'C:\\dir','d','l','g35','','','',0,0,0,'',0)",
         })
        Database.Execute(QString::fromUtf8(statement));
    const struct {
        QString filter;
        QList<int64_t> ids;
    } cases[] = {
        {QStringLiteral("%"), {31}},           {QStringLiteral("50%"), {31}},
        {QStringLiteral("e_c"), {33}},         {QStringLiteral("_"), {33}},
        {QStringLiteral("\\"), {35}},          {QStringLiteral("c:\\D"), {35}},
        {QStringLiteral("Snake\n"), {34, 33}}, {QStringLiteral("50\r\npercent"), {32}},
        {QStringLiteral("50\u2028off"), {}},   {QStringLiteral("it's"), {11, 11}},
    };
    for (const auto& [filter, ids] : cases) {
        Table.QueryAllNodes(NodeOrder::ByTitle, filter, 0, 0);
        QList<int64_t> found = Ids();
        found.removeIf([](int64_t id) { return id < 30 && id != 11; });
        EXPECT_EQ(found, ids) << filter.toStdString();
    }
}

TEST_F(NodeLists, ListsEndAtTheRowLimit) {
    Database.InTransaction([&] {
        for (int index = 0; index < 1005; ++index)
            Database.Execute(QStringLiteral("insert into Node (ID, ParentChannelId, IsArchived, "
                                            "DateTimeNode_UTC) values(%1,1,0,'')")
                                 .arg(1000 + index));
    });
    Table.QueryAllNodes(NodeOrder::ByDate, QString(), 0, 0);
    EXPECT_EQ(Table.Count(), GetConfig().NodeListLimit);
}

TEST_F(NodeLists, SavingARowWritesItsChangedStatesAndFlagsTheStatistics) {
    Table.QueryNodesByChannel(NodeOrder::ByDate, NoFilter, 1, QStringLiteral("say"));
    ASSERT_EQ(Table.Count(), 2);
    Table.Record(1)->SetEnclosureStatus(2);
    Table.Record(1)->SetIsDownloaded(2);
    Save();
    EXPECT_EQ(Database.QueryText(QStringLiteral("select group_concat(Status) from Enclosure")),
              "2,2");
    EXPECT_EQ(Database.QueryInt(QStringLiteral("select IsDownloaded from Node where ID = 11")), 2);
    EXPECT_EQ(Flags("ChannelStat", "ChannelId"), QStringLiteral("1"));

    Database.Execute(QStringLiteral("update ChannelStat set NeedRecalc = 0"));
    Table.QueryNodesByChannel(NodeOrder::ByDate, NoFilter, 1, QStringLiteral("apple"));
    // The page download finishes in the background after the list loaded.
    Database.Execute(QStringLiteral("update Node set IsDownloaded = 1 where ID = 12"));
    Table.Record(0)->SetHasBeenRead(false);
    Save();
    EXPECT_EQ(Database.QueryText(QStringLiteral("select HasBeenRead || '/' || IsDownloaded from "
                                                "Node where ID = 12")),
              "0/1");
    EXPECT_EQ(Flags("ChannelStat", "ChannelId"), QStringLiteral("1"));
    EXPECT_EQ(Flags("CategoryStat", "CategoryId"), QStringLiteral("101"));
}

TEST_F(NodeLists, AStateSavedOnceIsNotWrittenAgainByTheRowsNextSave) {
    Table.QueryNodesByChannel(NodeOrder::ByDate, NoFilter, 1, QStringLiteral("say"));
    ASSERT_EQ(Table.Count(), 2);
    Table.Record(1)->SetEnclosureStatus(2);
    Table.Record(1)->SetIsDownloaded(2);
    Save();
    // The jobs fetch both while the list stays on screen.
    Database.Execute(QStringLiteral("update Node set IsDownloaded = 1 where ID = 11"));
    Database.Execute(QStringLiteral("update Enclosure set Status = 1"));
    Table.Record(1)->SetHasBeenRead(true);
    Save();
    EXPECT_EQ(Database.QueryText(QStringLiteral("select HasBeenRead || '/' || IsDownloaded from "
                                                "Node where ID = 11")),
              "-1/1");
    EXPECT_EQ(Database.QueryText(QStringLiteral("select group_concat(Status) from Enclosure")),
              "1,1");
}

TEST_F(NodeLists, ARowReadAgainShowsTheStoredStatesAndIsNotSavedAgain) {
    Table.QueryNodesByChannel(NodeOrder::ByDate, NoFilter, 2, QStringLiteral("banana"));
    ASSERT_EQ(Table.Count(), 1);
    Table.Record(0)->SetHasBeenRead(true);
    Table.Record(0)->SetIsDownloaded(2);
    Database.Execute(QStringLiteral("update Node set IsDownloaded = 4 where ID = 13"));
    Table.Reread(0);
    EXPECT_FALSE(Table.Record(0)->HasBeenRead());
    EXPECT_EQ(Table.Record(0)->IsDownloaded(), 4);
    EXPECT_EQ(Table.Record(0)->Title(), QStringLiteral("Banana"));
    Save();
    EXPECT_EQ(Flags("ChannelStat", "ChannelId"), QString()) << "nothing left to write";

    Database.Execute(QStringLiteral("delete from Node where ID = 13"));
    Table.Reread(0);
    EXPECT_EQ(Table.Record(0)->Id(), 13) << "a node that is gone keeps its row";
}

TEST_F(NodeLists, MarkingAChannelReadFlagsItAndItsCategories) {
    Table.MarkChannelRead(2);
    EXPECT_EQ(
        Database.QueryInt(QStringLiteral("select count(*) from Node where ParentChannelId = 2 "
                                         "and HasBeenRead = 0")),
        0);
    EXPECT_EQ(Flags("ChannelStat", "ChannelId"), QStringLiteral("2"));
    EXPECT_EQ(Flags("CategoryStat", "CategoryId"), QStringLiteral("100"));
}

TEST_F(NodeLists, MarkingACategoryReadFlagsItAndTheChannelsOfItsNodes) {
    Table.MarkCategoryRead(100);
    EXPECT_EQ(Database.QueryInt(QStringLiteral("select count(*) from Node where HasBeenRead = 0")),
              1);
    EXPECT_EQ(Flags("CategoryStat", "CategoryId"), QStringLiteral("100"));
    EXPECT_EQ(Flags("ChannelStat", "ChannelId"), QStringLiteral("2"));

    Database.Execute(QStringLiteral("update ChannelStat set NeedRecalc = 0"));
    Database.Execute(QStringLiteral("update Node set HasBeenRead = 0 where ID = 12"));
    Table.MarkCategoryRead(101);
    EXPECT_EQ(Flags("ChannelStat", "ChannelId"), QStringLiteral("1"));
    EXPECT_EQ(Flags("CategoryStat", "CategoryId"), QStringLiteral("100,101"));
}

TEST(NodeRow, NamesFilesAndLanguageFromItsFields) {
    cTempDatabase file;
    cSQLDatabase database;
    database.Open(file.Path());
    database.Execute(QStringLiteral("insert into Channel (ID, Title) values(1,'c')"));
    database.Execute(
        QString::fromUtf8(
            "insert into Node (ID, ParentChannelId, Title, IsoLanguageCode, IsArchived) values"
            "(1,1,'Q&A: news/today?',NULL,0),(2,1,'a\"b''c*d,e.f;g<h>i\\\\j«k»l|m','x',0),"
            "(3,1,' ','x',0),(4,1,'") +
        QString(100, QChar(0x65E5)) + QStringLiteral("','x',0)"));
    cNodeChannelTable table(database);
    table.QueryAllNodes(NodeOrder::ByTitle, QString(), 0, 0);
    ASSERT_EQ(table.Count(), 4);
    EXPECT_EQ(table.Record(0)->ExportFileName(), QStringLiteral("3.mht"));
    EXPECT_EQ(table.Record(1)->ExportFileName(), QStringLiteral("Q_A: news_today_.mht"));
    EXPECT_EQ(table.Record(2)->ExportFileName(),
              QString::fromUtf8("a_b_c_d_e_f_g_h_i__j_k_l|m.mht"));
    // A title of 300 bytes keeps 83 of its 3-byte characters: an 84th would
    // take the name with ".mht" past 255 bytes.
    EXPECT_EQ(table.Record(3)->ExportFileName(),
              QString(83, QChar(0x65E5)) + QStringLiteral(".mht"));
    EXPECT_EQ(table.Record(1)->LanguageCode(), QStringLiteral("EN"));
    EXPECT_EQ(table.Record(2)->LanguageCode(), QStringLiteral("EN"));
}

// The lists' marking stays silent when it fails, as the window wants; the
// command line's raises. Either way nothing is marked, and a fault of the
// file is recorded for the window's status panel.
TEST_F(NodeLists, MarkingReadOnADatabaseThatRefusesWritesRaisesOnlyWhereAsked) {
    const int64_t unreadBefore =
        Database.QueryInt64(QStringLiteral("select count(*) from Node where HasBeenRead = 0"));
    const struct {
        const char* name;
        std::function<void()> mark;
        bool raises;
    } cases[] = {
        {"channel, raising", [&] { Table.MarkChannelReadOrRaise(2); }, true},
        {"category, raising", [&] { Table.MarkCategoryReadOrRaise(100); }, true},
        {"channel, silent", [&] { Table.MarkChannelRead(2); }, false},
        {"category, silent", [&] { Table.MarkCategoryRead(100); }, false},
    };
    Database.Execute(QStringLiteral("PRAGMA query_only = 1"));
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const uint64_t faultsBefore = LastDatabaseFault().Serial;
        bool raised = false;
        try {
            row.mark();
        } catch (const ESQLiteException& error) {
            raised = true;
            EXPECT_TRUE(error.IsDatabaseFault()) << error.Message().toStdString();
        }
        EXPECT_EQ(raised, row.raises);
        EXPECT_EQ(LastDatabaseFault().Serial, faultsBefore + 1);
        EXPECT_EQ(
            Database.QueryInt64(QStringLiteral("select count(*) from Node where HasBeenRead = 0")),
            unreadBefore);
        EXPECT_EQ(Flags("ChannelStat", "ChannelId"), QString());
    }
    Database.Execute(QStringLiteral("PRAGMA query_only = 0"));
    Table.MarkChannelReadOrRaise(2);
    EXPECT_EQ(Database.QueryInt64(QStringLiteral("select count(*) from Node where "
                                                 "ParentChannelId = 2 and HasBeenRead = 0")),
              0);
}
