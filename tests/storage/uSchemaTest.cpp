#include "storage/uSchema.h"

#include "storage/uConfig.h"
#include "storage/uRefId.h"
#include "storage/uSQLDataTabRec.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

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

namespace {

QByteArray Content(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Replace(const QString& path, const QByteArray& content) {
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(path + suffix);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

TEST(Schema, EnsureDataFilesMakesAgainAMainFileWithoutTablesAndLeavesADamagedOne) {
    const QString path = GetConfig().MainDatabasePath();
    QByteArray tableless;
    {
        QTemporaryDir folder;
        const QString other = folder.filePath(QStringLiteral("tableless.dat"));
        cSQLDatabase database;
        database.Open(other, cOpenMode::Create);
        database.Execute(QStringLiteral("PRAGMA user_version = 7"));
        tableless = Content(other);
    }
    ASSERT_FALSE(tableless.isEmpty());
    const struct {
        const char* name;
        QByteArray content;
    } missing[] = {{"empty", QByteArray()}, {"tableless", tableless}};
    for (const auto& row : missing) {
        SCOPED_TRACE(row.name);
        Replace(path, row.content);
        EXPECT_EQ(EnsureDataFiles(), QStringList{path});
        cSQLDatabase database;
        database.Open(path);
        EXPECT_EQ(database.QueryInt(QStringLiteral("select count(*) from Node")), 0);
        EXPECT_EQ(database.QueryText(QStringLiteral("PRAGMA journal_mode")), "wal");
    }

    QByteArray damaged = Content(path);
    damaged.replace(0, 100, QByteArray(100, 'x'));
    Replace(path, damaged);
    try {
        EnsureDataFiles();
        ADD_FAILURE() << "a damaged file passed";
    } catch (const ESQLiteException& error) {
        EXPECT_EQ(error.Code(), SQLITE_NOTADB) << error.Message().toStdString();
        EXPECT_TRUE(error.Message().startsWith(QStringLiteral("Database \"%1\": ").arg(path)));
    }
    EXPECT_EQ(Content(path), damaged) << "the damaged file was touched";

    // The rest of the process finds a good file again.
    Replace(path, QByteArray());
    EnsureDataFiles();
}

TEST(Schema, AMainFileMadeAgainBesideAnArchiveTakesSessionsAboveTheArchivedIdentifiers) {
    const QString path = GetConfig().MainDatabasePath();
    cSQLDatabase archive;
    archive.Open(GetConfig().ArchiveDatabasePath());
    archive.Execute(QStringLiteral("insert into Channel (ID) values((3 << 32) + 1)"));
    archive.Execute(QStringLiteral("insert into Node (ID) values((7 << 32) + 5)"));
    Replace(path, QByteArray());
    EXPECT_EQ(EnsureDataFiles(), QStringList{path});
    EXPECT_EQ(cRefId(path).Session(), 8);

    archive.Execute(QStringLiteral("delete from Channel"));
    archive.Execute(QStringLiteral("delete from Node"));
    Replace(path, QByteArray());
    EnsureDataFiles();
    EXPECT_EQ(cRefId(path).Session(), 1) << "an empty archive";
}

TEST(Schema, AnOlderMainFileIsUpgradedOnOpenWithItsRowsAndTheArchiveIsLeftAlone) {
    QTemporaryDir folder;
    const QString main = folder.filePath(QStringLiteral("main.dat"));
    const QString archive = folder.filePath(QStringLiteral("arc.dat"));
    CreateMainDatabase(main);
    CreateArchiveDatabase(archive);
    {
        // The layout of a file made before versions were kept.
        cSQLDatabase database;
        database.Open(main, cOpenMode::Create);
        database.Execute(QStringLiteral("drop table ChannelFetch"));
        database.Execute(QStringLiteral("PRAGMA user_version = 0"));
        database.Execute(QStringLiteral("insert into Channel (ID, Title, ChannelURL) "
                                        "values(7, 'Kept', 'http://127.0.0.1/f')"));
        database.Execute(QStringLiteral("insert into Node (ID, ParentChannelId, GUID, "
                                        "HasBeenRead) values(8, 7, 'g', -1)"));
    }
    const QByteArray archiveBefore = Content(archive);

    cSQLDatabase database;
    database.Open(main);
    EXPECT_EQ(database.QueryInt(QStringLiteral("PRAGMA user_version")), CurrentSchemaVersion);
    EXPECT_EQ(ColumnsOf(database, QStringLiteral("ChannelFetch")).join(QLatin1Char(',')),
              QStringLiteral("ChannelId,ETag,LastModified,HttpStatus,FailureReason"));
    EXPECT_EQ(database.QueryText(QStringLiteral("select c.Title || '|' || n.GUID || '|' || "
                                                "n.HasBeenRead from Channel c join Node n on "
                                                "n.ParentChannelId = c.ID")),
              "Kept|g|-1");
    database.Execute(QStringLiteral("insert into ChannelFetch values(7, 'e', '', 200, '')"));

    cSQLDatabase archived;
    archived.Open(archive);
    EXPECT_EQ(archived.QueryInt(QStringLiteral("PRAGMA user_version")), 0);
    EXPECT_EQ(archived.QueryInt(
                  QStringLiteral("select count(*) from sqlite_master where name = 'ChannelFetch'")),
              0);
    archived.Connection().Close();
    EXPECT_EQ(Content(archive), archiveBefore);
}
