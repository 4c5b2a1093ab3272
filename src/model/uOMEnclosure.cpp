#include "model/uOMEnclosure.h"

#include "storage/uRefId.h"
#include "storage/uSQLValue.h"

bool cOmEnclosureRecord::WriteInsert(QStringList& statements) {
    statements << QStringLiteral("insert into Enclosure values(") % NumberText(F.ID) % u',' %
                      QuotedText(F.Url) % u',' % QuotedText(F.Length) % u',' %
                      QuotedText(F.MediaType) % u',' % NumberText(F.Status) % u')';
    return true;
}

bool cOmEnclosureRecord::WriteUpdate(QStringList& statements) {
    statements << QStringLiteral("update Enclosure ") % QStringLiteral("set Url= ") %
                      QuotedText(F.Url) % u',' % QStringLiteral("Length= ") % QuotedText(F.Length) %
                      u',' % QStringLiteral("MediaType= ") % QuotedText(F.MediaType) % u',' %
                      QStringLiteral("Status= ") % NumberText(F.Status) % u' ' %
                      QStringLiteral("where ID = ") % NumberText(F.ID);
    return true;
}

bool cOmEnclosureRecord::WriteDelete(QStringList& statements) {
    statements << QStringLiteral("delete from Enclosure where ID = ") % NumberText(F.ID);
    return true;
}

bool cOmEnclosureRecord::LoadFromRow() {
    cSQLRecord::LoadFromRow();
    F.ID = ReadInt64(0);
    F.Url = ReadText(1);
    F.Length = ReadText(2);
    F.MediaType = ReadText(3);
    F.Status = ReadByte(4);
    return true;
}

void cOmEnclosureRecord::Recycle() {
    cSQLRecord::Recycle();
    F = {};
}

void cOmEnclosureRecord::Attach(cSQLTable* owner) {
    cSQLRecord::Attach(owner);
    F.ID = NewId();
}

void cOmEnclosureRecord::SetUrl(const QString& value) {
    F.Url = value;
    MarkModified();
}

void cOmEnclosureRecord::SetLength(const QString& value) {
    F.Length = value;
    MarkModified();
}

void cOmEnclosureRecord::SetMediaType(const QString& value) {
    F.MediaType = value;
    MarkModified();
}

void cOmEnclosureRecord::SetStatus(uint8_t value) {
    F.Status = value;
    MarkModified();
}

cOmEnclosureTable::cOmEnclosureTable(cSQLDatabase& database, const cRecordClass* recordClass)
    : cSQLTable(database, recordClass ? *recordClass : RecordClassOf<cOmEnclosureRecord>()) {}
