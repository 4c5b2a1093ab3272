#include "storage/uSQLLiteImp.h"

#include "TestFiles.h"
#include "storage/uSQLDataTabRec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <atomic>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <thread>

namespace {

QString MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const ESQLiteException& error) {
        return error.Message();
    }
    return QStringLiteral("(no error)");
}

class SQLLiteImp : public testing::Test {
protected:
    void SetUp() override {
        Connection.OpenFile(File.Path());
        Connection.ExecuteBatch({QStringLiteral("create table T (A integer, B text)")});
    }
    int64_t CountOf(const QString& query) {
        Connection.PrepareQuery({query});
        const int64_t count = Connection.ColumnInt64(0);
        Connection.CloseQuery();
        return count;
    }

    cTempDatabase File;
    TSQLLiteImp Connection;
};

} // namespace

TEST(SQLLiteImpOpen, MissingFolderReportsThePathAndSQLitesText) {
    TSQLLiteImp connection;
    const QString path = QStringLiteral("/nonexistent-folder/x.dat");
    EXPECT_EQ(MessageOf([&] { connection.OpenFile(path); }),
              QStringLiteral("Database \"/nonexistent-folder/x.dat\": its folder "
                             "\"/nonexistent-folder\" does not exist. Failed to open database "
                             "\"/nonexistent-folder/x.dat\" : unable to open database file"));
}

TEST(SQLLiteImpOpen, OnlyAnOpenToCreateMakesAFile) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("new.dat"));
    {
        TSQLLiteImp connection;
        EXPECT_THROW(connection.OpenFile(path), ESQLiteException);
    }
    EXPECT_FALSE(QFileInfo::exists(path));
    TSQLLiteImp connection;
    connection.OpenFile(path, cOpenMode::Create);
    connection.ExecuteBatch({QStringLiteral("create table T (A integer)")});
    connection.Close();
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_NO_THROW(connection.OpenFile(path));
}

namespace {

// A file of one table whose 300 rows fill a few dozen pages; no connection
// stays open on it.
struct cRowsFile {
    QString Path;
    qint64 PageSize = 0;
};

cRowsFile FileWithRows(const QString& path) {
    TSQLLiteImp connection;
    connection.OpenFile(path, cOpenMode::Create);
    connection.ExecuteBatch(
        {QStringLiteral("create table T (A integer, B text)"),
         QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where "
                        "i < 300) insert into T select i, hex(randomblob(100)) from n")});
    connection.PrepareQuery({QStringLiteral("PRAGMA page_size")});
    const qint64 pageSize = connection.ColumnInt64(0);
    connection.CloseQuery();
    return {path, pageSize};
}

void WriteGarbage(const QString& path, qint64 offset, qint64 length) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(offset));
    ASSERT_EQ(file.write(QByteArray(length, '\xA5')), length);
}

int64_t RowCount(const QString& path) {
    cSQLDatabase database;
    database.Open(path);
    return database.QueryInt64(QStringLiteral("select count(*) from T"));
}

// A fault of the file, as a connection meets it.
struct cFaultCase {
    const char* name;
    std::function<void(const QString& path)> prepare;
    std::function<void(const QString& path)> meet;
    int code;
    const char* plainWords;
    // %path stands for the file's path.
    const char* sqliteText;
    // What is true of the file afterwards.
    std::function<void(const QString& path)> after;
};

void OpenIt(const QString& path) {
    TSQLLiteImp connection;
    connection.OpenFile(path);
}

void FileWithGarbageOverTheHeader(const QString& path) {
    FileWithRows(path);
    WriteGarbage(path, 0, 100);
}

// Attaches the file to a healthy database of its own folder.
void AttachIt(const QString& path) {
    const QString healthy = path + QStringLiteral(".main");
    FileWithRows(healthy);
    cSQLDatabase database;
    database.Open(healthy);
    database.Connection().Attach(path, QStringLiteral("Arc"));
}

} // namespace

