#pragma once

#include "storage/uObjectPool.h"
#include "storage/uSQLLiteImp.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class cSQLTable;

// One row as an object that writes itself back as SQL. Nothing is written
// when a field changes: the record remembers its state, and the next
// SaveAll of its database collects its statement.
class cSQLRecord {
public:
    enum : uint8_t { rsClean = 0, rsModified = 1, rsDeleted = 2, rsNew = 3, rsPooled = 4 };

    virtual ~cSQLRecord() = default;

    // Each appends the record's statement to the list of a flush.
    virtual bool WriteUpdate(QStringList& statements) = 0;
    virtual bool WriteDelete(QStringList& statements) = 0;
    virtual bool WriteInsert(QStringList& statements) = 0;

    // Reads the current row of the owner's connection; derived records read
    // their columns by position after this base step.
    virtual bool LoadFromRow();
    virtual void MarkDeleted();
    // Back to the initial state, ready for the pool.
    virtual void Recycle();
    // Joins a table, clean; records with their own identifier take one here.
    virtual void Attach(cSQLTable* owner);

    void MarkModified();
    void MarkField(int column);

    uint8_t RecordStatus = rsClean;
    cSQLTable* Owner = nullptr;
    std::bitset<256> ModifiedFields;

protected:
    int64_t ReadInt64(int column) const;
    int32_t ReadInt(int column) const;
    QString ReadText(int column) const;
    // Flag and status columns keep the low byte of the stored number.
    uint8_t ReadByte(int column) const;
    bool ReadFlag(int column) const;
};

// The records of a table, in load or creation order. It does not own them.
class cSQLRecordList {
public:
    void Add(cSQLRecord* record);
    void Delete(int index);
    void Clear();
    int Count() const { return static_cast<int>(FItems.size()); }
    cSQLRecord* Item(int index) const { return FItems[static_cast<size_t>(index)]; }

private:
    static constexpr size_t InitialRoom = 512;
    std::vector<cSQLRecord*> FItems;
};

class cSQLDatabase;
class cSQLTableIterator;

// The result of one query as record objects, plus the records created on it.
// Its records return to the record pool when it is cleared or destroyed.
class cSQLTable {
public:
    cSQLTable(cSQLDatabase& database, const cRecordClass& recordClass);
    virtual ~cSQLTable();
    cSQLTable(const cSQLTable&) = delete;
    cSQLTable& operator=(const cSQLTable&) = delete;

    // Appends the statements of the pending records and sets them clean.
    virtual void Flush(QStringList& statements);
    // Replaces the records by the rows of the first line of the text.
    virtual void Query(const QString& text);
    virtual cSQLRecord* NewRecord();

    int Count() const { return FRecords.Count(); }
    cSQLRecord* Item(int index) const { return FRecords.Item(index); }
    // Gives every record back to the pool.
    virtual void Clear();
    std::unique_ptr<cSQLTableIterator> CreateIterator();

    cSQLDatabase& Database() const { return *FDatabase; }
    const QStringList& QueryText() const { return FQueryText; }

protected:
    // The record at index as the record type the table was made for.
    template <class TRecord> TRecord* ItemAs(int index) const {
        return static_cast<TRecord*>(Item(index));
    }
    template <class TRecord> TRecord* NewRecordAs() { return static_cast<TRecord*>(NewRecord()); }

private:
    friend class cSQLDatabase;
    void RecycleAt(int index);

    cSQLDatabase* FDatabase;
    const cRecordClass& FRecordClass;
    cSQLRecordList FRecords;
    QStringList FQueryText;
};

// A cursor over a table's records; it reads the table live, so records
// appended while it walks are reached.
class cSQLTableIterator {
public:
    explicit cSQLTableIterator(cSQLTable& table) : FTable(table) {}

    cSQLRecord* First();
    cSQLRecord* Next();
    cSQLRecord* Current() const;
    bool AtEnd() const;

private:
    cSQLTable& FTable;
    int32_t FPosition = 0;
};

// One connection plus the tables that live on it. Used by the thread of its
// owner only.
class cSQLDatabase {
public:
    cSQLDatabase();
    ~cSQLDatabase();
    cSQLDatabase(const cSQLDatabase&) = delete;
    cSQLDatabase& operator=(const cSQLDatabase&) = delete;

    // An existing database with its tables, unless mode says to create it.
    void Open(const QString& path, cOpenMode mode = cOpenMode::Existing);
    // For a long-lived connection that reads the lists: the file is read
    // through a memory map, which spares a system call per page read (the
    // recent list sorted by title: 25 ms down to 16 ms on 200000 nodes).
    // The short-lived connections of jobs would map the file for nothing.
    void MapFileIntoMemory();
    void Execute(const QString& statement);

    // BeginTransaction takes the write lock at once, so that two
    // transactions can never each hold what the other waits for. Within the
    // process, writers also take turns through one lock held until Commit or
    // Rollback: a writer waits for the one before it without sleeping out
    // SQLite's busy retries, which remain for other processes.
    void BeginTransaction();
    void Commit();
    void Rollback();
    // Runs work between BeginTransaction and Commit; rolls back and rethrows
    // when anything raises. The one way the system brackets a save.
    void InTransaction(const std::function<void()>& work);

    // Writes every pending change of every live table, in the order the
    // tables were created, as one batch. Opens no transaction itself.
    void SaveAll();
    // Runs the statements in order in a transaction of their own, compiled
    // before the write turn is taken so that other writers wait only for
    // them to run; rolls back and rethrows when one fails.
    void ExecuteInTransaction(const QStringList& statements);
    // SaveAll that way: the way every save is made. Statements in alsoRun
    // run after the pending changes, in the same transaction.
    void SaveAllInTransaction(const QStringList& alsoRun = {});

    bool TryQueryInt64(const QString& query, int64_t& value);
    int64_t QueryInt64(const QString& query);
    int32_t QueryInt(const QString& query);
    QByteArray QueryText(const QString& query);

    // Changes whenever another connection has committed to the file since
    // the last call: a cheap look before a costlier query.
    int64_t OtherConnectionsVersion();

    TSQLLiteImp& Connection() { return FConnection; }

    void RegisterTable(cSQLTable* table);
    void UnregisterTable(cSQLTable* table);

private:
    // Runs a one-line query and hands its first row (if any) to read.
    bool QueryFirstRow(const QString& query, const std::function<void()>& read);
    void RequireRow(bool found);

    void EndWriterTurn();
    QStringList FlushAll();

    TSQLLiteImp FConnection;
    std::vector<cSQLTable*> FTables;
    bool FHasWriterTurn = false;
};

// While one lives, commits on its connection of a write-ahead-logged file
// are not synced: each reaches the log at once, so the program's crash
// loses none and the file stays consistent, and the disk with the next
// synced commit of any connection, or the next checkpoint. A power failure
// may take back the latest of them. For bookkeeping that the next run
// redoes (a refresh's attempt, a 304), never for what a feed or the user
// gave. Made and ended outside transactions.
class cUnsyncedCommits {
public:
    explicit cUnsyncedCommits(cSQLDatabase& database);
    ~cUnsyncedCommits();
    cUnsyncedCommits(const cUnsyncedCommits&) = delete;
    cUnsyncedCommits& operator=(const cUnsyncedCommits&) = delete;

    // Commits are synced again from now on.
    void End();

private:
    cSQLDatabase& FDatabase;
    bool FEnded = false;
};
