#pragma once

#include "model/uOMLinkRecord.h"

// One row of Node2Category: an item linked to a category.
class cOmNode2CategoryRecord : public cOmLinkRecord {
public:
    bool WriteUpdate(QStringList& statements) override;
    bool WriteDelete(QStringList& statements) override;
    bool WriteInsert(QStringList& statements) override;

    int64_t NodeID() const { return FFirst; }
    int64_t CategoryId() const { return FSecond; }
    void SetNodeID(int64_t value) { SetFirst(value); }
    void SetCategoryId(int64_t value) { SetSecond(value); }
};

class cOmNode2CategoryTable : public cSQLTable {
public:
    explicit cOmNode2CategoryTable(cSQLDatabase& database);

    cOmNode2CategoryRecord* Record(int index) const {
        return ItemAs<cOmNode2CategoryRecord>(index);
    }
    cOmNode2CategoryRecord* NewLink() { return NewRecordAs<cOmNode2CategoryRecord>(); }
    // Whether a record links the two already.
    bool HasLink(int64_t nodeID, int64_t categoryId) {
        return FLinks.Has(*this, nodeID, categoryId);
    }

private:
    cLinkIndex FLinks;
};
