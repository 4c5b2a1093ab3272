#pragma once

#include <QString>
#include <QStringList>

class cSQLDatabase;

// Creates the folder tree and the two database files with every table and
// index. The program itself expects them to exist; `velmora-cli init` and the
// tests make them here, in WAL journal mode.

// The layout of the main database, kept in its PRAGMA user_version: 0 for a
// file made before versions were kept, 1 with the ChannelFetch table. The
// archive file carries none: its tables are the main file's archived ones,
// column for column, so the main file's version speaks for both.
inline constexpr int CurrentSchemaVersion = 1;

// Brings the main database just opened on the connection to the current
// layout: an older file is upgraded in one transaction; a newer one is
// refused (raises) and left as it is. A file without the main tables (the
// archive) is left alone.
void BringSchemaUpToDate(cSQLDatabase& database, const QString& path);

void CreateMainDatabase(const QString& path);
void CreateArchiveDatabase(const QString& path);

// Creates whatever of the folder tree and the two databases of the
// configuration is missing, never touching what exists; a database file
// without tables counts as missing, a damaged one raises. Returns what it
// created, one entry per folder or file.
QStringList EnsureDataFiles();

// Renews the statistics SQLite's planner chooses indexes by, from every row:
// sampled statistics misjudge the node indexes badly enough to turn a 2 ms
// list into a 160 ms one.
void RenewPlannerStatistics(cSQLDatabase& database);
