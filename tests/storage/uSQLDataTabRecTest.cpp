#include "storage/uSQLDataTabRec.h"

#include "TestFiles.h"
#include "storage/uSQLValue.h"

#include <cstdio>
#include <cstdlib>
#include <future>
#include <gtest/gtest.h>

namespace {

// A minimal record over "Item (ID, Name)", writing its own statements.
class cItemRecord : public cSQLRecord {
public:
    int64_t ID = 0;
    QString Name;

    void SetName(const QString& name) {
        Name = name;
        MarkModified();
    }
    bool WriteInsert(QStringList& statements) override {
        statements << QStringLiteral("insert into Item values(%1,%2)")
                          .arg(NumberText(ID), QuotedText(Name));
        return true;
    }
    bool WriteUpdate(QStringList& statements) override {
        statements << QStringLiteral("update Item set Name = %1 where ID = %2")
                          .arg(QuotedText(Name), NumberText(ID));
        return true;
    }
    bool WriteDelete(QStringList& statements) override {
        statements << QStringLiteral("delete from Item where ID = %1").arg(NumberText(ID));
        return true;
    }
    bool LoadFromRow() override {
        cSQLRecord::LoadFromRow();
        ID = ReadInt64(0);
        Name = ReadText(1);
        return true;
    }
    void Recycle() override {
        cSQLRecord::Recycle();
        ID = 0;
        Name.clear();
    }
};

// The same columns as another type, so that the pool keeps it apart.
class cOtherRecord : public cItemRecord {};

class cItemTable : public cSQLTable {
public:
    explicit cItemTable(cSQLDatabase& database,
                        const cRecordClass& recordClass = RecordClassOf<cItemRecord>())
        : cSQLTable(database, recordClass) {}
    cItemRecord* Record(int index) const { return ItemAs<cItemRecord>(index); }
    cItemRecord* Add(int64_t id, const QString& name) {
        cItemRecord* record = NewRecordAs<cItemRecord>();
        record->ID = id;
        record->Name = name;
        return record;
    }
};

class Framework : public testing::Test {
protected:
    void SetUp() override {
        Database.Open(File.Path());
        Database.Execute(QStringLiteral("create table Item (ID integer primary key, Name text)"));
        Database.Execute(QStringLiteral("insert into Item values(1,'one')"));
        Database.Execute(QStringLiteral("insert into Item values(2,'two')"));
        Database.Execute(QStringLiteral("insert into Item values(3,'three')"));
    }
    // Whether a writer on another thread and connection gets its turn and
    // stores a row within 30 seconds.
    bool AnotherThreadWrites(int id) {
        auto other = std::async(std::launch::async, [&] {
            cSQLDatabase database;
            database.Open(File.Path());
            database.InTransaction([&] {
                database.Execute(QStringLiteral("insert into Item values(%1,'other')").arg(id));
            });
        });
        if (other.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
            // The writer stays blocked, and so would this test's end.
            std::fprintf(stderr, "a writer of another thread never got the write turn\n");
            std::abort();
        }
        other.get();
        return Database.QueryInt(
                   QStringLiteral("select count(*) from Item where ID = %1").arg(id)) == 1;
    }
    QStringList FlushOf(cSQLTable& table) {
        QStringList statements;
        table.Flush(statements);
        return statements;
    }

    cTempDatabase File;
    cSQLDatabase Database;
};

QString ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EVelmoraError& error) {
        return error.Message();
    }
    return QStringLiteral("(no error)");
}

} // namespace

TEST_F(Framework, QueryLoadsTheRowsOfTheFirstLineOnly) {
    cItemTable table(Database);
    table.Query(QStringLiteral("select * from Item where ID < 3 order by ID\n"
                               "select * from Item"));
    ASSERT_EQ(table.Count(), 2);
    EXPECT_EQ(table.Record(1)->Name, QStringLiteral("two"));
    EXPECT_EQ(table.Record(1)->RecordStatus, cSQLRecord::rsClean);
    EXPECT_EQ(table.QueryText().size(), 2);
}

TEST_F(Framework, FlushWritesPendingRecordsInRecordOrderAndSetsThemClean) {
    cItemTable table(Database);
    table.Query(QStringLiteral("select * from Item order by ID"));
    cItemRecord* added = table.Add(4, QStringLiteral("four"));
    table.Record(1)->SetName(QStringLiteral("deux"));
    added->SetName(QStringLiteral("vier"));
    EXPECT_EQ(added->RecordStatus, cSQLRecord::rsNew) << "a setter leaves a new record new";

    EXPECT_EQ(FlushOf(table),
              (QStringList{QStringLiteral("update Item set Name = 'deux' where ID = 2"),
                           QStringLiteral("insert into Item values(4,'vier')")}));
    for (int index = 0; index < table.Count(); ++index)
        EXPECT_EQ(table.Record(index)->RecordStatus, cSQLRecord::rsClean);
    EXPECT_TRUE(FlushOf(table).isEmpty());
}

