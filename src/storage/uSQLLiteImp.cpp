#include "storage/uSQLLiteImp.h"

#include "storage/uSQLValue.h"
#include "storage/uStorageLog.h"

#include <QFileInfo>
#include <QScopeGuard>
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

// Connections report extended codes: a busy file during another process's
// recovery or snapshot answers SQLITE_BUSY_RECOVERY and the like, which
// wait like a plain SQLITE_BUSY.
bool IsBusyOrLocked(int result) {
    const int primary = result & 0xff;
    return primary == ResultBusy || primary == ResultLocked;
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

thread_local uint64_t StatementsCompiled = 0;

// SQLite works in UTF-8: converting the text here spares it a conversion.
// The length given counts the terminator, which lets SQLite skip a copy.
int PrepareUtf8(sqlite3* connection, const QByteArray& text, sqlite3_stmt** statement) {
    ++StatementsCompiled;
    return sqlite3_prepare_v2(connection, text.constData(), static_cast<int>(text.size()) + 1,
                              statement, nullptr);
}

// Errors of the file itself rather than of a statement or of a lock:
// waiting or trying again does not help, and the user has to be told.
bool IsFaultCode(int extendedCode) {
    // A lock wait reported as an I/O error; it is retried like a busy one.
    if (extendedCode == ResultIoBlocked)
        return false;
    switch (extendedCode & 0xff) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_FULL:
    case SQLITE_IOERR:
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
        return true;
    default:
        return false;
    }
}

// What is wrong with the file, in words a user can act on. SQLite's own
// text follows in the message; it does not say which file, nor why a file
// cannot be opened.
QString PlainProblem(int extendedCode, const QString& path, int systemError) {
    const QString system = systemError != 0 ? qt_error_string(systemError) : QString();
    const auto withSystem = [&](const QString& text) {
        return system.isEmpty() ? text : text + QStringLiteral(" (") + system + u')';
    };
    switch (extendedCode & 0xff) {
    case SQLITE_CORRUPT:
        return QStringLiteral("the file is damaged");
    case SQLITE_NOTADB:
        return QStringLiteral("the file is not a database, or its first page is damaged");
    case SQLITE_FULL:
        return QStringLiteral("the disk is full, or the file has reached its size limit");
    case SQLITE_IOERR:
        switch (extendedCode) {
        case SQLITE_IOERR_READ:
        case SQLITE_IOERR_SHORT_READ:
            return withSystem(
                QStringLiteral("the file could not be read; the disk may be failing"));
        case SQLITE_IOERR_WRITE:
        case SQLITE_IOERR_FSYNC:
        case SQLITE_IOERR_DIR_FSYNC:
        case SQLITE_IOERR_TRUNCATE:
        case SQLITE_IOERR_SHMSIZE:
            return withSystem(
                QStringLiteral("the file could not be written; the disk may be full or failing"));
        default:
            return withSystem(QStringLiteral(
                "the file could not be read or written; the disk may be full or failing"));
        }
    default:
        break;
    }
    // Read-only, not opened, not permitted: the folder and the file tell why.
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("its folder \"%1\" does not exist").arg(folder.filePath());
    if (!file.exists())
        return QStringLiteral("the file does not exist (velmora-cli init creates it)");
    if (!folder.isWritable())
        return QStringLiteral("its folder \"%1\" is read-only, and the database keeps its "
                              "journal files beside it")
            .arg(folder.filePath());
    if (!file.isWritable())
        return QStringLiteral("the file is read-only");
    if ((extendedCode & 0xff) == SQLITE_READONLY)
        return QStringLiteral("the database may not be written");
    return withSystem(QStringLiteral("the file cannot be opened"));
}

struct cFaultRecord {
    std::mutex Lock;
    cDatabaseFault Last;
};

cFaultRecord& Faults() {
    static cFaultRecord faults;
    return faults;
}

// Raises message; when code is a fault of the file, the message starts with
// a plain sentence naming the file, and the fault is recorded for the front
// ends.
[[noreturn]] void RaiseFor(const QString& path, const QString& message, int code,
                           const QString& problem) {
    if (!IsFaultCode(code))
        throw ESQLiteException(message, code);
    const QString summary = QStringLiteral("Database \"%1\": %2").arg(path, problem);
    const QString whole = summary + QStringLiteral(". ") + message;
    {
        cFaultRecord& faults = Faults();
        std::lock_guard<std::mutex> hold(faults.Lock);
        ++faults.Last.Serial;
        faults.Last.ExtendedCode = code;
        faults.Last.Message = whole;
        faults.Last.Summary = summary;
    }
    throw ESQLiteException(whole, code, summary);
}

} // namespace

ESQLiteException::ESQLiteException(const QString& message, int extendedCode, const QString& summary)
    : EVelmoraError(message), FExtendedCode(extendedCode), FSummary(summary) {}

bool ESQLiteException::IsDatabaseFault() const {
    return IsFaultCode(FExtendedCode);
}

bool IsDatabaseFault(const std::exception& error) {
    const auto* database = dynamic_cast<const ESQLiteException*>(&error);
    return database && database->IsDatabaseFault();
}

cDatabaseFault LastDatabaseFault() {
    cFaultRecord& faults = Faults();
    std::lock_guard<std::mutex> hold(faults.Lock);
    return faults.Last;
}

void RaiseDatabaseFaultSince(uint64_t serial) {
    const cDatabaseFault fault = LastDatabaseFault();
    if (fault.Serial != serial)
        throw ESQLiteException(fault.Message, fault.ExtendedCode, fault.Summary);
}

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

