#include "storage/uRefId.h"

#include "Eventually.h"
#include "TestFiles.h"
#include "storage/uSQLDataTabRec.h"

#include <gtest/gtest.h>
#include <set>
#include <thread>

TEST(RefId, SessionsComeFromTheDatabaseAndIdentifiersCountUpWithinThem) {
    cTempDatabase file;
    cRefId firstRun(file.Path());
    EXPECT_EQ(firstRun.Session(), 1);
    EXPECT_EQ(firstRun.NewId(), 4294967297LL);
    EXPECT_EQ(firstRun.NewId(), 4294967298LL);

    cRefId secondRun(file.Path());
    EXPECT_EQ(secondRun.Session(), 2);
    EXPECT_EQ(secondRun.NewId(), 2 * 4294967296LL + 1);
}

TEST(RefId, AnExhaustedCounterMovesToANewSessionInsteadOfWrapping) {
    cTempDatabase file;
    cRefId refId(file.Path(), cRefId::CounterLimit - 1);
    EXPECT_EQ(refId.NewId(), 4294967296LL + cRefId::CounterLimit);
    const int64_t next = refId.NewId();
    EXPECT_EQ(refId.Session(), 2);
    EXPECT_EQ(next, 2 * 4294967296LL + 1);
    cSQLDatabase database;
    database.Open(file.Path());
    EXPECT_EQ(database.QueryInt(QStringLiteral("select count(*) from REFID")), 2);
}

// Records take identifiers while their table loads, also inside a write
// transaction: moving to the next session then must not wait for the write
// turn that the caller itself holds.
TEST(RefId, ASessionChangeInsideAWriteTransactionNeedsNoWriteTurn) {
    cTempDatabase file;
    cRefId refId(file.Path(), cRefId::CounterLimit - 10);
    refId.NewId();
    cSQLDatabase database;
    database.Open(file.Path());
    // The next session, taken ahead once the counter passed half its range.
    ASSERT_TRUE(Eventually(
        [&] { return database.QueryInt(QStringLiteral("select count(*) from REFID")) == 2; }));
    std::set<int64_t> ids;
    database.InTransaction([&] {
        database.Execute(QStringLiteral("insert into ActionLog values(null,'','','','')"));
        for (int index = 0; index < 20; ++index)
            ids.insert(refId.NewId());
    });
    EXPECT_EQ(ids.size(), 20u);
    EXPECT_EQ(refId.Session(), 2);
}

TEST(RefId, ThreadsNeverShareAnIdentifierAcrossASessionChange) {
    cTempDatabase file;
    cRefId refId(file.Path(), cRefId::CounterLimit - 500);
    std::vector<std::vector<int64_t>> taken(4);
    std::vector<std::thread> threads;
    for (auto& ids : taken)
        threads.emplace_back([&refId, &ids] {
            for (int index = 0; index < 400; ++index)
                ids.push_back(refId.NewId());
        });
    for (auto& thread : threads)
        thread.join();
    std::set<int64_t> distinct;
    for (const auto& ids : taken)
        for (int64_t id : ids) {
            const auto counter = static_cast<uint32_t>(id & 0xFFFFFFFF);
            EXPECT_TRUE(counter >= 1 && counter <= cRefId::CounterLimit) << id;
            distinct.insert(id);
        }
    EXPECT_EQ(distinct.size(), 1600u);
    EXPECT_EQ(refId.Session(), 2);
}

TEST(ActionLog, WritesOneRowWithTheTextsUnchanged) {
    cTempDatabase file;
    cSQLDatabase database;
    database.Open(file.Path());
    WriteActionLog(database, ActionLogSource, QStringLiteral("update channel"),
                   QStringLiteral("The \"Daily\" it's"));
    EXPECT_EQ(database.QueryText(QStringLiteral("select Source || '|' || Action || '|' || Detail "
                                                "from ActionLog")),
              QByteArray("feedmotor|update channel|The \"Daily\" it's"));
    const QByteArray loggedAt =
        database.QueryText(QStringLiteral("select LoggedAt from ActionLog"));
    EXPECT_EQ(loggedAt.size(), 19) << loggedAt.constData();
}

TEST(ActionLog, AFailedInsertRaisesAndLeavesNoTransactionOpen) {
    cTempDatabase file;
    cSQLDatabase database;
    database.Open(file.Path());
    database.Execute(QStringLiteral("drop table ActionLog"));
    EXPECT_THROW(
        WriteActionLog(database, ActionLogSource, QStringLiteral("next schedule"), QString()),
        ESQLiteException);
    EXPECT_FALSE(database.Connection().InTransaction());
}
