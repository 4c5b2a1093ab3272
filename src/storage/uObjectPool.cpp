#include "storage/uObjectPool.h"

#include "storage/uSQLDataTabRec.h"

std::unique_ptr<cSQLRecord> cObjectPool::TryTake(const cRecordClass& recordClass) {
    cInterLockGuard hold(FLock);
    auto& stack = FStacks[recordClass.Type];
    if (stack.empty())
        return nullptr;
    std::unique_ptr<cSQLRecord> record = std::move(stack.back());
    stack.pop_back();
    return record;
}

void cObjectPool::Give(std::unique_ptr<cSQLRecord> record) {
    cInterLockGuard hold(FLock);
    const cSQLRecord& given = *record;
    auto& stack = FStacks[std::type_index(typeid(given))];
    if (stack.size() < MaxPerClass)
        stack.push_back(std::move(record));
}

size_t cObjectPool::PooledCount(const cRecordClass& recordClass) {
    cInterLockGuard hold(FLock);
    return FStacks[recordClass.Type].size();
}

cObjectPool& GetObjectPool() {
    static cObjectPool pool;
    return pool;
}
