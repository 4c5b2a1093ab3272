#include "engine/uArchiveJob.h"

#include "EngineFixture.h"
#include "engine/uStatJobs.h"
#include "storage/uDTFormat.h"
#include "storage/uSQLValue.h"
#include "storage/uSchema.h"

#include <QFile>
#include <QFileInfo>
#include <vector>

namespace {

const char* const ArchiveTables[] = {"Channel", "Node", "Enclosure", "Node2Enclosure"};

// The configured main file (the fixture's Database) and archive file, both
// emptied for each test.
class Archiving : public EngineFixture {
protected:
    Archiving() {
        Archive.Open(GetConfig().ArchiveDatabasePath());
        EmptyArchive();
    }
    void EmptyArchive() {
        for (const char* table : ArchiveTables)
            Archive.Execute(QStringLiteral("delete from ") + QString::fromLatin1(table));
    }
    void EmptyMain() {
        for (const char* table : ArchiveTables)
            Database.Execute(QStringLiteral("delete from ") + QString::fromLatin1(table));
    }

    static QString HoursAgo(int hours) {
        return QuotedText(DateTimeToText(LocalNow().addSecs(-3600LL * hours)));
    }
    // lastArchive is an SQL value: a quoted time, '' or null.
    void AddChannel(int64_t id, const QString& lastArchive, const QString& title = "c") {
        Database.Execute(
            QStringLiteral("insert into Channel (ID, Title, LastArchiveTime_UTC) values(%1,%2,%3)")
                .arg(id)
                .arg(QuotedText(title), lastArchive));
    }
    void AddNode(int64_t id, int64_t channel, int daysOld, bool read, bool archived, bool purged) {
        Database.Execute(
            QStringLiteral("insert into Node (ID, ParentChannelId, Title, HasBeenRead, IsArchived, "
                           "IsPurged, DateTimeNode_UTC) values(%1,%2,'n',%3,%4,%5,%6)")
                .arg(id)
                .arg(channel)
                .arg(FlagText(read), FlagText(archived), FlagText(purged), HoursAgo(24 * daysOld)));
    }
    // The node's enclosure has the node's id plus 1000.
    void AddEnclosure(int64_t node) {
        Database.Execute(QStringLiteral("insert into Enclosure values(%1,'http://127.0.0.1/e',"
                                        "'1','audio/mpeg',0)")
                             .arg(node + 1000));
        Database.Execute(
            QStringLiteral("insert into Node2Enclosure values(%1,%2)").arg(node).arg(node + 1000));
    }

    // Where rows matching the condition are: "main", "archive", "both" or
    // "none".
    QString Where(const char* table, const QString& condition) {
        const QString count = QStringLiteral("select count(*) from %1 where %2")
                                  .arg(QString::fromLatin1(table), condition);
        const bool inMain = Database.QueryInt(count) > 0;
        const bool inArchive = Archive.QueryInt(count) > 0;
        if (inMain && inArchive)
            return QStringLiteral("both");
        return inMain      ? QStringLiteral("main")
               : inArchive ? QStringLiteral("archive")
                           : QStringLiteral("none");
    }
    QString WhereNode(int64_t id) { return Where("Node", QStringLiteral("ID = %1").arg(id)); }
    int ArchiveCount(const char* table) {
        return Archive.QueryInt(QStringLiteral("select count(*) from ") +
                                QString::fromLatin1(table));
    }
    QString LastArchiveTime(int64_t channel) {
        return QString::fromUtf8(Database.QueryText(
            QStringLiteral("select ifnull(LastArchiveTime_UTC, 'null') from Channel where ID = %1")
                .arg(channel)));
    }
    // Set by a run that went through every step: now, give or take the test.
    bool ArchivedJustNow(int64_t channel) {
        return LastArchiveTime(channel) >= DateTimeToText(LocalNow().addSecs(-60));
    }
    bool IsArchived(int64_t node) {
        return Database.QueryInt(
                   QStringLiteral("select IsArchived from Node where ID = %1").arg(node)) != 0;
    }

    cSQLDatabase Archive;
};

} // namespace

