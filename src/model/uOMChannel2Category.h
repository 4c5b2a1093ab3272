#pragma once

#include "model/uOMLinkRecord.h"

// One row of Channel2Category: a channel linked to a category.
class cOmChannel2CategoryRecord : public cOmLinkRecord {
public:
    bool WriteUpdate(QStringList& statements) override;
    bool WriteDelete(QStringList& statements) override;
    bool WriteInsert(QStringList& statements) override;

    int64_t ChannelID() const { return FFirst; }
    int64_t CategoryId() const { return FSecond; }
    void SetChannelID(int64_t value) { SetFirst(value); }
    void SetCategoryId(int64_t value) { SetSecond(value); }
};

class cOmChannel2CategoryTable : public cSQLTable {
public:
    explicit cOmChannel2CategoryTable(cSQLDatabase& database);

    cOmChannel2CategoryRecord* Record(int index) const {
        return ItemAs<cOmChannel2CategoryRecord>(index);
    }
    cOmChannel2CategoryRecord* NewLink() { return NewRecordAs<cOmChannel2CategoryRecord>(); }
    // Whether a record links the two already.
    bool HasLink(int64_t channelID, int64_t categoryId) {
        return FLinks.Has(*this, channelID, categoryId);
    }

private:
    cLinkIndex FLinks;
};

class cChannel2CategoryTable : public cOmChannel2CategoryTable {
public:
    using cOmChannel2CategoryTable::cOmChannel2CategoryTable;

    // Replaces the records by the stored links of the channel, in the order
    // they were made.
    void LoadChannelLinks(int64_t channelId);
};
