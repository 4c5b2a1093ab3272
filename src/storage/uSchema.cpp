#include "storage/uSchema.h"

#include "storage/uConfig.h"
#include "storage/uSQLDataTabRec.h"
#include "storage/uSQLValue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

namespace {

// Columns shared by the main and the archive file, in stored order.
const QStringList SharedTables = {
    QStringLiteral(
        "create table Channel (ID integer primary key, Title text, IsoLanguageCode text, "
        "DefaultEnclosureStatus integer, ChannelURL text, Link text, Description text, "
        "PubDate_822 text, LastBuildDate_822 text, ImageURL text, LastUpdateTime_UTC text, "
        "Frequency text, LastArchiveTime_UTC text, IsLastUpdateOk integer, "
        "NextUpdateDateTime_UTC text)"),
    QStringLiteral(
        "create table Node (ID integer primary key, ParentChannelId integer, Title text, "
        "Description text, Link text, GUID text, PubDateTimeNode_822 text, "
        "IsoLanguageCode text, DateTimeLoad_UTC text, HasBeenRead integer, "
        "IsArchived integer, IsPurged integer, DateTimeNode_UTC text, IsDownloaded integer)"),
    QStringLiteral("create table Enclosure (ID integer primary key, Url text, Length text, "
                   "MediaType text, Status integer)"),
    QStringLiteral("create table Node2Enclosure (NodeID integer, EnclosureId integer)"),
    QStringLiteral("create index Node2EnclosureByNode on Node2Enclosure (NodeID, EnclosureId)"),
    QStringLiteral("create index Node2EnclosureByEnclosure on Node2Enclosure (EnclosureId)"),
    // A channel's nodes, with the states its counters are taken from.
    QStringLiteral("create index NodeByChannel on Node (ParentChannelId, IsArchived, "
                   "HasBeenRead, IsPurged)"),
};

// What the server of each feed said at its last fetch (version 1).
const QString ChannelFetchTable =
    QStringLiteral("create table ChannelFetch (ChannelId integer primary key, ETag text, "
                   "LastModified text, HttpStatus integer, FailureReason text)");

// The statements that take a main database from version N to N + 1.
const QStringList UpgradeSteps[CurrentSchemaVersion] = {
    {ChannelFetchTable},
};

QString VersionText(int version) {
    return QStringLiteral("PRAGMA user_version = ") + QString::number(version);
}

const QStringList MainOnlyTables = {
    ChannelFetchTable,
    QStringLiteral("create table Category (ID integer primary key, Libelle text)"),
    QStringLiteral("create table Node2Category (NodeID integer, CategoryId integer)"),
    QStringLiteral("create table Channel2Category (ChannelID integer, CategoryId integer)"),
    QStringLiteral("create table ChannelIcon (ChannelId integer primary key, IconFileName text, "
                   "IsLastIconUpdateOk integer, LastIconUpdate_UTC text)"),
    QStringLiteral("create table ChannelStat (ChannelId integer primary key, Total integer, "
                   "Unread integer, New integer, ComputedAt text, NeedRecalc integer)"),
    QStringLiteral("create table CategoryStat (CategoryId integer primary key, Total integer, "
                   "Unread integer, New integer, ComputedAt text, NeedRecalc integer)"),
    QStringLiteral("create table CategoryStatTemp (CategoryId integer, Total integer, "
                   "Unread integer, New integer, ComputedAt text, NeedRecalc integer)"),
    QStringLiteral("create table REFID (Session integer primary key autoincrement, "
                   "Reserved1 integer, Reserved2 integer)"),
    QStringLiteral("create table ActionLog (EntryNo integer primary key, Source text, "
                   "Action text, LoggedAt text, Detail text)"),
    QStringLiteral("create index CategoryByName on Category (Libelle)"),
    QStringLiteral("create index Node2CategoryByNode on Node2Category (NodeID, CategoryId)"),
    QStringLiteral("create index Node2CategoryByCategory on Node2Category (CategoryId)"),
    QStringLiteral(
        "create index Channel2CategoryByChannel on Channel2Category (ChannelID, CategoryId)"),
    QStringLiteral("create index Channel2CategoryByCategory on Channel2Category (CategoryId)"),
    QStringLiteral("create index NodeByDownloadState on Node (IsDownloaded)"),
    QStringLiteral("create index NodeByDate on Node (DateTimeNode_UTC)"),
    // The states of a node found through a link, without reading its row.
    QStringLiteral("create index NodeStates on Node (ID, IsArchived, HasBeenRead, IsPurged)"),
    // The recent list: unread, current nodes, newest first.
    QStringLiteral("create index NodeUnreadByDate on Node (HasBeenRead, IsArchived, IsPurged, "
                   "DateTimeNode_UTC)"),
    // Saved pages and requested enclosures are few: partial indexes keep
    // their lists from scanning every node.
    QStringLiteral("create index NodeWithPageByDate on Node (DateTimeNode_UTC) where "
                   "IsDownloaded <> 0"),
    QStringLiteral("create index EnclosureByStatus on Enclosure (Status)"),
    QStringLiteral("create index EnclosureRequested on Enclosure (ID) where Status <> 0"),
    // Lists sorted by title or by channel read their first rows off these
    // in order and stop at the row limit, instead of sorting every current
    // node (85 to 190 ms on 200000 nodes). No state column leads the title
    // index: statistics on IsArchived there led the planner to scan every
    // node for the short list of saved pages.
    QStringLiteral("create index NodeByTitle on Node (Title)"),
    // The recent list by title has no index of its own: one more index
    // keyed on a random text costs every stored item a page write (a refresh
    // of 1000 new feeds: 0.3 s of 2.9 s), and sorting its unread nodes
    // takes 25 ms with one node in ten unread.
    QStringLiteral("create index ChannelByTitle on Channel (Title)"),
    QStringLiteral("create index ChannelByNextUpdate on Channel (NextUpdateDateTime_UTC)"),
    // The statistics jobs start from the few flagged rows.
    QStringLiteral(
        "create index ChannelStatFlagged on ChannelStat (ChannelId) where NeedRecalc <> 0"),
    QStringLiteral(
        "create index CategoryStatFlagged on CategoryStat (CategoryId) where NeedRecalc <> 0"),
};

bool HoldsMainTables(cSQLDatabase& database) {
    return database.QueryInt(QStringLiteral(
               "select count(*) from sqlite_master where lower(name) = 'refid'")) > 0;
}

void CreateDatabase(const QString& path, const QStringList& statements) {
    cSQLDatabase database;
    database.Open(path, cOpenMode::Create);
    // Text is stored as UTF-8 (SQLite's UTF-16 open would make new files
    // UTF-16): feeds are mostly ASCII, so rows, index keys and every write
    // of a refresh are about half the size. It is fixed by the first write.
    database.Execute(QStringLiteral("PRAGMA encoding = 'UTF-8'"));
    database.Execute(QStringLiteral("PRAGMA journal_mode=WAL"));
    database.InTransaction([&] { database.Connection().ExecuteBatch(statements); });
}

const QString JournalSuffixes[] = {QStringLiteral("-wal"), QStringLiteral("-shm")};

void RemoveWithJournals(const QString& path) {
    QFile::remove(path);
    for (const QString& suffix : JournalSuffixes)
        QFile::remove(path + suffix);
}

// A file without tables is what an open that made the file left behind, or
// a creation cut short: it counts as missing. A damaged file raises and is
// left as it is.
bool HoldsTables(const QString& path) {
    const QFileInfo file(path);
    if (!file.exists())
        return false;
    if (file.size() == 0)
        return false;
    cSQLDatabase database;
    database.Open(path, cOpenMode::Create);
    return database.QueryInt64(QStringLiteral("select count(*) from sqlite_master")) > 0;
}

// The session of the highest identifier the archive holds; 0 without an
// archive.
int64_t LastArchivedSession(const QString& archivePath) {
    if (!HoldsTables(archivePath))
        return 0;
    cSQLDatabase archive;
    archive.Open(archivePath);
    return archive.QueryInt64(QStringLiteral(
               "select ifnull(max(ID), 0) from (select max(ID) as ID from Channel union all "
               "select max(ID) from Node union all select max(ID) from Enclosure)")) >>
           32;
}

// Identifiers are unique across both files: a main file made beside an
// archive that outlived its predecessor starts its sessions above the
// archive's, or its new rows would replace archived ones when they move.
void ContinueArchivedSessions(const QString& mainPath, int64_t lastArchivedSession) {
    if (lastArchivedSession == 0)
        return;
    cSQLDatabase main;
    main.Open(mainPath);
    main.ExecuteInTransaction({QStringLiteral("insert into REFID values(") %
                               NumberText(lastArchivedSession) % QStringLiteral(",1,1)")});
}

} // namespace