TEST_F(Framework, ARecordDeletedAfterBeingModifiedIsDeleted) {
    cItemTable table(Database);
    table.Query(QStringLiteral("select * from Item where ID = 1"));
    table.Record(0)->SetName(QStringLiteral("changed"));
    table.Record(0)->MarkDeleted();
    EXPECT_EQ(FlushOf(table), QStringList{QStringLiteral("delete from Item where ID = 1")});
}

TEST_F(Framework, SaveAllWritesTablesInTheOrderTheyWereCreated) {
    cItemTable first(Database);
    cItemTable second(Database);
    second.Add(10, QStringLiteral("second"));
    first.Add(10, QStringLiteral("first"));
    // The second insert of ID 10 fails: whichever ran first is the one stored.
    Database.BeginTransaction();
    EXPECT_THROW(Database.SaveAll(), ESQLiteException);
    Database.Commit();
    EXPECT_EQ(Database.QueryText(QStringLiteral("select Name from Item where ID = 10")), "first");
}

TEST_F(Framework, AFailedSaveLeavesTheRecordsCleanAndTheTransactionCanRollBack) {
    cItemTable table(Database);
    table.Add(20, QStringLiteral("twenty"));
    table.Add(1, QStringLiteral("duplicate"));
    EXPECT_THROW(Database.SaveAllInTransaction(), ESQLiteException);
    EXPECT_EQ(Database.QueryInt(QStringLiteral("select count(*) from Item")), 3);
    EXPECT_EQ(table.Record(0)->RecordStatus, cSQLRecord::rsClean);
    EXPECT_FALSE(Database.Connection().InTransaction());
}

// Only the head of a long batch is compiled before the transaction; the
// rest must still run, in order, in the same transaction.
TEST_F(Framework, ASaveLongerThanItsCompiledHeadWritesEveryRecordOrNone) {
    cItemTable table(Database);
    const int rows = static_cast<int>(cCompiledBatch::MaxCompiledAhead) + 2;
    for (int id = 1000; id < 1000 + rows; ++id)
        table.Add(id, QStringLiteral("row"));
    Database.SaveAllInTransaction();
    EXPECT_EQ(Database.QueryInt(QStringLiteral("select count(*) from Item where ID >= 1000")),
              rows);

    for (int id = 5000; id < 5000 + rows; ++id)
        table.Add(id, QStringLiteral("row"));
    table.Add(1000, QStringLiteral("duplicate past the head"));
    EXPECT_THROW(Database.SaveAllInTransaction(), ESQLiteException);
    EXPECT_EQ(Database.QueryInt(QStringLiteral("select count(*) from Item where ID >= 5000")), 0);
}

TEST_F(Framework, ARoundTripKeepsTextExactly) {
    const QStringList names = {QStringLiteral("say \"hi\" it's"), QStringLiteral("Name"),
                               QStringLiteral("日本語 ✓"), QString()};
    {
        cItemTable table(Database);
        for (int index = 0; index < names.size(); ++index)
            table.Add(100 + index, names[index]);
        Database.SaveAllInTransaction();
    }
    cItemTable loaded(Database);
    loaded.Query(QStringLiteral("select * from Item where ID >= 100 order by ID"));
    ASSERT_EQ(loaded.Count(), names.size());
    for (int index = 0; index < names.size(); ++index)
        EXPECT_EQ(loaded.Record(index)->Name, names[index]);
}

TEST_F(Framework, FlushStopsAtABadStatusLeavingEarlierRecordsClean) {
    cItemTable table(Database);
    table.Add(30, QStringLiteral("a"));
    table.Add(31, QStringLiteral("b"))->RecordStatus = 7;
    table.Add(32, QStringLiteral("c"));
    QStringList statements;
    EXPECT_EQ(ErrorOf([&] { table.Flush(statements); }), QStringLiteral("bad record status"));
    EXPECT_EQ(statements.size(), 1);
    EXPECT_EQ(table.Record(0)->RecordStatus, cSQLRecord::rsClean);
    EXPECT_EQ(table.Record(2)->RecordStatus, cSQLRecord::rsNew);
}

