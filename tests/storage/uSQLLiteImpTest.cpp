#include "storage/uSQLLiteImp.h"

#include "TestFiles.h"
#include "storage/uSQLDataTabRec.h"

#include <QDir>
#include <QTemporaryDir>
#include <atomic>
#include <future>
#include <gtest/gtest.h>
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
              QStringLiteral("Failed to open database \"/nonexistent-folder/x.dat\" : "
                             "unable to open database file"));
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