void BringSchemaUpToDate(cSQLDatabase& database, const QString& path) {
    const int found = database.Connection().SchemaVersionAtOpen();
    if (found == CurrentSchemaVersion)
        return;
    if (found > CurrentSchemaVersion) {
        const QString text = QStringLiteral("Database \"%1\": schema version %2 is newer than the "
                                            "%3 this program knows (the file was made by a newer "
                                            "Velmora); it was left as it is")
                                 .arg(path)
                                 .arg(found)
                                 .arg(CurrentSchemaVersion);
        throw ESQLiteException(text, SQLITE_CANTOPEN, text);
    }
    if (!HoldsMainTables(database))
        return;
    database.InTransaction([&] {
        // Another process may have upgraded the file since it was read.
        const int from = database.QueryInt(QStringLiteral("PRAGMA user_version"));
        if (from >= CurrentSchemaVersion)
            return;
        QStringList statements;
        for (int step = from; step < CurrentSchemaVersion; ++step)
            statements += UpgradeSteps[step];
        database.Connection().ExecuteBatch(statements << VersionText(CurrentSchemaVersion));
    });
}

void CreateMainDatabase(const QString& path) {
    CreateDatabase(path,
                   SharedTables + MainOnlyTables + QStringList{VersionText(CurrentSchemaVersion)});
}

