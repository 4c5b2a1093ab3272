#pragma once

#include "storage/uErrors.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// The one error type of the database layer. Its message quotes the failing
// statement and SQLite's own text. When the file itself is at fault, the
// message starts with a plain sentence naming the file and what is wrong.
class ESQLiteException : public EVelmoraError {
public:
    // extendedCode: SQLite's extended result code; 0 when SQLite gave none.
    explicit ESQLiteException(const QString& message, int extendedCode = 0,
                              const QString& summary = QString());

    // SQLite's primary result code (SQLITE_CORRUPT, SQLITE_FULL, ...).
    int Code() const { return FExtendedCode & 0xff; }
    int ExtendedCode() const { return FExtendedCode; }
    // The file is missing, damaged, full, unreadable or unwritable: trying
    // again does not help, and the user has to be told.
    bool IsDatabaseFault() const;
    // The plain sentence alone ("Database \"...\": the file is damaged");
    // empty unless IsDatabaseFault.
    QString Summary() const { return FSummary; }

private:
    int FExtendedCode;
    QString FSummary;
};

// True for an ESQLiteException whose file is at fault.
bool IsDatabaseFault(const std::exception& error);

// The last database fault raised in this process, by any connection of any
// thread, so that a front end learns of faults that were rolled back and
// swallowed on the way (a worker's job, a list's silent save). Serial counts
// the faults raised so far: 0 means none.
struct cDatabaseFault {
    uint64_t Serial = 0;
    int ExtendedCode = 0;
    QString Message;
    QString Summary;
};
cDatabaseFault LastDatabaseFault();
// Raises the last database fault again when one was raised since the one
// numbered serial: for work whose parts swallow their errors.
void RaiseDatabaseFaultSince(uint64_t serial);

// How a connection treats a file that is not there.
enum class cOpenMode {
    // The file must exist and hold tables: a missing file is an error, never
    // created by the open, and an empty one is refused.
    Existing,
    // A missing file is created empty: only database creation opens so.
    Create,
};

// Statements the calling thread has compiled so far, on any connection (the
// opening of a connection included): shows that some work of that thread
// asks nothing of the database.
uint64_t StatementsCompiledByThisThread();

// A compiled statement, finalized when released.
struct cStatementFinalizer {
    void operator()(sqlite3_stmt* statement) const;
};
using cCompiledStatement = std::unique_ptr<sqlite3_stmt, cStatementFinalizer>;

// Statements compiled before the transaction that runs them, so that other
// writers do not wait while they are compiled. Only the first
// MaxCompiledAhead are compiled ahead; the rest are compiled as they run,
// which bounds the memory a very long batch holds.
class cCompiledBatch {
public:
    static constexpr qsizetype MaxCompiledAhead = 512;

private:
    friend class TSQLLiteImp;
    QStringList FLines;
    std::vector<cCompiledStatement> FStatements;
};

// One open SQLite connection, used by one thread. Statements arrive as
// finished text; at most one query is open at a time. Another connection's
// lock is waited out in 100 ms steps.
class TSQLLiteImp {
public:
    TSQLLiteImp() = default;
    // Closes the connection; a failure to close is logged, and the
    // connection is then released as soon as SQLite allows.
    ~TSQLLiteImp();
    TSQLLiteImp(const TSQLLiteImp&) = delete;
    TSQLLiteImp& operator=(const TSQLLiteImp&) = delete;

    void OpenFile(const QString& path, cOpenMode mode = cOpenMode::Existing);
    // Ends the open query and closes the connection; raises when SQLite
    // refuses to close it (a statement left unfinalized).
    void Close();

    // Runs each line as one statement, in order; an error ends the batch.
    void ExecuteBatch(const QStringList& lines);
    // Attaches the existing database file at path as alias, until the
    // connection closes, and reads its schema. A fault found here (missing,
    // not a database, damaged at its start) names that file, not the
    // connection's own.
    void Attach(const QString& path, const QString& alias);

    // The same as ExecuteBatch, in two steps: compiling, then running.
    cCompiledBatch CompileBatch(const QStringList& lines);
    void RunBatch(const cCompiledBatch& batch);

    // Compiles the first line and moves to its first row (or to Eof).
    void PrepareQuery(const QStringList& lines);
    void Step();
    bool Eof() const { return FEof; }
    void CloseQuery();

    int64_t ColumnInt64(int column) const;
    int32_t ColumnInt(int column) const;
    QString ColumnText(int column) const;
    QByteArray ColumnAnsiText(int column) const;

    // The file's PRAGMA user_version as read when it was opened as an
    // existing database; 0 otherwise.
    int SchemaVersionAtOpen() const { return FSchemaVersion; }

    // Statements compiled on this connection and not yet finalized.
    int OpenStatementCount() const;

    // True while an explicit transaction is open on this connection.
    bool InTransaction() const;

    [[noreturn]] void RaiseError(const char* message, const QString& statement) const;
    [[noreturn]] void RaiseErrorWithCode(const char* message, const QString& statement,
                                         int code) const;

    // Busy retries allowed while a transaction is open: past them the
    // statement fails, so that the caller rolls back instead of waiting for
    // a transaction that may be waiting for it.
    static constexpr int TransactionBusyRetryLimit = 300;

private:
    void ExecuteLine(const QString& line);
    cCompiledStatement Compile(const QString& line, int& retries);
    void Run(sqlite3_stmt* statement, const QString& line, int& retries);
    void WaitBeforeRetry(int& retries, const char* message, const QString& statement) const;
    QString QueryTextForMessages() const;
    void RequireTables();
    QString ErrorText(const char* message, const QString& statement) const;
    // Raises the message, preceded by a plain sentence when code is a
    // fault of the file.
    [[noreturn]] void Raise(const QString& message, int code) const;

    sqlite3* FConnection = nullptr;
    QString FPath;
    // The file a fault names while another one is being attached.
    QString FAttaching;
    // Set while OpenFile reads the file for the first time.
    bool FOpening = false;
    int FSchemaVersion = 0;
    cCompiledStatement FStatement;
    bool FEof = true;
    QStringList FQueryText;
};
