#include "model/uOMCategory.h"

#include "storage/uRefId.h"
#include "storage/uSQLValue.h"

bool cOMCategoryRecord::WriteInsert(QStringList& statements) {
    statements << QStringLiteral("insert into Category values(") % NumberText(F.ID) % u',' %
                      QuotedText(F.Libelle) % u')';
    return true;
}

bool cOMCategoryRecord::WriteUpdate(QStringList& statements) {
    statements << QStringLiteral("update Category ") % QStringLiteral("set Libelle = ") %
                      QuotedText(F.Libelle) % QStringLiteral(" where ID = ") % NumberText(F.ID);
    return true;
}

bool cOMCategoryRecord::WriteDelete(QStringList& statements) {
    statements << QStringLiteral("delete from Category where ID = ") % NumberText(F.ID);
    return true;
}

bool cOMCategoryRecord::LoadFromRow() {
    cSQLRecord::LoadFromRow();
    F.ID = ReadInt64(0);
    F.Libelle = ReadText(1);
    return true;
}

void cOMCategoryRecord::Recycle() {
    cSQLRecord::Recycle();
    F = {};
}

void cOMCategoryRecord::Attach(cSQLTable* owner) {
    cSQLRecord::Attach(owner);
    F.ID = NewId();
}

void cOMCategoryRecord::SetLibelle(const QString& value) {
    F.Libelle = value;
    MarkModified();
}

cOMCategoryTable::cOMCategoryTable(cSQLDatabase& database)
    : cSQLTable(database, RecordClassOf<cOMCategoryRecord>()) {}

void cOMCategoryTable::OpenCategory(int64_t categoryId) {
    Query(QStringLiteral("select * from Category where ID = ") % NumberText(categoryId));
}

std::optional<int64_t> cCategoryTable::FindStoredCategory(const QString& name) {
    if (const auto found = FStored.constFind(name); found != FStored.constEnd())
        return *found;
    int64_t id = 0;
    if (!Database().TryQueryInt64(
            QStringLiteral("select Id from category where libelle = ") % QuotedText(name), id))
        return std::nullopt;
    FStored.insert(name, id);
    return id;
}

std::optional<int64_t> cCategoryTable::FindRecordedCategory(const QString& name) {
    return FRecorded.Find(
        *this, name, [](const cOMCategoryRecord& category) { return category.Libelle(); },
        [](const cOMCategoryRecord& category) { return category.ID(); });
}