TEST(DatabaseFaults, EachNamesTheFileSaysWhatIsWrongAndIsRecorded) {
    const cFaultCase cases[] = {
        {"missing", [](const QString&) {}, OpenIt, SQLITE_CANTOPEN,
         "the file does not exist (velmora-cli init creates it)", "unable to open database file",
         [](const QString& path) { EXPECT_FALSE(QFileInfo::exists(path)) << "made by the open"; }},
        {"empty",
         [](const QString& path) {
             QFile file(path);
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
         },
         OpenIt, SQLITE_CANTOPEN, "the file holds no tables (velmora-cli init creates them)",
         "no tables", [](const QString& path) { EXPECT_EQ(QFileInfo(path).size(), 0); }},
        {"missing, attached", [](const QString&) {}, AttachIt, SQLITE_CANTOPEN,
         "the file does not exist (velmora-cli init creates it)", "unable to open database: %path",
         [](const QString& path) {
             EXPECT_FALSE(QFileInfo::exists(path)) << "made by the attach";
         }},
        {"garbage over the header, attached", FileWithGarbageOverTheHeader, AttachIt, SQLITE_NOTADB,
         "the file is not a database, or its first page is damaged", "file is not a database",
         nullptr},
        {"garbage in the middle",
         [](const QString& path) {
             const cRowsFile file = FileWithRows(path);
             const qint64 pages = QFileInfo(path).size() / file.PageSize;
             WriteGarbage(path, pages / 2 * file.PageSize, file.PageSize);
         },
         [](const QString& path) {
             cSQLDatabase database;
             database.Open(path);
             database.QueryInt64(QStringLiteral("select sum(length(B)) from T"));
         },
         SQLITE_CORRUPT, "the file is damaged", "database disk image is malformed", nullptr},
        {"garbage over the header", FileWithGarbageOverTheHeader, OpenIt, SQLITE_NOTADB,
         "the file is not a database, or its first page is damaged", "file is not a database",
         nullptr},
        {"full", [](const QString& path) { FileWithRows(path); },
         [](const QString& path) {
             cSQLDatabase database;
             database.Open(path);
             database.Execute(
                 QStringLiteral("PRAGMA max_page_count = ") +
                 QString::number(database.QueryInt64(QStringLiteral("PRAGMA page_count"))));
             database.ExecuteInTransaction({QStringLiteral("insert into T select A, B from T")});
         },
         SQLITE_FULL, "the disk is full, or the file has reached its size limit",
         "database or disk is full",
         [](const QString& path) { EXPECT_EQ(RowCount(path), 300) << "rolled back"; }},
        {"read-only", [](const QString& path) { FileWithRows(path); },
         [](const QString& path) {
             cSQLDatabase database;
             database.Open(path);
             database.Execute(QStringLiteral("PRAGMA query_only = 1"));
             database.Execute(QStringLiteral("delete from T"));
         },
         SQLITE_READONLY, "the database may not be written", "attempt to write a readonly database",
         [](const QString& path) { EXPECT_EQ(RowCount(path), 300); }},
    };
    for (const cFaultCase& row : cases) {
        SCOPED_TRACE(row.name);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("faulty.dat"));
        row.prepare(path);
        const uint64_t faultsBefore = LastDatabaseFault().Serial;
        try {
            row.meet(path);
            ADD_FAILURE() << "no error";
            continue;
        } catch (const ESQLiteException& error) {
            EXPECT_EQ(error.Code(), row.code) << error.ExtendedCode();
            EXPECT_TRUE(error.IsDatabaseFault());
            EXPECT_TRUE(IsDatabaseFault(error));
            const QString summary =
                QStringLiteral("Database \"%1\": %2").arg(path, QString::fromUtf8(row.plainWords));
            EXPECT_EQ(error.Summary(), summary);
            EXPECT_TRUE(error.Message().startsWith(summary + QStringLiteral(". ")))
                << error.Message().toStdString();
            const QString sqliteText =
                QString::fromUtf8(row.sqliteText).replace(QStringLiteral("%path"), path);
            EXPECT_TRUE(error.Message().endsWith(QStringLiteral(" : ") + sqliteText))
                << error.Message().toStdString();
            const cDatabaseFault recorded = LastDatabaseFault();
            EXPECT_EQ(recorded.Serial, faultsBefore + 1);
            EXPECT_EQ(recorded.Message, error.Message());
            EXPECT_EQ(recorded.Summary, summary);
            EXPECT_EQ(MessageOf([&] { RaiseDatabaseFaultSince(faultsBefore); }), error.Message());
        }
        if (row.after)
            row.after(path);
    }
}

