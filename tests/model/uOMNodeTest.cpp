#include "model/uOMNode.h"
#include "ModelFixture.h"

#include "storage/uRefId.h"
#include "storage/uSQLValue.h"

namespace {

class Nodes : public ModelFixture {
protected:
    void SetUp() override {
        Database.Execute(QStringLiteral("insert into Node values(42,7,'Old','D','http://l','g',"
                                        "'','en','2024/01/05',0,0,0,'2024/01/05',0)"));
        Table.Query(QStringLiteral("select * from Node where ID = 42"));
        ASSERT_EQ(Table.Count(), 1);
        Node = Table.Record(0);
    }

    cOmNodeTable Table{Database};
    cOmNodeRecord* Node = nullptr;
};

} // namespace

TEST_F(Nodes, MarkingALoadedNodeReadWritesOneShortStatement) {
    Node->SetHasBeenRead(true);
    EXPECT_EQ(Flushed(Table),
              QStringList{QStringLiteral("update node set HasBeenRead = -1 where Id = 42")});
}

TEST_F(Nodes, OnlyTheChangedColumnsAreWrittenInColumnOrder) {
    Node->SetIsPurged(true);
    Node->SetTitle(QStringLiteral("New"));
    EXPECT_EQ(Flushed(Table), QStringList{QStringLiteral(
                                  "update node set Title = 'New',IsPurged = -1 where Id = 42")});
}

TEST_F(Nodes, MarksStaySetSoALaterSaveWritesEveryColumnChangedInTheRecordsLife) {
    Node->SetIsDownloaded(4);
    Save();
    Node->SetIsArchived(true);
    EXPECT_EQ(Flushed(Table),
              QStringList{QStringLiteral(
                  "update node set IsArchived = -1,IsDownloaded = 4 where Id = 42")});
}

TEST_F(Nodes, ASetterOnAPooledNodeRaisesBadRecordStatus) {
    Table.Clear();
    EXPECT_EQ(Node->RecordStatus, cSQLRecord::rsPooled);
    try {
        Node->SetTitle(QStringLiteral("late"));
        FAIL() << "no error";
    } catch (const EVelmoraError& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("Bad Record Status"));
    }
}

TEST_F(Nodes, LoadingRowsTakesOneIdentifierPerRowButKeepsTheStoredOnes) {
    for (int index = 1; index <= 10; ++index)
        Database.Execute(QStringLiteral("insert into Node (ID, ParentChannelId) values(%1,1)")
                             .arg(1000 + index));
    const int64_t before = NewId();
    Table.Query(QStringLiteral("select * from Node where ID > 1000 order by ID"));
    EXPECT_EQ(NewId(), before + 11);
    ASSERT_EQ(Table.Count(), 10);
    EXPECT_EQ(Table.Record(0)->ID(), 1001);
}

TEST_F(Nodes, WhatIsWrittenLoadsBackUnchanged) {
    const QStringList titles = {QStringLiteral("He said \"it's\" twice"), QStringLiteral("Title"),
                                QStringLiteral("Ünïcödé — 日本 ✓"), QString()};
    cOmNodeTable written(Database);
    QList<int64_t> ids;
    for (const QString& title : titles) {
        cOmNodeRecord* node = written.NewNode();
        node->SetParentChannelId(7);
        node->SetTitle(title);
        node->SetDescription(title);
        node->SetIsDownloaded(4);
        node->SetIsArchived(true);
        ids << node->ID();
    }
    Save();
    cOmNodeTable loaded(Database);
    loaded.Query(QStringLiteral("select * from Node where ParentChannelId = 7 and ID <> 42 "
                                "order by ID"));
    ASSERT_EQ(loaded.Count(), titles.size());
    for (int index = 0; index < titles.size(); ++index) {
        const cOmNodeRecord* node = loaded.Record(index);
        EXPECT_EQ(node->ID(), ids[index]);
        EXPECT_EQ(node->Title(), titles[index]);
        EXPECT_EQ(node->Description(), titles[index]);
        EXPECT_EQ(node->IsDownloaded(), 4);
        EXPECT_TRUE(node->IsArchived());
        EXPECT_FALSE(node->HasBeenRead());
    }

    // A flag another program wrote as any value but zero reads as set, as
    // the lists' "<> 0" tests read it.
    Database.Execute(QStringLiteral("update Node set HasBeenRead = 256, IsPurged = 4294967296"));
    loaded.Query(QStringLiteral("select * from Node where ParentChannelId = 7"));
    ASSERT_GT(loaded.Count(), 0);
    EXPECT_TRUE(loaded.Record(0)->HasBeenRead());
    EXPECT_TRUE(loaded.Record(0)->IsPurged());
}
