#pragma once

#include "model/uOMLinkRecord.h"

// One row of Node2Enclosure: an item linked to an enclosure.
class cOmNode2EnclosureRecord : public cOmLinkRecord {
public:
    bool WriteUpdate(QStringList& statements) override;
    bool WriteDelete(QStringList& statements) override;
    bool WriteInsert(QStringList& statements) override;

    int64_t NodeID() const { return FFirst; }
    int64_t EnclosureId() const { return FSecond; }
    void SetNodeID(int64_t value) { SetFirst(value); }
    void SetEnclosureId(int64_t value) { SetSecond(value); }
};

class cOmNode2EnclosureTable : public cSQLTable {
public:
    explicit cOmNode2EnclosureTable(cSQLDatabase& database);

    cOmNode2EnclosureRecord* Record(int index) const {
        return ItemAs<cOmNode2EnclosureRecord>(index);
    }
    cOmNode2EnclosureRecord* NewLink() { return NewRecordAs<cOmNode2EnclosureRecord>(); }
};
