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
// statement and SQLite's own text.
class ESQLiteException : public EVelmoraError {
public:
    using EVelmoraError::EVelmoraError;
};

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

    void OpenFile(const QString& path);
    // Ends the open query and closes the connection; raises when SQLite
    // refuses to close it (a statement left unfinalized).
    void Close();

    // Runs each line as one statement, in order; an error ends the batch.
    void ExecuteBatch(const QStringList& lines);

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

    sqlite3* FConnection = nullptr;
    cCompiledStatement FStatement;
    bool FEof = true;
    QStringList FQueryText;
};
