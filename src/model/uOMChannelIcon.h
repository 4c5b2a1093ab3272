#pragma once

#include "storage/uSQLDataTabRec.h"

#include <QString>
#include <cstdint>

// One row of ChannelIcon, keyed by its channel.
class cOMChannelIcon : public cSQLRecord {
public:
    bool WriteUpdate(QStringList& statements) override;
    bool WriteDelete(QStringList& statements) override;
    bool WriteInsert(QStringList& statements) override;
    bool LoadFromRow() override;
    void Recycle() override;

    int64_t ChannelId() const { return F.ChannelId; }
    const QString& IconFileName() const { return F.IconFileName; }
    bool IsLastIconUpdateOk() const { return F.IsLastIconUpdateOk; }
    const QString& LastIconUpdate_UTC() const { return F.LastIconUpdate_UTC; }

    void SetChannelId(int64_t value);
    void SetIconFileName(const QString& value);
    void SetIsLastIconUpdateOk(bool value);
    void SetLastIconUpdate_UTC(const QString& value);

private:
    struct cFields {
        int64_t ChannelId = 0;
        QString IconFileName;
        bool IsLastIconUpdateOk = false;
        QString LastIconUpdate_UTC;
    } F;
};

class cOMChannelIconTable : public cSQLTable {
public:
    explicit cOMChannelIconTable(cSQLDatabase& database, const cRecordClass* recordClass = nullptr);

    cOMChannelIcon* Record(int index) const { return ItemAs<cOMChannelIcon>(index); }
    cOMChannelIcon* NewIcon() { return NewRecordAs<cOMChannelIcon>(); }
};
