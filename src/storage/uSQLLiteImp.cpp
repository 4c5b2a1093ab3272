#include "storage/uSQLLiteImp.h"

#include "storage/uStorageLog.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

namespace {

constexpr int ResultBusy = 5;
constexpr int ResultLocked = 6;
constexpr int ResultRow = 100;
constexpr int ResultDone = 101;
constexpr int ResultIoBlocked = 2826;
constexpr auto RetryPause = std::chrono::milliseconds(100);

bool IsBusyOrLocked(int result) {
    return result == ResultBusy || result == ResultLocked;
}

// Process-wide settings, taken before the library's first use. Without
// memory statistics SQLite's allocator needs no global mutex: with it, every
// allocation of every connection queued on one lock, and a worker opening
// its connection waited for the writer's statements.
bool ConfigureLibrary() {
    return sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
}

// A connection closing on a WAL file briefly holds the file's pending lock
// while it checks whether it is the last one; a connection reading its
// schema at that moment would be refused and wait a whole busy retry. Within
// the process, opening (up to the first read) and closing take turns.
std::mutex& OpenAndCloseTurn() {
    static std::mutex turn;
    return turn;
}

// SQLite works in UTF-8: converting the text here spares it a conversion.
// The length given counts the terminator, which lets SQLite skip a copy.
int PrepareUtf8(sqlite3* connection, const QByteArray& text, sqlite3_stmt** statement) {
    return sqlite3_prepare_v2(connection, text.constData(), static_cast<int>(text.size()) + 1,
                              statement, nullptr);
}

const char16_t* Utf16(const QString& text) {
    return reinterpret_cast<const char16_t*>(text.utf16());
}

} // namespace

void cStatementFinalizer::operator()(sqlite3_stmt* statement) const {
    sqlite3_finalize(statement);
}

TSQLLiteImp::~TSQLLiteImp() {
    try {
        Close();
    } catch (const ESQLiteException& error) {
        qCWarning(StorageLog) << error.Message();
        // Closed as soon as the statements still open are finalized.
        sqlite3_close_v2(FConnection);
        FConnection = nullptr;
    }
}

void TSQLLiteImp::Close() {
    CloseQuery();
    if (!FConnection)
        return;
    std::lock_guard<std::mutex> turn(OpenAndCloseTurn());
    if (sqlite3_close(FConnection) != SQLITE_OK)
        RaiseError("Failed to close database", QString());
    FConnection = nullptr;
}

void TSQLLiteImp::OpenFile(const QString& path) {
    [[maybe_unused]] static const bool configured = ConfigureLibrary();
    std::lock_guard<std::mutex> turn(OpenAndCloseTurn());
    const int result = sqlite3_open16(Utf16(path), &FConnection);
    if (result != SQLITE_OK) {
        if (!FConnection)
            throw ESQLiteException(
                QStringLiteral("Failed to open database \"%1\" : unknown error").arg(path));
        throw ESQLiteException(QStringLiteral("Failed to open database \"%1\" : %2")
                                   .arg(path, QString::fromUtf8(sqlite3_errmsg(FConnection))));
    }
    sqlite3_extended_result_codes(FConnection, 1);
    ExecuteBatch({QStringLiteral("PRAGMA cache_size = 4000;")});
    ExecuteBatch({QStringLiteral("PRAGMA locking_mode = NORMAL;")});
    ExecuteBatch({QStringLiteral("PRAGMA SYNCHRONOUS=FULL;")});
    ExecuteBatch({QStringLiteral("PRAGMA temp_store = MEMORY;")});
}

void TSQLLiteImp::ExecuteBatch(const QStringList& lines) {
    for (const QString& line : lines)
        ExecuteLine(line);
}

void TSQLLiteImp::ExecuteLine(const QString& line) {
    int retries = 0;
    const cCompiledStatement statement = Compile(line, retries);
    Run(statement.get(), line, retries);
}

cCompiledBatch TSQLLiteImp::CompileBatch(const QStringList& lines) {
    cCompiledBatch batch;
    batch.FLines = lines;
    const qsizetype ahead = std::min<qsizetype>(lines.size(), cCompiledBatch::MaxCompiledAhead);
    batch.FStatements.reserve(ahead);
    for (qsizetype i = 0; i < ahead; ++i) {
        int retries = 0;
        batch.FStatements.push_back(Compile(lines[i], retries));
    }
    return batch;
}

void TSQLLiteImp::RunBatch(const cCompiledBatch& batch) {
    for (qsizetype i = 0; i < batch.FLines.size(); ++i) {
        if (i >= static_cast<qsizetype>(batch.FStatements.size())) {
            ExecuteLine(batch.FLines[i]);
            continue;
        }
        int retries = 0;
        Run(batch.FStatements[i].get(), batch.FLines[i], retries);
    }
}

