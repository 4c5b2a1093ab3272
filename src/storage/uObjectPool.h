#pragma once

#include "storage/uInterLock.h"

#include <memory>
#include <typeindex>
#include <unordered_map>
#include <vector>

class cSQLRecord;

// How records of one concrete type are made: the type's identity, by which
// the pool keeps them apart, and its factory. There is one instance per
// record type (RecordClassOf).
class cRecordClass {
public:
    using Factory = std::unique_ptr<cSQLRecord> (*)();

    cRecordClass(std::type_index type, Factory factory) : Type(type), Create(factory) {}

    const std::type_index Type;
    const Factory Create;
};

template <class TRecord> const cRecordClass& RecordClassOf() {
    static const cRecordClass recordClass(typeid(TRecord), []() -> std::unique_ptr<cSQLRecord> {
        return std::make_unique<TRecord>();
    });
    return recordClass;
}

// The process-wide pool of reset records, one stack per concrete record
// type. A record is only ever handed out as the type it was made as.
class cObjectPool {
public:
    static constexpr size_t MaxPerClass = 10000;

    // A pooled record of exactly that class, or none.
    std::unique_ptr<cSQLRecord> TryTake(const cRecordClass& recordClass);
    // Takes a record back; beyond MaxPerClass of its class it is destroyed.
    void Give(std::unique_ptr<cSQLRecord> record);

    size_t PooledCount(const cRecordClass& recordClass);

private:
    // May be taken while the icon cache lock is held (a lookup makes
    // records); the icon cache lock is never taken while this one is held.
    cInterLock FLock;
    std::unordered_map<std::type_index, std::vector<std::unique_ptr<cSQLRecord>>> FStacks;
};

cObjectPool& GetObjectPool();
