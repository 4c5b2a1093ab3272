#include "storage/uSQLDataTabRec.h"

#include "storage/uSchema.h"
#include "storage/uStorageLog.h"

#include <QRegularExpression>

#include <algorithm>
#include <mutex>

// cSQLRecord

bool cSQLRecord::LoadFromRow() {
    RecordStatus = rsClean;
    return true;
}

void cSQLRecord::MarkDeleted() {
    RecordStatus = rsDeleted;
}

void cSQLRecord::Recycle() {
    RecordStatus = rsPooled;
    ModifiedFields.reset();
    Owner = nullptr;
}

void cSQLRecord::Attach(cSQLTable* owner) {
    RecordStatus = rsClean;
    ModifiedFields.reset();
    Owner = owner;
}

void cSQLRecord::MarkModified() {
    switch (RecordStatus) {
    case rsClean:
        RecordStatus = rsModified;
        break;
    case rsModified:
    case rsDeleted:
    case rsNew:
        break;
    default:
        throw EVelmoraError(QStringLiteral("Bad Record Status"));
    }
}

void cSQLRecord::MarkField(int column) {
    ModifiedFields.set(static_cast<size_t>(column));
}

int64_t cSQLRecord::ReadInt64(int column) const {
    return Owner->Database().Connection().ColumnInt64(column);
}

int32_t cSQLRecord::ReadInt(int column) const {
    return Owner->Database().Connection().ColumnInt(column);
}

QString cSQLRecord::ReadText(int column) const {
    return Owner->Database().Connection().ColumnText(column);
}

uint8_t cSQLRecord::ReadByte(int column) const {
    return static_cast<uint8_t>(ReadInt(column));
}

bool cSQLRecord::ReadFlag(int column) const {
    // Any value but zero is true, however wide.
    return ReadInt64(column) != 0;
}

// cSQLRecordList

void cSQLRecordList::Add(cSQLRecord* record) {
    if (FItems.capacity() == 0)
        FItems.reserve(InitialRoom);
    FItems.push_back(record);
}

void cSQLRecordList::Delete(int index) {
    FItems.erase(FItems.begin() + index);
}

void cSQLRecordList::Clear() {
    FItems.clear();
    FItems.shrink_to_fit();
}

// cSQLTable

cSQLTable::cSQLTable(cSQLDatabase& database, const cRecordClass& recordClass)
    : FDatabase(&database), FRecordClass(recordClass) {
    FDatabase->RegisterTable(this);
}

cSQLTable::~cSQLTable() {
    Clear();
    if (FDatabase)
        FDatabase->UnregisterTable(this);
}

void cSQLTable::Flush(QStringList& statements) {
    for (int index = 0; index < Count(); ++index) {
        cSQLRecord* record = Item(index);
        switch (record->RecordStatus) {
        case cSQLRecord::rsClean:
            continue;
        case cSQLRecord::rsModified:
            record->WriteUpdate(statements);
            break;
        case cSQLRecord::rsDeleted:
            record->WriteDelete(statements);
            break;
        case cSQLRecord::rsNew:
            record->WriteInsert(statements);
            break;
        default:
            throw EVelmoraError(QStringLiteral("bad record status"));
        }
        record->RecordStatus = cSQLRecord::rsClean;
    }
}

void cSQLTable::Query(const QString& text) {
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n|\u2028"));
    FQueryText = text.split(lineBreak);
    Clear();
    TSQLLiteImp& connection = FDatabase->Connection();
    connection.PrepareQuery(FQueryText);
    try {
        while (!connection.Eof()) {
            NewRecord()->LoadFromRow();
            connection.Step();
        }
    } catch (...) {
        connection.CloseQuery();
        throw;
    }
    connection.CloseQuery();
}

cSQLRecord* cSQLTable::NewRecord() {
    std::unique_ptr<cSQLRecord> record = GetObjectPool().TryTake(FRecordClass);
    if (!record)
        record = FRecordClass.Create();
    record->Attach(this);
    cSQLRecord* added = record.release();
    FRecords.Add(added);
    added->RecordStatus = cSQLRecord::rsNew;
    return added;
}

void cSQLTable::Clear() {
    for (int index = Count() - 1; index >= 0; --index)
        RecycleAt(index);
    FRecords.Clear();
}

void cSQLTable::RecycleAt(int index) {
    std::unique_ptr<cSQLRecord> record(Item(index));
    FRecords.Delete(index);
    record->Recycle();
    GetObjectPool().Give(std::move(record));
}

std::unique_ptr<cSQLTableIterator> cSQLTable::CreateIterator() {
    return std::make_unique<cSQLTableIterator>(*this);
}

// cSQLTableIterator

cSQLRecord* cSQLTableIterator::First() {
    FPosition = 0;
    return Current();
}

cSQLRecord* cSQLTableIterator::Next() {
    ++FPosition;
    return Current();
}

cSQLRecord* cSQLTableIterator::Current() const {
    return AtEnd() ? nullptr : FTable.Item(FPosition);
}

bool cSQLTableIterator::AtEnd() const {
    return FPosition < 0 || FPosition >= FTable.Count();
}

// cSQLDatabase

cSQLDatabase::cSQLDatabase() = default;

cSQLDatabase::~cSQLDatabase() {
    // A transaction left open is discarded before the next writer's turn.
    if (FConnection.InTransaction()) {
        try {
            Rollback();
        } catch (const EVelmoraError& error) {
            // Closing the connection discards it as well.
            qCDebug(StorageLog) << "rollback on close failed:" << error.Message();
        }
    }
    EndWriterTurn();
    // Tables still registered belong to their creators; they only lose their
    // records (to the pool) and their link to this database.
    for (cSQLTable* table : FTables) {
        table->Clear();
        table->FDatabase = nullptr;
    }
}

