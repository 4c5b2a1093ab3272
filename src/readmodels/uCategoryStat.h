#pragma once

#include "readmodels/uViewRecord.h"
#include "storage/uSQLDataTabRec.h"

#include <QString>
#include <cstdint>

// A category with its stored counters, for the category list and picker.
class cCategoryStat : public cViewRecord {
public:
    bool LoadFromRow() override;
    void Recycle() override;

    int64_t Id() const { return F.Id; }
    const QString& Libelle() const { return F.Libelle; }
    int32_t Total() const { return F.Total; }
    int32_t Unread() const { return F.Unread; }
    int32_t New() const { return F.New; }

private:
    struct cFields {
        int64_t Id = 0;
        QString Libelle;
        int32_t Total = 0;
        int32_t Unread = 0;
        int32_t New = 0;
    } F;
};

class cCategoryStatTable : public cSQLTable {
public:
    explicit cCategoryStatTable(cSQLDatabase& database);

    cCategoryStat* Record(int index) const { return ItemAs<cCategoryStat>(index); }

    // Order 0 name, 1 total, 2 unread, 3 new.
    void QueryCategoryStats(int order, const QString& nameFilter);
    void QueryCategoriesWithNew();
};