// One run over a channel with nodes in every state; channel 2 is not due.
TEST_F(Archiving, ReadOldNodesAreHiddenAndThoseAlsoPurgedMoveWithTheirEnclosures) {
    AddChannel(1, QStringLiteral("null"));
    AddChannel(2, HoursAgo(1));
    const struct {
        int64_t node;
        int64_t channel;
        int daysOld;
        bool read, archived, purged, enclosure;
        bool archivedAfter;
        const char* where;
    } cases[] = {
        {10, 1, 41, true, false, false, false, true, "main"},
        {11, 1, 39, true, false, false, false, false, "main"},
        {12, 1, 400, false, false, false, false, false, "main"},
        {13, 1, 400, false, false, true, true, false, "main"},
        {14, 1, 39, true, false, true, true, false, "main"},
        // Archived earlier, still in the feed: stays, hidden.
        {15, 1, 10, true, true, false, true, true, "main"},
        {16, 1, 41, true, false, true, true, true, "archive"},
        {17, 1, 10, true, true, true, false, true, "archive"},
        {20, 2, 41, true, false, true, true, false, "main"},
    };
    for (const auto& row : cases) {
        AddNode(row.node, row.channel, row.daysOld, row.read, row.archived, row.purged);
        if (row.enclosure)
            AddEnclosure(row.node);
    }
    Database.Execute(QStringLiteral("insert into Node2Category values(16,100)"));
    for (const char* row : {"(1,9,9,9,'',0)", "(2,9,9,9,'',0)"})
        Database.Execute(QStringLiteral("insert into ChannelStat values") + QLatin1String(row));

    cArchiveJob().Run();

    for (const auto& row : cases) {
        const QString where = QString::fromLatin1(row.where);
        EXPECT_EQ(WhereNode(row.node), where) << row.node;
        if (where == QLatin1String("main")) {
            EXPECT_EQ(IsArchived(row.node), row.archivedAfter) << row.node;
        }
        if (row.enclosure) {
            EXPECT_EQ(Where("Node2Enclosure", QStringLiteral("NodeID = %1").arg(row.node)), where)
                << row.node;
            EXPECT_EQ(Where("Enclosure", QStringLiteral("ID = %1").arg(row.node + 1000)), where)
                << row.node;
        }
    }
    EXPECT_EQ(Archive.QueryInt(QStringLiteral("select IsArchived from Node where ID = 16")), -1);
    EXPECT_EQ(Count(QStringLiteral("select count(*) from Node2Category where NodeID = 16")), 1)
        << "category links stay behind";
    EXPECT_EQ(Where("Channel", QStringLiteral("ID = 1")), QStringLiteral("both"));
    EXPECT_EQ(Where("Channel", QStringLiteral("ID = 2")), QStringLiteral("main"));
    EXPECT_TRUE(ArchivedJustNow(1));

    // The archived nodes drop out of the archived channel's counters: 11,
    // 12, 13 and 14 remain.
    EXPECT_EQ(Count(QStringLiteral("select ChannelId from ChannelStat where NeedRecalc <> 0")), 1);
    cChannelStatJob().Run();
    EXPECT_EQ(QString::fromUtf8(Database.QueryText(
                  QStringLiteral("select Total || '/' || Unread || '/' || New || '/' || NeedRecalc "
                                 "from ChannelStat where ChannelId = 1"))),
              QStringLiteral("4/2/1/0"));
}

// The category counters follow, whichever of the statistics jobs runs
// first: once the nodes have left the main file, the channel's
// recomputation no longer reaches the categories only they were linked to.
TEST_F(Archiving, ArchivedNodesLeaveTheCountersOfTheirCategories) {
    AddChannel(1, QStringLiteral("null"));
    AddNode(11, 1, 41, true, false, true);   // archived and moved
    AddNode(12, 1, 10, false, false, false); // stays, unread
    const struct {
        int category;
        std::vector<int> nodes;
        const char* countsAfter;
    } cases[] = {
        {100, {11}, "none"},
        {101, {11, 12}, "1/1/1"},
    };
    for (const auto& row : cases) {
        Database.Execute(QStringLiteral("insert into Category values(%1,'c')").arg(row.category));
        for (int node : row.nodes)
            Database.Execute(QStringLiteral("insert into Node2Category values(%1,%2)")
                                 .arg(node)
                                 .arg(row.category));
        Database.Execute(
            QStringLiteral("insert into CategoryStat values(%1,9,9,9,'',0)").arg(row.category));
    }
    Database.Execute(QStringLiteral("insert into ChannelStat values(1,9,9,9,'',0)"));

    cArchiveJob().Run();
    ASSERT_EQ(WhereNode(11), QStringLiteral("archive"));
    cChannelStatJob().Run();
    cCategoryStatJob().Run();

    for (const auto& row : cases) {
        const QString counts = QString::fromUtf8(Database.QueryText(
            QStringLiteral("select ifnull((select Total || '/' || Unread || '/' || New from "
                           "CategoryStat where CategoryId = %1), 'none')")
                .arg(row.category)));
        EXPECT_EQ(counts, QString::fromLatin1(row.countsAfter)) << row.category;
    }
}