TEST_F(Framework, ASetterOnAPooledRecordRaisesBadRecordStatus) {
    cItemRecord* record = nullptr;
    {
        cItemTable table(Database);
        record = table.Add(40, QStringLiteral("x"));
        table.Clear();
    }
    // The record rests in the pool, reset; no table has taken it again.
    EXPECT_EQ(record->RecordStatus, cSQLRecord::rsPooled);
    EXPECT_EQ(ErrorOf([&] { record->SetName(QStringLiteral("y")); }),
              QStringLiteral("Bad Record Status"));
}

TEST_F(Framework, ScalarQueriesReadTheFirstColumnOrReportQueryEmpty) {
    int64_t value = 99;
    EXPECT_FALSE(Database.TryQueryInt64(QStringLiteral("select ID from Item where ID = 0"), value));
    EXPECT_EQ(value, 99);
    EXPECT_EQ(
        ErrorOf([&] { Database.QueryInt64(QStringLiteral("select ID from Item where ID = 0")); }),
        QStringLiteral("Query empty"));
    EXPECT_EQ(Database.QueryInt64(QStringLiteral("select max(ID) from Item")), 3);
    EXPECT_EQ(Database.QueryInt(QStringLiteral("select count(*) from Item")), 3);
    EXPECT_EQ(Database.QueryText(QStringLiteral("select 'é'")), QByteArray("\xc3\xa9"));
}

TEST_F(Framework, AFailedQueryKeepsTheRowsLoadedBeforeTheFailure) {
    cItemTable table(Database);
    // abs() of the smallest integer overflows when the third row is reached.
    EXPECT_THROW(table.Query(QStringLiteral("select ID, abs(case when ID = 3 then "
                                            "-9223372036854775807 - 1 else 1 end) "
                                            "from Item order by ID")),
                 ESQLiteException);
    EXPECT_EQ(table.Count(), 2);
    EXPECT_EQ(Database.QueryInt(QStringLiteral("select count(*) from Item")), 3);
}

TEST_F(Framework, IteratorReachesRecordsAppendedWhileItWalks) {
    cItemTable table(Database);
    table.Query(QStringLiteral("select * from Item order by ID"));
    auto iterator = table.CreateIterator();
    int visited = 0;
    for (cSQLRecord* record = iterator->First(); record; record = iterator->Next()) {
        if (visited == 0)
            table.Add(50, QStringLiteral("appended"));
        ++visited;
    }
    EXPECT_EQ(visited, 4);
    EXPECT_TRUE(iterator->AtEnd());
}

TEST_F(Framework, RecordsReturnToThePoolAndAreReusedAsTheirOwnType) {
    cItemTable items(Database);
    cItemTable others(Database, RecordClassOf<cOtherRecord>());
    cItemRecord* pooled = items.Add(60, QStringLiteral("a"));
    items.Clear();
    cSQLRecord* reused = items.NewRecord();
    EXPECT_EQ(reused, pooled);
    EXPECT_EQ(reused->RecordStatus, cSQLRecord::rsNew);
    EXPECT_EQ(static_cast<cItemRecord*>(reused)->Name, QString());
    EXPECT_NE(others.NewRecord(), pooled);
}

TEST_F(Framework, DestroyingTheDatabaseFirstLeavesItsTablesEmpty) {
    auto database = std::make_unique<cSQLDatabase>();
    database->Open(File.Path());
    cItemTable table(*database);
    table.Query(QStringLiteral("select * from Item"));
    database.reset();
    EXPECT_EQ(table.Count(), 0);
}

TEST_F(Framework, AFailedTransactionLetsTheNextWriterOfTheProcessIn) {
    // A failure that SQLite answers by ending the transaction itself.
    Database.Execute(QStringLiteral("create table Limited (A integer check (A < 10))"));
    Database.Execute(QStringLiteral("create trigger Ending after insert on Limited begin "
                                    "select raise(rollback, 'ended'); end"));
    EXPECT_THROW(Database.InTransaction(
                     [&] { Database.Execute(QStringLiteral("insert into Limited values(1)")); }),
                 ESQLiteException);
    EXPECT_FALSE(Database.Connection().InTransaction());
    EXPECT_TRUE(AnotherThreadWrites(70)) << "the failed transaction kept the process's write turn";
}

TEST_F(Framework, ASecondBeginOnAnOpenTransactionFailsAndLeavesTheTurnBalanced) {
    Database.BeginTransaction();
    EXPECT_THROW(Database.BeginTransaction(), ESQLiteException);
    EXPECT_TRUE(Database.Connection().InTransaction());
    Database.Commit();
    EXPECT_TRUE(AnotherThreadWrites(71)) << "the second begin kept the process's write turn";
}
