#pragma once

#include "model/uRecordIndex.h"
#include "storage/uSQLDataTabRec.h"

#include <QHash>
#include <QString>
#include <cstdint>
#include <optional>

// One row of Category: a distinct, normalised category name.
class cOMCategoryRecord : public cSQLRecord {
public:
    bool WriteUpdate(QStringList& statements) override;
    bool WriteDelete(QStringList& statements) override;
    bool WriteInsert(QStringList& statements) override;
    bool LoadFromRow() override;
    void Recycle() override;
    void Attach(cSQLTable* owner) override;

    int64_t ID() const { return F.ID; }
    const QString& Libelle() const { return F.Libelle; }
    void SetLibelle(const QString& value);

private:
    struct cFields {
        int64_t ID = 0;
        QString Libelle;
    } F;
};

class cOMCategoryTable : public cSQLTable {
public:
    explicit cOMCategoryTable(cSQLDatabase& database);

    cOMCategoryRecord* Record(int index) const { return ItemAs<cOMCategoryRecord>(index); }
    cOMCategoryRecord* NewCategory() { return NewRecordAs<cOMCategoryRecord>(); }

    void OpenCategory(int64_t categoryId);
};

class cCategoryTable : public cOMCategoryTable {
public:
    using cOMCategoryTable::cOMCategoryTable;

    // The stored category of that exact name. Reads the database only: a
    // category created in memory and not yet saved is not found. A stored
    // category never changes, so a found one is remembered by the table.
    std::optional<int64_t> FindStoredCategory(const QString& name);
    // The category of that exact name among the table's records.
    std::optional<int64_t> FindRecordedCategory(const QString& name);

private:
    QHash<QString, int64_t> FStored;
    cRecordIndex<QString> FRecorded;
};
