#include "readmodels/uCategoryStat.h"

#include "readmodels/uLanguageCode.h"

namespace {

const QString Head =
    QStringLiteral(" select c.id,c.libelle,s.Total,s.Unread,s.New from "
                   "CategoryStat s, Category c         where s.CategoryId = c.id ");

QString OrderClause(int order) {
    switch (order) {
    case 0:
        return QStringLiteral(" order by c.libelle");
    case 1:
        return QStringLiteral(" order by s.Total desc");
    case 2:
        return QStringLiteral(" order by s.Unread desc");
    case 3:
        return QStringLiteral(" order by s.new desc");
    default:
        return QString();
    }
}

} // namespace

bool cCategoryStat::LoadFromRow() {
    cSQLRecord::LoadFromRow();
    F.Id = ReadInt64(0);
    F.Libelle = ReadText(1);
    F.Total = ReadInt(2);
    F.Unread = ReadInt(3);
    F.New = ReadInt(4);
    return true;
}

void cCategoryStat::Recycle() {
    cSQLRecord::Recycle();
    F = {};
}

cCategoryStatTable::cCategoryStatTable(cSQLDatabase& database)
    : cSQLTable(database, RecordClassOf<cCategoryStat>()) {}

void cCategoryStatTable::QueryCategoryStats(int order, const QString& nameFilter) {
    QString text = Head;
    if (!nameFilter.isEmpty())
        text += QStringLiteral(" and c.libelle like ") % LikePattern(nameFilter);
    Query(text % OrderClause(order));
}

void cCategoryStatTable::QueryCategoriesWithNew() {
    Query(Head % QStringLiteral(" and s.new <> 0 order by c.libelle "));
}
