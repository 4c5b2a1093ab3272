#include "model/uOMChannel.h"

#include "storage/uRefId.h"
#include "storage/uSQLValue.h"

namespace {

bool ReadFrequencyNumber(const QString& text, int position, int32_t& number) {
    bool ok = false;
    number = text.mid(position, 2).trimmed().toInt(&ok);
    return ok;
}

} // namespace

QString FrequencyText(const cFrequency& frequency) {
    return QString::asprintf("d:%2dh:%2dm:%2d", frequency.Days, frequency.Hours, frequency.Minutes);
}

cFrequency FrequencyFromText(const QString& text) {
    cFrequency frequency;
    if (ReadFrequencyNumber(text, 2, frequency.Days) &&
        ReadFrequencyNumber(text, 6, frequency.Hours) &&
        ReadFrequencyNumber(text, 10, frequency.Minutes))
        return frequency;
    return cFrequency{0, 0, 30};
}

bool cOmChannelRecord::WriteInsert(QStringList& statements) {
    statements << QStringLiteral("insert into CHANNEL values(") % NumberText(F.ID) % u',' %
                      QuotedText(F.Title) % u',' % QuotedText(F.IsoLanguageCode) % u',' %
                      NumberText(F.DefaultEnclosureStatus) % u',' % QuotedText(F.ChannelURL) %
                      u',' % QuotedText(F.Link) % u',' % QuotedText(F.Description) % u',' %
                      QuotedText(F.PubDate_822) % u',' % QuotedText(F.LastBuildDate_822) % u',' %
                      QuotedText(F.ImageURL) % u',' % QuotedText(F.LastUpdateTime_UTC) % u',' %
                      QuotedText(FrequencyText(F.Frequency)) % u',' %
                      QuotedText(F.LastArchiveTime_UTC) % u',' % FlagText(F.IsLastUpdateOk) % u',' %
                      QuotedText(F.NextUpdateDateTime_UTC) % u')';
    return true;
}

bool cOmChannelRecord::WriteUpdate(QStringList& statements) {
    statements
        << QStringLiteral("update Channel set") % QStringLiteral(" Title = ") %
               QuotedText(F.Title) % u',' % QStringLiteral(" IsoLanguageCode = ") %
               QuotedText(F.IsoLanguageCode) % u',' % QStringLiteral(" DefaultEnclosureStatus = ") %
               NumberText(F.DefaultEnclosureStatus) % u',' % QStringLiteral(" ChannelURL = ") %
               QuotedText(F.ChannelURL) % u',' % QStringLiteral(" Link = ") % QuotedText(F.Link) %
               u',' % QStringLiteral(" Description = ") % QuotedText(F.Description) % u',' %
               QStringLiteral(" PubDate_822 = ") % QuotedText(F.PubDate_822) % u',' %
               QStringLiteral(" LastBuildDate_822 = ") % QuotedText(F.LastBuildDate_822) % u',' %
               QStringLiteral(" ImageURL = ") % QuotedText(F.ImageURL) % u',' %
               QStringLiteral(" LastUpdateTime_UTC = ") % QuotedText(F.LastUpdateTime_UTC) % u',' %
               QStringLiteral(" Frequency = ") % QuotedText(FrequencyText(F.Frequency)) % u',' %
               QStringLiteral(" LastArchiveTime_UTC = ") % QuotedText(F.LastArchiveTime_UTC) %
               u',' % QStringLiteral(" IsLastUpdateOk = ") % FlagText(F.IsLastUpdateOk) % u',' %
               QStringLiteral(" NextUpdateDateTime_UTC = ") % QuotedText(F.NextUpdateDateTime_UTC) %
               u' ' % QStringLiteral("where ID = ") % NumberText(F.ID);
    return true;
}

bool cOmChannelRecord::WriteDelete(QStringList& statements) {
    statements << QStringLiteral("delete from Channel where ID = ") % NumberText(F.ID);
    return true;
}

bool cOmChannelRecord::LoadFromRow() {
    cSQLRecord::LoadFromRow();
    F.ID = ReadInt64(0);
    F.Title = ReadText(1);
    F.IsoLanguageCode = ReadText(2);
    F.DefaultEnclosureStatus = ReadByte(3);
    F.ChannelURL = ReadText(4);
    F.Link = ReadText(5);
    F.Description = ReadText(6);
    F.PubDate_822 = ReadText(7);
    F.LastBuildDate_822 = ReadText(8);
    F.ImageURL = ReadText(9);
    F.LastUpdateTime_UTC = ReadText(10);
    F.Frequency = FrequencyFromText(ReadText(11));
    F.LastArchiveTime_UTC = ReadText(12);
    F.IsLastUpdateOk = ReadFlag(13);
    F.NextUpdateDateTime_UTC = ReadText(14);
    return true;
}

void cOmChannelRecord::Recycle() {
    cSQLRecord::Recycle();
    F = {};
}

void cOmChannelRecord::Attach(cSQLTable* owner) {
    cSQLRecord::Attach(owner);
    F.ID = NewId();
}

void cOmChannelRecord::SetTitle(const QString& value) {
    F.Title = value;
    MarkModified();
}

void cOmChannelRecord::SetIsoLanguageCode(const QString& value) {
    F.IsoLanguageCode = value;
    MarkModified();
}

void cOmChannelRecord::SetChannelURL(const QString& value) {
    F.ChannelURL = value;
    MarkModified();
}

void cOmChannelRecord::SetLink(const QString& value) {
    F.Link = value;
    MarkModified();
}

void cOmChannelRecord::SetDescription(const QString& value) {
    F.Description = value;
    MarkModified();
}

void cOmChannelRecord::SetPubDate_822(const QString& value) {
    F.PubDate_822 = value;
    MarkModified();
}

void cOmChannelRecord::SetImageURL(const QString& value) {
    F.ImageURL = value;
    MarkModified();
}

void cOmChannelRecord::SetLastUpdateTime_UTC(const QString& value) {
    F.LastUpdateTime_UTC = value;
    MarkModified();
}

void cOmChannelRecord::SetIsLastUpdateOk(bool value) {
    F.IsLastUpdateOk = value;
    MarkModified();
}

void cOmChannelRecord::SetNextUpdateDateTime_UTC(const QString& value) {
    F.NextUpdateDateTime_UTC = value;
    MarkModified();
}

cOmChannelTable::cOmChannelTable(cSQLDatabase& database, const cRecordClass* recordClass)
    : cSQLTable(database, recordClass ? *recordClass : RecordClassOf<cOmChannelRecord>()) {}

void cOmChannelTable::OpenAllChannels() {
    Query(QStringLiteral("select * from channel"));
}

void cOmChannelTable::OpenChannelsByUrl(const QString& url) {
    Query(QStringLiteral("select * from channel where ChannelURL = ") % QuotedText(url));
}

int64_t CountChannels(cSQLDatabase& database) {
    return database.QueryInt64(QStringLiteral("select count(*) from Channel"));
}
