#pragma once

#include "storage/uSQLDataTabRec.h"

#include <QString>
#include <cstdint>

// Enclosure.Status and Node.IsDownloaded values.
enum : uint8_t {
    dsNothing = 0,
    dsDownloaded = 1,
    dsRequested = 2,
    dsRunning = 3,
    dsFailed = 4,
    dsOffered = 5,
};

// One row of Enclosure: a media file named by an item.
class cOmEnclosureRecord : public cSQLRecord {
public:
    bool WriteUpdate(QStringList& statements) override;
    bool WriteDelete(QStringList& statements) override;
    bool WriteInsert(QStringList& statements) override;
    bool LoadFromRow() override;
    void Recycle() override;
    void Attach(cSQLTable* owner) override;

    int64_t ID() const { return F.ID; }
    const QString& Url() const { return F.Url; }
    const QString& Length() const { return F.Length; }
    const QString& MediaType() const { return F.MediaType; }
    uint8_t Status() const { return F.Status; }

    void SetUrl(const QString& value);
    void SetLength(const QString& value);
    void SetMediaType(const QString& value);
    void SetStatus(uint8_t value);

private:
    struct cFields {
        int64_t ID = 0;
        QString Url;
        QString Length;
        QString MediaType;
        uint8_t Status = 0;
    } F;
};

class cOmEnclosureTable : public cSQLTable {
public:
    explicit cOmEnclosureTable(cSQLDatabase& database, const cRecordClass* recordClass = nullptr);

    cOmEnclosureRecord* Record(int index) const { return ItemAs<cOmEnclosureRecord>(index); }
};