cCompiledStatement TSQLLiteImp::Compile(const QString& line, int& retries) {
    sqlite3_stmt* statement = nullptr;
    for (;;) {
        const int result = PrepareUtf8(FConnection, line.toUtf8(), &statement);
        if (result == SQLITE_OK)
            break;
        if (IsBusyOrLocked(result) || result == ResultIoBlocked) {
            WaitBeforeRetry(retries, "Error executing SQL", line);
            continue;
        }
        RaiseError("Error executing SQL", line);
    }
    if (!statement)
        RaiseError("Could not prepare SQL statement", line);
    return cCompiledStatement(statement);
}

void TSQLLiteImp::Run(sqlite3_stmt* statement, const QString& line, int& retries) {
    for (;;) {
        const int result = sqlite3_step(statement);
        if (result == ResultDone)
            return;
        if (result == ResultRow)
            continue;
        if (IsBusyOrLocked(result)) {
            sqlite3_reset(statement);
            WaitBeforeRetry(retries, "Error executing SQL statement", line);
            continue;
        }
        RaiseErrorWithCode("Error executing SQL statement", line, result);
    }
}

void TSQLLiteImp::WaitBeforeRetry(int& retries, const char* message,
                                  const QString& statement) const {
    if (InTransaction() && ++retries > TransactionBusyRetryLimit)
        RaiseError(message, statement);
    std::this_thread::sleep_for(RetryPause);
}

void TSQLLiteImp::PrepareQuery(const QStringList& lines) {
    // A query that ended in an error is still open here: its statement goes.
    CloseQuery();
    FQueryText = lines;
    FEof = false;
    const QString first = lines.value(0);
    sqlite3_stmt* statement = nullptr;
    const int result = PrepareUtf8(FConnection, first.toUtf8(), &statement);
    FStatement.reset(statement);
    if (result != SQLITE_OK)
        RaiseError("Error executing SQL", first);
    if (!FStatement)
        RaiseError("Could not prepare SQL statement", first);
    Step();
}

void TSQLLiteImp::Step() {
    if (FEof)
        RaiseError("EOF reached", QueryTextForMessages());
    int retries = 0;
    for (;;) {
        const int result = sqlite3_step(FStatement.get());
        if (result == ResultRow)
            return;
        if (result == ResultDone) {
            FEof = true;
            return;
        }
        if (IsBusyOrLocked(result)) {
            WaitBeforeRetry(retries, "OCCUPIED", QueryTextForMessages());
            continue;
        }
        RaiseError("OCCUPIED", QueryTextForMessages());
    }
}

void TSQLLiteImp::CloseQuery() {
    FStatement.reset();
    FEof = true;
}

QString TSQLLiteImp::QueryTextForMessages() const {
    QString text;
    for (const QString& line : FQueryText)
        text += line + QStringLiteral("\r\n");
    return text;
}

int64_t TSQLLiteImp::ColumnInt64(int column) const {
    return sqlite3_column_int64(FStatement.get(), column);
}

int32_t TSQLLiteImp::ColumnInt(int column) const {
    return sqlite3_column_int(FStatement.get(), column);
}

QString TSQLLiteImp::ColumnText(int column) const {
    const void* text = sqlite3_column_text16(FStatement.get(), column);
    if (!text)
        return {};
    const int bytes = sqlite3_column_bytes16(FStatement.get(), column);
    return QString(reinterpret_cast<const QChar*>(text), bytes / 2);
}

QByteArray TSQLLiteImp::ColumnAnsiText(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(FStatement.get(), column));
    if (!text)
        return {};
    return QByteArray(text, sqlite3_column_bytes(FStatement.get(), column));
}

int TSQLLiteImp::OpenStatementCount() const {
    int count = 0;
    if (!FConnection)
        return count;
    for (sqlite3_stmt* statement = sqlite3_next_stmt(FConnection, nullptr); statement;
         statement = sqlite3_next_stmt(FConnection, statement))
        ++count;
    return count;
}

bool TSQLLiteImp::InTransaction() const {
    return FConnection && sqlite3_get_autocommit(FConnection) == 0;
}

void TSQLLiteImp::RaiseError(const char* message, const QString& statement) const {
    const int code = FConnection ? sqlite3_errcode(FConnection) : 0;
    const QString sqliteText =
        code != 0 ? QString::fromUtf8(sqlite3_errmsg(FConnection)) : QStringLiteral("No message");
    throw ESQLiteException(QString::fromLatin1(message) +
                           QStringLiteral(" \"%1\" : %2").arg(statement, sqliteText));
}

void TSQLLiteImp::RaiseErrorWithCode(const char* message, const QString& statement,
                                     int code) const {
    if (!FConnection || sqlite3_errcode(FConnection) == 0)
        RaiseError(message, statement);
    throw ESQLiteException(
        QString::fromLatin1(message) +
        QStringLiteral(" %1 \"%2\" : %3")
            .arg(QString::number(code), statement, QString::fromUtf8(sqlite3_errmsg(FConnection))));
}
