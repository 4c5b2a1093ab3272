#include "engine/uStatJobs.h"

#include "EngineFixture.h"

namespace {

class Statistics : public EngineFixture {
protected:
    // A node of the channel: read, archived, purged flags as given.
    void AddNode(int64_t id, int64_t channel, bool read = false, bool archived = false,
                 bool purged = false) {
        Database.Execute(QStringLiteral("insert into Node (ID, ParentChannelId, HasBeenRead, "
                                        "IsArchived, IsPurged) values(%1,%2,%3,%4,%5)")
                             .arg(id)
                             .arg(channel)
                             .arg(read ? -1 : 0)
                             .arg(archived ? -1 : 0)
                             .arg(purged ? -1 : 0));
    }
    void AddChannel(int64_t id) {
        Database.Execute(QStringLiteral("insert into Channel (ID, Title) values(%1,'c')").arg(id));
    }
    QString ChannelCounters(int64_t id) {
        return QString::fromUtf8(Database.QueryText(
            QStringLiteral("select Total || '/' || Unread || '/' || New || '/' || NeedRecalc from "
                           "ChannelStat where ChannelId = %1")
                .arg(id)));
    }
    QString CategoryCounters(int64_t id) {
        int64_t rows = 0;
        Database.TryQueryInt64(
            QStringLiteral("select count(*) from CategoryStat where CategoryId = %1").arg(id),
            rows);
        if (rows == 0)
            return QStringLiteral("none");
        return QString::fromUtf8(Database.QueryText(
            QStringLiteral("select Total || '/' || Unread || '/' || New || '/' || NeedRecalc from "
                           "CategoryStat where CategoryId = %1")
                .arg(id)));
    }
    void Flag(int64_t channel) {
        Database.Execute(
            QStringLiteral("insert into ChannelStat values(%1,0,0,0,'',-1)").arg(channel));
    }
    int LogEntries() {
        return Count(
            QStringLiteral("select count(*) from ActionLog where Action = 'channel stat'"));
    }
};

} // namespace

TEST_F(Statistics, AChannelCountsItsNonArchivedUnreadAndNewNodes) {
    AddChannel(1);
    AddNode(10, 1);
    AddNode(11, 1, false, false, true);
    AddNode(12, 1, true);
    AddNode(13, 1, false, true);
    AddChannel(2);
    Flag(1);
    cChannelStatJob().Run();
    EXPECT_EQ(ChannelCounters(1), QStringLiteral("3/2/1/0"));
    Flag(2);
    cChannelStatJob().Run();
    EXPECT_EQ(ChannelCounters(2), QStringLiteral("0/0/0/0"));
    EXPECT_EQ(LogEntries(), 2);
}

// Nodes left behind by a removed channel are not counted for it.
TEST_F(Statistics, AChannelWithoutItsChannelRowCountsNothing) {
    AddChannel(1);
    AddNode(10, 1);
    AddNode(30, 3);
    Flag(3);
    cChannelStatJob().Run();
    EXPECT_EQ(ChannelCounters(3), QStringLiteral("0/0/0/0"));
}

// A channel removed while it was refreshed: the rebuild that follows the
// refresh leaves no counters row behind.
TEST_F(Statistics, ARemovedChannelGetsNoNewCountersRow) {
    AddChannel(1);
    AddNode(30, 3);
    RecomputeChannelStatistics(Database, 3);
    EXPECT_EQ(Count(QStringLiteral("select count(*) from ChannelStat")), 0);
    RecomputeChannelStatistics(Database, 1);
    EXPECT_EQ(ChannelCounters(1), QStringLiteral("0/0/0/0"));
}

TEST_F(Statistics, WithoutAFlaggedChannelTheChannelJobWritesNothing) {
    AddChannel(1);
    Database.Execute(QStringLiteral("insert into ChannelStat values(1,5,5,5,'x',0)"));
    cChannelStatJob().Run();
    EXPECT_EQ(ChannelCounters(1), QStringLiteral("5/5/5/0"));
    EXPECT_EQ(LogEntries(), 0);
}