void CreateArchiveDatabase(const QString& path) {
    CreateDatabase(path, SharedTables);
}

QStringList EnsureDataFiles() {
    const cConfig& config = GetConfig();
    QStringList created;
    for (const QString& folder :
         {config.RootFolder, config.DataFolder, config.CacheFolder, config.ImageCacheFolder}) {
        if (!QFileInfo::exists(folder)) {
            if (!QDir().mkpath(folder))
                throw EVelmoraError(QStringLiteral("Can't create folder \"%1\"").arg(folder));
            created << folder;
        }
    }
    const struct {
        QString path;
        void (*create)(const QString&);
    } files[] = {{config.MainDatabasePath(), CreateMainDatabase},
                 {config.ArchiveDatabasePath(), CreateArchiveDatabase}};
    for (const auto& file : files) {
        if (HoldsTables(file.path))
            continue;
        // Journal files left beside an empty file belong to no database the
        // new one could use.
        RemoveWithJournals(file.path);
        try {
            file.create(file.path);
            if (file.path == config.MainDatabasePath())
                ContinueArchivedSessions(file.path,
                                         LastArchivedSession(config.ArchiveDatabasePath()));
        } catch (...) {
            // A half-made file would pass for a good one at the next start.
            RemoveWithJournals(file.path);
            throw;
        }
        created << file.path;
    }
    return created;
}

void RenewPlannerStatistics(cSQLDatabase& database) {
    database.Execute(QStringLiteral("ANALYZE"));
}
