#include "model/uOMChannelFetch.h"

#include "storage/uSQLValue.h"

bool cOmChannelFetchRecord::WriteInsert(QStringList& statements) {
    statements << QStringLiteral("insert or replace into ChannelFetch values(") %
                      NumberText(F.ChannelId) % u',' % QuotedText(F.ETag) % u',' %
                      QuotedText(F.LastModified) % u',' % NumberText(F.HttpStatus) % u',' %
                      QuotedText(F.FailureReason) % u')';
    return true;
}

bool cOmChannelFetchRecord::WriteUpdate(QStringList& statements) {
    return WriteInsert(statements);
}

bool cOmChannelFetchRecord::WriteDelete(QStringList& statements) {
    statements << QStringLiteral("delete from ChannelFetch where ChannelId = ") %
                      NumberText(F.ChannelId);
    return true;
}

bool cOmChannelFetchRecord::LoadFromRow() {
    cSQLRecord::LoadFromRow();
    F.ChannelId = ReadInt64(0);
    F.ETag = ReadText(1);
    F.LastModified = ReadText(2);
    F.HttpStatus = ReadInt(3);
    F.FailureReason = ReadText(4);
    return true;
}

void cOmChannelFetchRecord::Recycle() {
    cSQLRecord::Recycle();
    F = {};
}

void cOmChannelFetchRecord::SetChannelId(int64_t value) {
    F.ChannelId = value;
    MarkModified();
}

void cOmChannelFetchRecord::SetETag(const QString& value) {
    F.ETag = value;
    MarkModified();
}

void cOmChannelFetchRecord::SetLastModified(const QString& value) {
    F.LastModified = value;
    MarkModified();
}

void cOmChannelFetchRecord::SetHttpStatus(int32_t value) {
    F.HttpStatus = value;
    MarkModified();
}

void cOmChannelFetchRecord::SetFailureReason(const QString& value) {
    F.FailureReason = value;
    MarkModified();
}

cOmChannelFetchTable::cOmChannelFetchTable(cSQLDatabase& database)
    : cSQLTable(database, RecordClassOf<cOmChannelFetchRecord>()) {}

void cOmChannelFetchTable::OpenChannelFetch(int64_t channelId) {
    Query(QStringLiteral("select * from ChannelFetch where ChannelId = ") % NumberText(channelId));
}

void cOmChannelFetchTable::OpenAllFetches() {
    Query(QStringLiteral("select * from ChannelFetch"));
}
