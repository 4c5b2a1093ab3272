#include "storage/uSchema.h"

#include "storage/uConfig.h"
#include "storage/uSQLDataTabRec.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QStringList ColumnsOf(cSQLDatabase& database, const QString& table) {
    QStringList columns;
    TSQLLiteImp& connection = database.Connection();
    connection.PrepareQuery({QStringLiteral("select name from pragma_table_info(%1)")
                                 .arg(QStringLiteral("'") + table + QStringLiteral("'"))});
    while (!connection.Eof()) {
        columns << connection.ColumnText(0);
        connection.Step();
    }
    connection.CloseQuery();
    return columns;
}

} // namespace

TEST(Schema, TheMainFileHoldsEveryTableWithColumnsInStoredOrder) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("main.dat"));
    CreateMainDatabase(path);
    cSQLDatabase database;
    database.Open(path);
    EXPECT_EQ(database.QueryText(QStringLiteral("PRAGMA journal_mode")), "wal");
    EXPECT_EQ(database.QueryText(QStringLiteral("PRAGMA encoding")), "UTF-8");
    EXPECT_EQ(ColumnsOf(database, QStringLiteral("Node")).join(QLatin1Char(',')),
              QStringLiteral("ID,ParentChannelId,Title,Description,Link,GUID,PubDateTimeNode_822,"
                             "IsoLanguageCode,DateTimeLoad_UTC,HasBeenRead,IsArchived,IsPurged,"
                             "DateTimeNode_UTC,IsDownloaded"));
    EXPECT_EQ(ColumnsOf(database, QStringLiteral("Channel")).size(), 15);
    const struct {
        const char* table;
        int columns;
    } tables[] = {{"Enclosure", 5},      {"Category", 2},         {"Node2Category", 2},
                  {"Node2Enclosure", 2}, {"Channel2Category", 2}, {"ChannelIcon", 4},
                  {"ChannelStat", 6},    {"CategoryStat", 6},     {"CategoryStatTemp", 6},
                  {"REFID", 3},          {"ActionLog", 5}};
    for (const auto& table : tables)
        EXPECT_EQ(ColumnsOf(database, QString::fromLatin1(table.table)).size(), table.columns)
            << table.table;
    database.Execute(QStringLiteral("insert into ActionLog values(null,'a','b','c','d')"));
    database.Execute(QStringLiteral("insert into ActionLog values(null,'a','b','c','d')"));
    EXPECT_EQ(database.QueryInt(QStringLiteral("select max(EntryNo) from ActionLog")), 2);
}

TEST(Schema, TheArchiveFileHoldsTheFourArchivedTables) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("arc.dat"));
    CreateArchiveDatabase(path);
    cSQLDatabase database;
    database.Open(path);
    EXPECT_EQ(database.QueryInt(
                  QStringLiteral("select count(*) from sqlite_master where type = 'table'")),
              4);
    EXPECT_EQ(ColumnsOf(database, QStringLiteral("Node")).size(), 14);
}

TEST(Schema, EnsureDataFilesCreatesNothingThatIsAlreadyThere) {
    // The test's home already holds the tree and both files.
    EXPECT_TRUE(EnsureDataFiles().isEmpty());
    QFile::remove(GetConfig().ArchiveDatabasePath());
    EXPECT_EQ(EnsureDataFiles(), QStringList{GetConfig().ArchiveDatabasePath()});
}
