#pragma once

#include "storage/uSQLDataTabRec.h"

#include <QString>
#include <cstdint>

// One row of ChannelFetch, keyed by its channel: what the feed's server said
// at the last fetch. The validators are kept exactly as received, to be sent
// back on the next fetch; the status and the reason tell why a feed fails.
class cOmChannelFetchRecord : public cSQLRecord {
public:
    // Insert and update write the whole row, replacing any stored one: a
    // refresh that found no row may meet one that another process stored
    // meanwhile, and one that found a row may have seen its own store of it
    // rolled back.
    bool WriteUpdate(QStringList& statements) override;
    bool WriteDelete(QStringList& statements) override;
    bool WriteInsert(QStringList& statements) override;
    bool LoadFromRow() override;
    void Recycle() override;

    int64_t ChannelId() const { return F.ChannelId; }
    const QString& ETag() const { return F.ETag; }
    const QString& LastModified() const { return F.LastModified; }
    // The status of the last reply; 0 when no reply came.
    int32_t HttpStatus() const { return F.HttpStatus; }
    // Why the last update failed, one line; empty after a success.
    const QString& FailureReason() const { return F.FailureReason; }

    void SetChannelId(int64_t value);
    void SetETag(const QString& value);
    void SetLastModified(const QString& value);
    void SetHttpStatus(int32_t value);
    void SetFailureReason(const QString& value);

private:
    struct cFields {
        int64_t ChannelId = 0;
        QString ETag;
        QString LastModified;
        int32_t HttpStatus = 0;
        QString FailureReason;
    } F;
};

class cOmChannelFetchTable : public cSQLTable {
public:
    explicit cOmChannelFetchTable(cSQLDatabase& database);

    cOmChannelFetchRecord* Record(int index) const { return ItemAs<cOmChannelFetchRecord>(index); }
    cOmChannelFetchRecord* NewFetch() { return NewRecordAs<cOmChannelFetchRecord>(); }

    void OpenChannelFetch(int64_t channelId);
    void OpenAllFetches();
};
