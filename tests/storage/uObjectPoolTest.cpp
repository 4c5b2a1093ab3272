#include "storage/uObjectPool.h"

#include "storage/uSQLDataTabRec.h"

#include <gtest/gtest.h>

namespace {

class cPoolRecordA : public cSQLRecord {
public:
    bool WriteUpdate(QStringList&) override { return true; }
    bool WriteDelete(QStringList&) override { return true; }
    bool WriteInsert(QStringList&) override { return true; }
};
class cPoolRecordB : public cPoolRecordA {};

} // namespace

TEST(ObjectPool, HoldsAtMostTenThousandRecordsOfOneClass) {
    cObjectPool pool;
    const cRecordClass& a = RecordClassOf<cPoolRecordA>();
    const cRecordClass& b = RecordClassOf<cPoolRecordB>();
    for (size_t index = 0; index < cObjectPool::MaxPerClass + 1; ++index)
        pool.Give(a.Create());
    pool.Give(b.Create());
    EXPECT_EQ(pool.PooledCount(a), 10000u);
    EXPECT_EQ(pool.PooledCount(b), 1u);
}

TEST(ObjectPool, HandsOutOnlyRecordsOfExactlyTheAskedClass) {
    cObjectPool pool;
    pool.Give(RecordClassOf<cPoolRecordB>().Create());
    EXPECT_EQ(pool.TryTake(RecordClassOf<cPoolRecordA>()), nullptr);
    std::unique_ptr<cSQLRecord> taken = pool.TryTake(RecordClassOf<cPoolRecordB>());
    ASSERT_NE(taken, nullptr);
    EXPECT_NE(dynamic_cast<cPoolRecordB*>(taken.get()), nullptr);
    EXPECT_EQ(pool.TryTake(RecordClassOf<cPoolRecordB>()), nullptr);
}