void TSQLLiteImp::OpenFile(const QString& path, cOpenMode mode) {
    [[maybe_unused]] static const bool configured = ConfigureLibrary();
    std::lock_guard<std::mutex> turn(OpenAndCloseTurn());
    FPath = path;
    FSchemaVersion = 0;
    // Opening never makes a file unless asked to: an empty file made by a
    // read would pass for the database at the next start.
    const int flags = SQLITE_OPEN_READWRITE | (mode == cOpenMode::Create ? SQLITE_OPEN_CREATE : 0);
    sqlite3* connection = nullptr;
    const int result = sqlite3_open_v2(path.toUtf8().constData(), &connection, flags, nullptr);
    if (result != SQLITE_OK) {
        if (!connection)
            throw ESQLiteException(
                QStringLiteral("Failed to open database \"%1\" : unknown error").arg(path), result);
        const int code = sqlite3_extended_errcode(connection);
        const int systemError = sqlite3_system_errno(connection);
        const QString message = QStringLiteral("Failed to open database \"%1\" : %2")
                                    .arg(path, QString::fromUtf8(sqlite3_errmsg(connection)));
        sqlite3_close(connection);
        RaiseFor(path, message, code, PlainProblem(code, path, systemError));
    }
    FConnection = connection;
    sqlite3_extended_result_codes(FConnection, 1);
    // The first statement reads the file: a file that is not a database,
    // or whose folder takes no journal files, fails here, and is reported
    // as failing to open rather than as a failed setting.
    FOpening = true;
    try {
        ExecuteBatch({QStringLiteral("PRAGMA cache_size = 4000;")});
        ExecuteBatch({QStringLiteral("PRAGMA locking_mode = NORMAL;")});
        ExecuteBatch({QStringLiteral("PRAGMA SYNCHRONOUS=FULL;")});
        ExecuteBatch({QStringLiteral("PRAGMA temp_store = MEMORY;")});
        // Checkpoints every 4000 pages of log instead of 1000: a page that
        // many commits change (index pages, the counters) is copied into the
        // file once per checkpoint, so a refresh of every feed writes a
        // third fewer pages (measured: 3.0 s down to 2.6 s for 1000 feeds).
        // The log file goes when the last connection closes.
        ExecuteBatch({QStringLiteral("PRAGMA wal_autocheckpoint = 4000;")});
        if (mode == cOpenMode::Existing)
            RequireTables();
    } catch (...) {
        FOpening = false;
        throw;
    }
    FOpening = false;
}

void TSQLLiteImp::RequireTables() {
    // The layout version is read here too, under the open turn, where a
    // closing connection cannot make the read sleep out a busy retry.
    PrepareQuery(
        {QStringLiteral("select (select count(*) from sqlite_master), (select user_version from "
                        "pragma_user_version)")});
    const bool empty = ColumnInt64(0) == 0;
    FSchemaVersion = ColumnInt(1);
    CloseQuery();
    if (empty)
        RaiseFor(FPath, QStringLiteral("Failed to open database \"%1\" : no tables").arg(FPath),
                 SQLITE_CANTOPEN,
                 QStringLiteral("the file holds no tables (velmora-cli init creates them)"));
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

void TSQLLiteImp::Attach(const QString& path, const QString& alias) {
    FAttaching = path;
    const auto attached = qScopeGuard([this] { FAttaching.clear(); });
    // SQLite opens an attached file at its first use: the schema is read at
    // once, so that a file that is no database is found here.
    ExecuteBatch(
        {QStringLiteral("attach ") % QuotedText(path) % QStringLiteral(" as ") % alias,
         QStringLiteral("select count(*) from ") % alias % QStringLiteral(".sqlite_master")});
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
    // A misuse, not a fault of the file: SQLite's last code is not its cause.
    if (FEof)
        Raise(ErrorText("EOF reached", QueryTextForMessages()), 0);
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

uint64_t StatementsCompiledByThisThread() {
    return StatementsCompiled;
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

QString TSQLLiteImp::ErrorText(const char* message, const QString& statement) const {
    const int code = FConnection ? sqlite3_errcode(FConnection) : 0;
    const QString sqliteText =
        code != 0 ? QString::fromUtf8(sqlite3_errmsg(FConnection)) : QStringLiteral("No message");
    return QString::fromLatin1(message) + QStringLiteral(" \"%1\" : %2").arg(statement, sqliteText);
}

void TSQLLiteImp::RaiseError(const char* message, const QString& statement) const {
    Raise(ErrorText(message, statement), FConnection ? sqlite3_extended_errcode(FConnection) : 0);
}

void TSQLLiteImp::RaiseErrorWithCode(const char* message, const QString& statement,
                                     int code) const {
    if (!FConnection || sqlite3_errcode(FConnection) == 0)
        RaiseError(message, statement);
    Raise(QString::fromLatin1(message) + QStringLiteral(" %1 \"%2\" : %3")
                                             .arg(QString::number(code), statement,
                                                  QString::fromUtf8(sqlite3_errmsg(FConnection))),
          sqlite3_extended_errcode(FConnection));
}

void TSQLLiteImp::Raise(const QString& message, int code) const {
    const int systemError = FConnection ? sqlite3_system_errno(FConnection) : 0;
    if (!FAttaching.isEmpty())
        RaiseFor(FAttaching, message, code, PlainProblem(code, FAttaching, systemError));
    const QString problem = PlainProblem(code, FPath, systemError);
    if (FOpening && IsFaultCode(code))
        RaiseFor(FPath,
                 QStringLiteral("Failed to open database \"%1\" : %2")
                     .arg(FPath, QString::fromUtf8(sqlite3_errmsg(FConnection))),
                 code, problem);
    RaiseFor(FPath, message, code, problem);
}