TEST_F(SQLLiteImp, AStatementsOwnErrorIsNoFaultOfTheFile) {
    const uint64_t faultsBefore = LastDatabaseFault().Serial;
    Connection.ExecuteBatch({QStringLiteral("create unique index TA on T (A)"),
                             QStringLiteral("insert into T values(1,'a')")});
    const std::function<void()> errors[] = {
        [&] { Connection.ExecuteBatch({QStringLiteral("insert into T values(1,'again')")}); },
        [&] { Connection.ExecuteBatch({QStringLiteral("select missing from T")}); },
        [&] { Connection.PrepareQuery({QStringLiteral("select abs(-9223372036854775808)")}); },
    };
    for (const auto& error : errors) {
        try {
            error();
            ADD_FAILURE() << "no error";
        } catch (const ESQLiteException& raised) {
            EXPECT_FALSE(raised.IsDatabaseFault()) << raised.Message().toStdString();
            EXPECT_FALSE(raised.Message().startsWith(QStringLiteral("Database ")));
            EXPECT_EQ(raised.Summary(), QString());
        }
    }
    Connection.CloseQuery();
    EXPECT_EQ(LastDatabaseFault().Serial, faultsBefore);
    try {
        RaiseDatabaseFaultSince(faultsBefore);
    } catch (const ESQLiteException&) {
        ADD_FAILURE() << "raised a fault that never happened";
    }
}

TEST_F(SQLLiteImp, BatchStopsAtTheFailingLineWithItsResultCode) {
    const QString failing = QStringLiteral("insert into T values(1)");
    EXPECT_EQ(MessageOf([&] {
                  Connection.ExecuteBatch({QStringLiteral("insert into T values(1,'a')"), failing,
                                           QStringLiteral("insert into T values(3,'c')")});
              }),
              QStringLiteral("Error executing SQL \"insert into T values(1)\" : table T has 2 "
                             "columns but 1 values were supplied"));
    EXPECT_EQ(CountOf(QStringLiteral("select count(*) from T")), 1);

    Connection.ExecuteBatch({QStringLiteral("create unique index TA on T (A)")});
    EXPECT_EQ(
        MessageOf([&] {
            Connection.ExecuteBatch({QStringLiteral("insert into T values(1,'again')"),
                                     QStringLiteral("insert into T values(4,'d')")});
        }),
        QStringLiteral("Error executing SQL statement 2067 \"insert into T values(1,'again')\" "
                       ": UNIQUE constraint failed: T.A"));
    EXPECT_EQ(CountOf(QStringLiteral("select count(*) from T")), 1);
}

TEST_F(SQLLiteImp, OnlyTheFirstStatementOfABatchLineRuns) {
    Connection.ExecuteBatch(
        {QStringLiteral("insert into T values(1,'a'); insert into T values(2,'b')")});
    EXPECT_EQ(CountOf(QStringLiteral("select count(*) from T")), 1);
}

TEST_F(SQLLiteImp, BlankLineCannotBePrepared) {
    EXPECT_EQ(MessageOf([&] { Connection.ExecuteBatch({QStringLiteral("   ")}); }),
              QStringLiteral("Could not prepare SQL statement \"   \" : No message"));
}

TEST_F(SQLLiteImp, QueryWithoutRowsIsAtEofAndCannotStepFurther) {
    Connection.PrepareQuery(
        {QStringLiteral("select A from T"), QStringLiteral("second line is never run")});
    EXPECT_TRUE(Connection.Eof());
    const QString message = MessageOf([&] { Connection.Step(); });
    EXPECT_TRUE(message.startsWith(
        QStringLiteral("EOF reached \"select A from T\r\nsecond line is never run\r\n\" : ")))
        << message.toStdString();
    Connection.CloseQuery();
}

TEST_F(SQLLiteImp, QueryWalksRowsAndReadsNullsAsZeroAndEmptyText) {
    Connection.ExecuteBatch({QStringLiteral("insert into T values(null,null)"),
                             QStringLiteral("insert into T values(5000000000,'été ✓')")});
    Connection.PrepareQuery({QStringLiteral("select A, B from T order by A")});
    EXPECT_EQ(Connection.ColumnInt64(0), 0);
    EXPECT_EQ(Connection.ColumnText(1), QString());
    EXPECT_EQ(Connection.ColumnAnsiText(1), QByteArray());
    Connection.Step();
    EXPECT_EQ(Connection.ColumnInt64(0), 5000000000LL);
    EXPECT_EQ(Connection.ColumnText(1), QStringLiteral("été ✓"));
    EXPECT_EQ(Connection.ColumnAnsiText(1), QStringLiteral("été ✓").toUtf8());
    Connection.Step();
    EXPECT_TRUE(Connection.Eof());
    Connection.CloseQuery();
}

TEST_F(SQLLiteImp, BadQueryNamesTheStatement) {
    EXPECT_EQ(
        MessageOf([&] { Connection.PrepareQuery({QStringLiteral("select missing from T")}); }),
        QStringLiteral("Error executing SQL \"select missing from T\" : no such column: "
                       "missing"));
}

