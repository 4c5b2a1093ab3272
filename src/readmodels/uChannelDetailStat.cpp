#include "readmodels/uChannelDetailStat.h"

#include "storage/uSQLValue.h"

bool cChannelDetailStat::WriteUpdate(QStringList& statements) {
    statements << QStringLiteral(" update Channel  set NextUpdateDateTime_UTC = ") %
                      QuotedText(F.NextUpdateDateTime_UTC) % u',' %
                      QStringLiteral(" Frequency = ") % QuotedText(FrequencyText(F.Frequency)) %
                      QStringLiteral(" where ID = ") % NumberText(F.Id);
    return true;
}

bool cChannelDetailStat::LoadFromRow() {
    cSQLRecord::LoadFromRow();
    F.Id = ReadInt64(0);
    F.Title = ReadText(1);
    F.ChannelURL = ReadText(2);
    F.LastUpdateTime_UTC = ReadText(3);
    F.Total = ReadInt(4);
    F.Unread = ReadInt(5);
    F.New = ReadInt(6);
    F.IsoLanguageCode = ReadText(7);
    F.IsLastUpdateOk = ReadFlag(8);
    F.Frequency = FrequencyFromText(ReadText(9));
    F.Description = ReadText(10);
    F.NextUpdateDateTime_UTC = ReadText(11);
    return true;
}

void cChannelDetailStat::Recycle() {
    cSQLRecord::Recycle();
    F = {};
}

void cChannelDetailStat::SetFrequency(int32_t days, int32_t hours, int32_t minutes) {
    F.Frequency = {days, hours, minutes};
    MarkModified();
}

void cChannelDetailStat::SetNextUpdate(const QString& nextUpdate) {
    F.NextUpdateDateTime_UTC = nextUpdate;
    MarkModified();
}

cChannelDetailStatTable::cChannelDetailStatTable(cSQLDatabase& database)
    : cSQLTable(database, RecordClassOf<cChannelDetailStat>()) {}

void cChannelDetailStatTable::QueryChannelDetails() {
    // Every subscription, also one never stored (new, or failing since it
    // was added), which has no counters yet: the window is where it is
    // seen and removed.
    Query(QStringLiteral(" select c.ID, c.Title, c.ChannelURL, c.LastUpdateTime_UTC, "
                         "coalesce(s.total, 0), coalesce(s.unread, 0), coalesce(s.new, 0), "
                         "c.IsoLanguageCode,c.IsLastUpdateOk, c.Frequency,c.description,"
                         "c.NextUpdateDateTime_UTC  from channel c left join channelstat s on "
                         "c.id = s.channelid  order by c.Title "));
}