TEST_F(Statistics, TwoFlaggedChannelsTakeTwoRuns) {
    AddChannel(1);
    AddChannel(2);
    Flag(1);
    Flag(2);
    cChannelStatJob().Run();
    EXPECT_EQ(Count(QStringLiteral("select count(*) from ChannelStat where NeedRecalc <> 0")), 1);
    cChannelStatJob().Run();
    EXPECT_EQ(Count(QStringLiteral("select count(*) from ChannelStat where NeedRecalc <> 0")), 0);
}

TEST_F(Statistics, RecomputingAChannelFlagsTheCategoriesItReachesByEitherLink) {
    AddChannel(1);
    AddNode(10, 1);
    for (int category : {100, 101, 102})
        Database.Execute(
            QStringLiteral("insert into CategoryStat values(%1,0,0,0,'',0)").arg(category));
    Database.Execute(QStringLiteral("insert into Channel2Category values(1,100)"));
    Database.Execute(QStringLiteral("insert into Node2Category values(10,101)"));
    RecomputeChannelStatistics(Database, 1);
    EXPECT_EQ(Count(QStringLiteral("select count(*) from CategoryStat where NeedRecalc <> 0")), 2);
    EXPECT_EQ(CategoryCounters(102), QStringLiteral("0/0/0/0"));
}

// Each non-archived node of a category counts once, however it is linked.
TEST_F(Statistics, ACategoryCountsEachOfItsNodesOnce) {
    AddChannel(1);
    AddChannel(2);
    for (int64_t node = 10; node < 14; ++node)
        AddNode(node, 1, node == 13);
    for (int64_t node = 20; node < 23; ++node)
        AddNode(node, 2, false, false, node == 20);
    AddNode(24, 2, false, true);
    const struct {
        int64_t category;
        const char* channelLinks;
        const char* nodeLinks;
        const char* counters;
    } cases[] = {
        // The same four nodes by both links.
        {100, "1", "10,11,12,13", "4/3/3/0"},
        // Four by the channel, three others directly.
        {101, "1", "20,21,22", "7/6/5/0"},
        // Four by the channel, three of them also directly.
        {102, "1", "10,11,12", "4/3/3/0"},
        // Only an archived node.
        {103, "", "24", "none"},
        // No nodes at all.
        {104, "", "", "none"},
    };
    for (const auto& row : cases) {
        Database.Execute(QStringLiteral("insert into Category values(%1,'c%1')").arg(row.category));
        for (const QString& channel :
             QString::fromLatin1(row.channelLinks).split(',', Qt::SkipEmptyParts))
            Database.Execute(QStringLiteral("insert into Channel2Category values(%1,%2)")
                                 .arg(channel)
                                 .arg(row.category));
        for (const QString& node :
             QString::fromLatin1(row.nodeLinks).split(',', Qt::SkipEmptyParts))
            Database.Execute(QStringLiteral("insert into Node2Category values(%1,%2)")
                                 .arg(node)
                                 .arg(row.category));
    }
    cCategoryStatJob().Run();
    for (const auto& row : cases)
        EXPECT_EQ(CategoryCounters(row.category), QString::fromLatin1(row.counters))
            << row.category;
    EXPECT_EQ(LogEntries(), 1);

    // Only flagged rows are recomputed.
    Database.Execute(QStringLiteral("update Node set HasBeenRead = -1 where ID = 10"));
    cCategoryStatJob().Run();
    EXPECT_EQ(CategoryCounters(100), QStringLiteral("4/3/3/0"));
    Database.Execute(
        QStringLiteral("update CategoryStat set NeedRecalc = -1 where CategoryId = 100"));
    cCategoryStatJob().Run();
    EXPECT_EQ(CategoryCounters(100), QStringLiteral("4/2/2/0"));
    EXPECT_EQ(LogEntries(), 3);
}