// A channel is archived at most once a day; one that is not due changes
// nothing, in either file.
TEST_F(Archiving, AChannelIsChosenWhenNeverArchivedOrArchivedMoreThanADayAgo) {
    const struct {
        QString lastArchive;
        bool chosen;
    } cases[] = {
        {HoursAgo(23), false},
        {HoursAgo(25), true},
        {QStringLiteral("null"), true},
        {QStringLiteral("''"), true},
    };
    for (const auto& row : cases) {
        EmptyMain();
        EmptyArchive();
        AddChannel(1, row.lastArchive);
        AddNode(10, 1, 41, true, false, false);
        AddNode(11, 1, 41, true, true, true);
        AddEnclosure(11);
        const QString before = LastArchiveTime(1);

        cArchiveJob().Run();

        EXPECT_EQ(IsArchived(10), row.chosen) << row.lastArchive.toStdString();
        EXPECT_EQ(WhereNode(11), row.chosen ? QStringLiteral("archive") : QStringLiteral("main"))
            << row.lastArchive.toStdString();
        if (row.chosen) {
            EXPECT_TRUE(ArchivedJustNow(1)) << row.lastArchive.toStdString();
        } else {
            EXPECT_EQ(LastArchiveTime(1), before);
            EXPECT_EQ(Count(QStringLiteral("select count(*) from Node2Enclosure")), 1);
            EXPECT_EQ(Count(QStringLiteral("select count(*) from Enclosure")), 1);
            for (const char* table : ArchiveTables)
                EXPECT_EQ(ArchiveCount(table), 0) << table;
        }
    }
}

TEST_F(Archiving, TheChannelRowIsCopiedOnItsFirstArchivingOnly) {
    AddChannel(1, QStringLiteral("null"), QStringLiteral("first"));
    cArchiveJob().Run();
    ASSERT_TRUE(ArchivedJustNow(1));

    Database.Execute(QStringLiteral("update Channel set Title = 'second', LastArchiveTime_UTC = ") +
                     HoursAgo(25));
    AddNode(10, 1, 41, true, false, true);
    cArchiveJob().Run();

    EXPECT_EQ(WhereNode(10), QStringLiteral("archive")) << "the second run went through";
    EXPECT_TRUE(ArchivedJustNow(1));
    EXPECT_EQ(ArchiveCount("Channel"), 1);
    EXPECT_EQ(QString::fromUtf8(Archive.QueryText(QStringLiteral("select Title from Channel"))),
              QStringLiteral("first"));
}

// A run that ends after a copy and before its delete leaves the rows in both
// files; the channel's next run finishes the move.
TEST_F(Archiving, ARunEndedBetweenACopyAndItsDeleteIsFinishedByTheNextRun) {
    const struct {
        const char* refusedDelete;
        const char* node;
        const char* enclosure;
    } cases[] = {
        // Enclosure data copied, not deleted.
        {"Enclosure", "main", "both"},
        // Everything copied, the node not deleted.
        {"Node", "both", "archive"},
    };
    for (const auto& row : cases) {
        const QString table = QString::fromLatin1(row.refusedDelete);
        EmptyMain();
        EmptyArchive();
        AddChannel(1, QStringLiteral("null"));
        AddNode(10, 1, 41, true, false, true);
        AddEnclosure(10);
        Database.Execute(QStringLiteral("create trigger Refuse before delete on %1 begin select "
                                        "raise(abort, 'interrupted'); end")
                             .arg(table));

        cArchiveJob().Run();

        EXPECT_EQ(WhereNode(10), QString::fromLatin1(row.node)) << row.refusedDelete;
        EXPECT_EQ(Where("Enclosure", QStringLiteral("ID = 1010")),
                  QString::fromLatin1(row.enclosure))
            << row.refusedDelete;
        EXPECT_EQ(Where("Node2Enclosure", QStringLiteral("NodeID = 10")),
                  QString::fromLatin1(row.enclosure))
            << row.refusedDelete;
        EXPECT_EQ(LastArchiveTime(1), QStringLiteral("null")) << row.refusedDelete << ": still due";

        Database.Execute(QStringLiteral("drop trigger Refuse"));
        cArchiveJob().Run();

        EXPECT_TRUE(ArchivedJustNow(1)) << row.refusedDelete;
        EXPECT_EQ(WhereNode(10), QStringLiteral("archive")) << row.refusedDelete;
        EXPECT_EQ(Where("Enclosure", QStringLiteral("ID = 1010")), QStringLiteral("archive"))
            << row.refusedDelete;
        EXPECT_EQ(Where("Node2Enclosure", QStringLiteral("NodeID = 10")), QStringLiteral("archive"))
            << row.refusedDelete;
        for (const char* archived : {"Node", "Enclosure", "Node2Enclosure"})
            EXPECT_EQ(ArchiveCount(archived), 1)
                << row.refusedDelete << ": " << archived << " copied once";
    }
}

