#include "model/uOMChannelIcon.h"

#include "storage/uSQLValue.h"

bool cOMChannelIcon::WriteInsert(QStringList& statements) {
    statements << QStringLiteral(" insert into ChannelIcon values(") % NumberText(F.ChannelId) %
                      u',' % QuotedText(F.IconFileName) % u',' % FlagText(F.IsLastIconUpdateOk) %
                      u',' % QuotedText(F.LastIconUpdate_UTC) % u')';
    return true;
}

bool cOMChannelIcon::WriteUpdate(QStringList& statements) {
    statements << QStringLiteral(" update ChannelIcon set  IconFileName = ") %
                      QuotedText(F.IconFileName) % u',' % QStringLiteral(" IsLastIconUpdateOk = ") %
                      FlagText(F.IsLastIconUpdateOk) % u',' %
                      QStringLiteral(" LastIconUpdate_UTC = ") % QuotedText(F.LastIconUpdate_UTC) %
                      QStringLiteral(" where ChannelId = ") % NumberText(F.ChannelId);
    return true;
}

bool cOMChannelIcon::WriteDelete(QStringList& statements) {
    statements << QStringLiteral("delete from ChannelIcon where ChannelId = ") %
                      NumberText(F.ChannelId);
    return true;
}

bool cOMChannelIcon::LoadFromRow() {
    cSQLRecord::LoadFromRow();
    F.ChannelId = ReadInt64(0);
    F.IconFileName = ReadText(1);
    F.IsLastIconUpdateOk = ReadFlag(2);
    F.LastIconUpdate_UTC = ReadText(3);
    return true;
}

void cOMChannelIcon::Recycle() {
    cSQLRecord::Recycle();
    F = {};
}

void cOMChannelIcon::SetChannelId(int64_t value) {
    F.ChannelId = value;
    MarkModified();
}

void cOMChannelIcon::SetIconFileName(const QString& value) {
    F.IconFileName = value;
    MarkModified();
}

void cOMChannelIcon::SetIsLastIconUpdateOk(bool value) {
    F.IsLastIconUpdateOk = value;
    MarkModified();
}

void cOMChannelIcon::SetLastIconUpdate_UTC(const QString& value) {
    F.LastIconUpdate_UTC = value;
    MarkModified();
}

cOMChannelIconTable::cOMChannelIconTable(cSQLDatabase& database, const cRecordClass* recordClass)
    : cSQLTable(database, recordClass ? *recordClass : RecordClassOf<cOMChannelIcon>()) {}
