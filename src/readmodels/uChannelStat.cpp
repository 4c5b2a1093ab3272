#include "readmodels/uChannelStat.h"

#include "readmodels/uLanguageCode.h"

namespace {

const QString Head = QStringLiteral(
    " select c.id,c.title,c.link,c.lastupdatetime_utc,s.total,s.unread,s.new,c.IsoLanguageCode,"
    "c.channelurl from channel c, channelstat s where c.id = s.channelid");

QString OrderClause(int order) {
    switch (order) {
    case 0:
        return QStringLiteral(" order by c.title ");
    case 1:
        return QStringLiteral(" order by c.lastupdatetime_utc DESC ");
    case 2:
        return QStringLiteral(" order by s.total desc ");
    case 3:
        return QStringLiteral(" order by s.unread desc ");
    case 4:
        return QStringLiteral(" order by s.new desc ");
    default:
        return QString();
    }
}

} // namespace

bool cChannelStat::LoadFromRow() {
    cSQLRecord::LoadFromRow();
    F.Id = ReadInt64(0);
    F.Title = ReadText(1);
    F.Link = ReadText(2);
    F.LastUpdateTime_UTC = ReadText(3);
    F.Total = ReadInt(4);
    F.Unread = ReadInt(5);
    F.New = ReadInt(6);
    F.IsoLanguageCode = ReadText(7);
    F.ChannelURL = ReadText(8);
    return true;
}

void cChannelStat::Recycle() {
    cSQLRecord::Recycle();
    F = {};
}

QString cChannelStat::LanguageCode() const {
    return LanguageCodeOf(F.IsoLanguageCode);
}

cChannelStatTable::cChannelStatTable(cSQLDatabase& database)
    : cSQLTable(database, RecordClassOf<cChannelStat>()) {}

void cChannelStatTable::QueryChannelStats(int order, const QString& titleFilter) {
    QString text = Head;
    if (!titleFilter.isEmpty())
        text += QStringLiteral(" and c.title like ") % LikePattern(titleFilter);
    Query(text % OrderClause(order));
}

void cChannelStatTable::QueryChannelsWithNew() {
    Query(Head % QStringLiteral(" and s.new <> 0 order by c.title "));
}