// Another writer may purge a node between a copy and its delete, so the copy
// missed it: the archive's triggers stand in by silently skipping a table's
// copy. Nothing the archive lacks leaves the main file.
TEST_F(Archiving, ARowTheArchiveDidNotTakeStaysInTheMainFileForTheNextRun) {
    const struct {
        const char* skippedCopy;
        const char* node;
        const char* enclosure;
        const char* link;
    } cases[] = {
        {"Node", "main", "archive", "archive"},
        {"Enclosure", "both", "main", "both"},
        {"Node2Enclosure", "both", "archive", "main"},
    };
    for (const auto& row : cases) {
        EmptyMain();
        EmptyArchive();
        AddChannel(1, QStringLiteral("null"));
        AddNode(10, 1, 41, true, false, true);
        AddEnclosure(10);
        Archive.Execute(QStringLiteral("create trigger Skip before insert on %1 begin select "
                                       "raise(ignore); end")
                            .arg(QString::fromLatin1(row.skippedCopy)));

        cArchiveJob().Run();

        EXPECT_EQ(WhereNode(10), QString::fromLatin1(row.node)) << row.skippedCopy;
        EXPECT_EQ(Where("Enclosure", QStringLiteral("ID = 1010")),
                  QString::fromLatin1(row.enclosure))
            << row.skippedCopy;
        EXPECT_EQ(Where("Node2Enclosure", QStringLiteral("NodeID = 10")),
                  QString::fromLatin1(row.link))
            << row.skippedCopy;

        Archive.Execute(QStringLiteral("drop trigger Skip"));
        Database.Execute(QStringLiteral("update Channel set LastArchiveTime_UTC = null"));
        cArchiveJob().Run();

        EXPECT_EQ(WhereNode(10), QStringLiteral("archive")) << row.skippedCopy;
        EXPECT_EQ(Where("Enclosure", QStringLiteral("ID = 1010")), QStringLiteral("archive"))
            << row.skippedCopy;
        EXPECT_EQ(Where("Node2Enclosure", QStringLiteral("NodeID = 10")), QStringLiteral("archive"))
            << row.skippedCopy;
    }
}

// Without its archive file the run stops after the marking: the file is not
// made empty behind the user's back, nothing leaves the main file, the
// channel stays due and the fault is recorded for the front ends.
TEST_F(Archiving, AMissingArchiveFileIsNotCreatedAndNothingLeavesTheMainFile) {
    AddChannel(1, QStringLiteral("null"));
    AddNode(10, 1, 41, true, false, true);
    AddEnclosure(10);
    const QString path = GetConfig().ArchiveDatabasePath();
    Archive.Connection().Close();
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(path + suffix);
    const uint64_t faultsBefore = LastDatabaseFault().Serial;

    cArchiveJob().Run();

    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_GT(LastDatabaseFault().Serial, faultsBefore);
    EXPECT_TRUE(IsArchived(10));
    EXPECT_EQ(Count(QStringLiteral("select count(*) from Node2Enclosure where NodeID = 10")), 1);
    EXPECT_EQ(Count(QStringLiteral("select count(*) from Enclosure where ID = 1010")), 1);
    EXPECT_EQ(LastArchiveTime(1), QStringLiteral("null"));
    CreateArchiveDatabase(path);
}