TEST_F(SQLLiteImp, BatchWaitsForAnotherConnectionsWriteTransaction) {
    cSQLDatabase writer;
    writer.Open(File.Path());
    writer.BeginTransaction();
    writer.Execute(QStringLiteral("insert into T values(1,'writer')"));

    std::atomic<bool> writerCommitting{false};
    auto waiting = std::async(std::launch::async, [&] {
        TSQLLiteImp other;
        other.OpenFile(File.Path());
        other.ExecuteBatch({QStringLiteral("insert into T values(2,'other')")});
        return writerCommitting.load();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(350));
    writerCommitting = true;
    writer.Commit();
    EXPECT_TRUE(waiting.get()) << "the insert returned before the other transaction ended";
    EXPECT_EQ(CountOf(QStringLiteral("select count(*) from T")), 2);
}

// Both connections read inside their transaction, then write. Were the
// transactions taken lazily, each would hold what the other waits for.
class CrossedTransactions : public testing::TestWithParam<const char*> {};

TEST_P(CrossedTransactions, TwoTransactionsThatReadThenWriteBothFinish) {
    cTempDatabase file;
    {
        cSQLDatabase setup;
        setup.Open(file.Path());
        setup.Execute(QStringLiteral("PRAGMA journal_mode=") + QString::fromLatin1(GetParam()));
        setup.Execute(QStringLiteral("create table T (A integer)"));
    }
    std::promise<void> firstHasRead;
    auto first = std::async(std::launch::async, [&] {
        cSQLDatabase database;
        database.Open(file.Path());
        database.InTransaction([&] {
            database.QueryInt(QStringLiteral("select count(*) from T"));
            firstHasRead.set_value();
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            database.Execute(QStringLiteral("insert into T values(1)"));
        });
    });
    auto second = std::async(std::launch::async, [&] {
        firstHasRead.get_future().wait();
        cSQLDatabase database;
        database.Open(file.Path());
        database.InTransaction([&] {
            database.QueryInt(QStringLiteral("select count(*) from T"));
            database.Execute(QStringLiteral("insert into T values(2)"));
        });
    });
    ASSERT_EQ(first.wait_for(std::chrono::seconds(60)), std::future_status::ready);
    ASSERT_EQ(second.wait_for(std::chrono::seconds(60)), std::future_status::ready);
    first.get();
    second.get();
    cSQLDatabase check;
    check.Open(file.Path());
    EXPECT_EQ(check.QueryInt(QStringLiteral("select count(*) from T")), 2);
}

INSTANTIATE_TEST_SUITE_P(JournalModes, CrossedTransactions, testing::Values("DELETE", "WAL"));

namespace {

int OpenFileDescriptorCount() {
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd"))
                                .entryList(QDir::NoDotAndDotDot | QDir::System)
                                .size());
}

} // namespace

TEST(SQLLiteImpLifetime, FailingAndSucceedingQueriesLeaveNoStatementOrFileBehind) {
    cTempDatabase file;
    {
        TSQLLiteImp setup;
        setup.OpenFile(file.Path());
        setup.ExecuteBatch({QStringLiteral("create table T (A integer)"),
                            QStringLiteral("insert into T values (1)")});
    }
    const int descriptorsBefore = OpenFileDescriptorCount();
    for (int round = 0; round < 1000; ++round) {
        TSQLLiteImp connection;
        connection.OpenFile(file.Path());
        // The first step fails; callers leave the query open, as they call
        // the next query outside their try.
        EXPECT_THROW(connection.PrepareQuery({QStringLiteral("select abs(-9223372036854775808)")}),
                     ESQLiteException);
        connection.PrepareQuery({QStringLiteral("select A from T")});
        ASSERT_EQ(connection.ColumnInt(0), 1);
        ASSERT_EQ(connection.OpenStatementCount(), 1);
        if (round % 2 == 0) {
            connection.CloseQuery();
            ASSERT_EQ(connection.OpenStatementCount(), 0);
        }
        connection.Close();
    }
    EXPECT_EQ(OpenFileDescriptorCount(), descriptorsBefore);
}

TEST(SQLLiteImpLifetime, ClosingWithAStatementStillOpenRaisesAndClosesLater) {
    cTempDatabase file;
    TSQLLiteImp connection;
    connection.OpenFile(file.Path());
    {
        const cCompiledBatch batch = connection.CompileBatch({QStringLiteral("select 1")});
        const QString message = MessageOf([&] { connection.Close(); });
        EXPECT_TRUE(message.startsWith(QStringLiteral("Failed to close database")))
            << message.toStdString();
    }
    EXPECT_EQ(connection.OpenStatementCount(), 0);
    EXPECT_NO_THROW(connection.Close());
}