void cSQLDatabase::Open(const QString& path, cOpenMode mode) {
    FConnection.OpenFile(path, mode);
    if (mode == cOpenMode::Existing)
        BringSchemaUpToDate(*this, path);
}

void cSQLDatabase::MapFileIntoMemory() {
    Execute(QStringLiteral("PRAGMA mmap_size = 1073741824"));
}

void cSQLDatabase::Execute(const QString& statement) {
    FConnection.ExecuteBatch({statement});
}

namespace {

// The turn of the process's writers: one write transaction at a time.
// Turns last as long as a transaction, fsync included, so waiters block in
// the kernel and are woken at once rather than spin or poll for it.
std::recursive_mutex& WriterTurn() {
    static std::recursive_mutex turn;
    return turn;
}

} // namespace

void cSQLDatabase::BeginTransaction() {
    // A second begin on the same connection fails in SQLite; the turn taken
    // for the first stays with it.
    const bool takesTurn = !FHasWriterTurn;
    if (takesTurn) {
        WriterTurn().lock();
        FHasWriterTurn = true;
    }
    try {
        Execute(QStringLiteral("BEGIN IMMEDIATE TRANSACTION"));
    } catch (...) {
        if (takesTurn)
            EndWriterTurn();
        throw;
    }
}

void cSQLDatabase::Commit() {
    Execute(QStringLiteral("COMMIT"));
    EndWriterTurn();
}

void cSQLDatabase::Rollback() {
    try {
        Execute(QStringLiteral("ROLLBACK"));
    } catch (...) {
        EndWriterTurn();
        throw;
    }
    EndWriterTurn();
}

void cSQLDatabase::EndWriterTurn() {
    if (FHasWriterTurn) {
        FHasWriterTurn = false;
        WriterTurn().unlock();
    }
}

void cSQLDatabase::InTransaction(const std::function<void()>& work) {
    BeginTransaction();
    try {
        work();
        Commit();
    } catch (...) {
        if (FConnection.InTransaction()) {
            try {
                Rollback();
            } catch (const EVelmoraError& error) {
                // The original error is the one worth reporting.
                qCDebug(StorageLog) << "rollback failed:" << error.Message();
            }
        }
        // SQLite may have ended the transaction itself; the turn ends too.
        EndWriterTurn();
        throw;
    }
}

QStringList cSQLDatabase::FlushAll() {
    QStringList statements;
    for (cSQLTable* table : FTables)
        table->Flush(statements);
    return statements;
}

void cSQLDatabase::SaveAll() {
    FConnection.ExecuteBatch(FlushAll());
}

cUnsyncedCommits::cUnsyncedCommits(cSQLDatabase& database) : FDatabase(database) {
    FDatabase.Execute(QStringLiteral("PRAGMA synchronous = NORMAL"));
}

cUnsyncedCommits::~cUnsyncedCommits() {
    try {
        End();
    } catch (const EVelmoraError& error) {
        qCWarning(StorageLog) << "commits left unsynced:" << error.Message();
    }
}

void cUnsyncedCommits::End() {
    if (FEnded)
        return;
    FEnded = true;
    FDatabase.Execute(QStringLiteral("PRAGMA synchronous = FULL"));
}

void cSQLDatabase::ExecuteInTransaction(const QStringList& statements) {
    const cCompiledBatch batch = FConnection.CompileBatch(statements);
    InTransaction([&] { FConnection.RunBatch(batch); });
}

void cSQLDatabase::SaveAllInTransaction(const QStringList& alsoRun) {
    ExecuteInTransaction(FlushAll() + alsoRun);
}

bool cSQLDatabase::QueryFirstRow(const QString& query, const std::function<void()>& read) {
    FConnection.PrepareQuery({query});
    try {
        const bool found = !FConnection.Eof();
        if (found)
            read();
        FConnection.CloseQuery();
        return found;
    } catch (...) {
        FConnection.CloseQuery();
        throw;
    }
}

void cSQLDatabase::RequireRow(bool found) {
    if (!found)
        throw EVelmoraError(QStringLiteral("Query empty"));
}

bool cSQLDatabase::TryQueryInt64(const QString& query, int64_t& value) {
    return QueryFirstRow(query, [&] { value = FConnection.ColumnInt64(0); });
}

int64_t cSQLDatabase::OtherConnectionsVersion() {
    return QueryInt64(QStringLiteral("PRAGMA data_version"));
}

int64_t cSQLDatabase::QueryInt64(const QString& query) {
    int64_t value = 0;
    RequireRow(TryQueryInt64(query, value));
    return value;
}

int32_t cSQLDatabase::QueryInt(const QString& query) {
    int32_t value = 0;
    RequireRow(QueryFirstRow(query, [&] { value = FConnection.ColumnInt(0); }));
    return value;
}

QByteArray cSQLDatabase::QueryText(const QString& query) {
    QByteArray value;
    RequireRow(QueryFirstRow(query, [&] { value = FConnection.ColumnAnsiText(0); }));
    return value;
}

void cSQLDatabase::RegisterTable(cSQLTable* table) {
    FTables.push_back(table);
}

void cSQLDatabase::UnregisterTable(cSQLTable* table) {
    FTables.erase(std::remove(FTables.begin(), FTables.end(), table), FTables.end());
}
