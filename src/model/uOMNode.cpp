#include "model/uOMNode.h"

#include "storage/uRefId.h"
#include "storage/uSQLLiteImp.h"
#include "storage/uSQLValue.h"

#include <QScopeGuard>

bool cOmNodeRecord::WriteInsert(QStringList& statements) {
    statements << QStringLiteral("insert into Node values(") % NumberText(F.ID) % u',' %
                      NumberText(F.ParentChannelId) % u',' % QuotedText(F.Title) % u',' %
                      QuotedText(F.Description) % u',' % QuotedText(F.Link) % u',' %
                      QuotedText(F.GUID) % u',' % QuotedText(F.PubDateTimeNode_822) % u',' %
                      QuotedText(F.IsoLanguageCode) % u',' % QuotedText(F.DateTimeLoad_UTC) % u',' %
                      FlagText(F.HasBeenRead) % u',' % FlagText(F.IsArchived) % u',' %
                      FlagText(F.IsPurged) % u',' % QuotedText(F.DateTimeNode_UTC) % u',' %
                      NumberText(F.IsDownloaded) % u' ' % u')';
    return true;
}

QString cOmNodeRecord::ColumnAssignment(int column) const {
    switch (column) {
    case colParentChannelId:
        return QStringLiteral("ParentChannelId = ") % NumberText(F.ParentChannelId);
    case colTitle:
        return QStringLiteral("Title = ") % QuotedText(F.Title);
    case colDescription:
        return QStringLiteral("Description = ") % QuotedText(F.Description);
    case colLink:
        return QStringLiteral("Link = ") % QuotedText(F.Link);
    case colGUID:
        return QStringLiteral("GUID = ") % QuotedText(F.GUID);
    case colPubDateTimeNode_822:
        return QStringLiteral("PubDateTimeNode_822 = ") % QuotedText(F.PubDateTimeNode_822);
    case colIsoLanguageCode:
        return QStringLiteral("IsoLanguageCode = ") % QuotedText(F.IsoLanguageCode);
    case colDateTimeLoad_UTC:
        return QStringLiteral("DateTimeLoad_UTC = ") % QuotedText(F.DateTimeLoad_UTC);
    case colHasBeenRead:
        return QStringLiteral("HasBeenRead = ") % FlagText(F.HasBeenRead);
    case colIsArchived:
        return QStringLiteral("IsArchived = ") % FlagText(F.IsArchived);
    case colIsPurged:
        return QStringLiteral("IsPurged = ") % FlagText(F.IsPurged);
    case colDateTimeNode_UTC:
        return QStringLiteral("DateTimeNode_UTC = ") % QuotedText(F.DateTimeNode_UTC);
    case colIsDownloaded:
        return QStringLiteral("IsDownloaded = ") % NumberText(F.IsDownloaded);
    default:
        return QString();
    }
}

bool cOmNodeRecord::WriteUpdate(QStringList& statements) {
    if (ModifiedFields.none()) {
        statements << QStringLiteral("update Node set Title = ") % QuotedText(F.Title) % u',' %
                          QStringLiteral("Description = ") % QuotedText(F.Description) % u',' %
                          QStringLiteral("Link = ") % QuotedText(F.Link) % u',' %
                          QStringLiteral("GUID = ") % QuotedText(F.GUID) % u',' %
                          QStringLiteral("PubDateTimeNode_822 = ") %
                          QuotedText(F.PubDateTimeNode_822) % u',' %
                          QStringLiteral("IsoLanguageCode = ") % QuotedText(F.IsoLanguageCode) %
                          u',' % QStringLiteral("DateTimeLoad_UTC = ") %
                          QuotedText(F.DateTimeLoad_UTC) % u',' % QStringLiteral("HasBeenRead = ") %
                          FlagText(F.HasBeenRead) % u',' % QStringLiteral("IsArchived = ") %
                          FlagText(F.IsArchived) % u',' % QStringLiteral("IsPurged = ") %
                          FlagText(F.IsPurged) % u',' % QStringLiteral("ParentChannelId = ") %
                          NumberText(F.ParentChannelId) % u',' %
                          QStringLiteral("DateTimeNode_UTC = ") % QuotedText(F.DateTimeNode_UTC) %
                          u',' % QStringLiteral("IsDownloaded = ") % NumberText(F.IsDownloaded) %
                          u' ' % QStringLiteral("where ID = ") % NumberText(F.ID);
        return true;
    }
    QString statement = QStringLiteral("update node set ");
    for (int column = colParentChannelId; column < ColumnCount; ++column)
        if (ModifiedFields.test(static_cast<size_t>(column)))
            statement += ColumnAssignment(column) % u',';
    statement.chop(1);
    statements << statement % QStringLiteral(" where Id = ") % NumberText(F.ID);
    return true;
}

bool cOmNodeRecord::WriteDelete(QStringList& statements) {
    statements << QStringLiteral("delete from Node where ID = ") % NumberText(F.ID);
    return true;
}

bool cOmNodeRecord::LoadFromRow() {
    cSQLRecord::LoadFromRow();
    F.ID = ReadInt64(colID);
    F.ParentChannelId = ReadInt64(colParentChannelId);
    F.Title = ReadText(colTitle);
    F.Description = ReadText(colDescription);
    F.Link = ReadText(colLink);
    F.GUID = ReadText(colGUID);
    F.PubDateTimeNode_822 = ReadText(colPubDateTimeNode_822);
    F.IsoLanguageCode = ReadText(colIsoLanguageCode);
    F.DateTimeLoad_UTC = ReadText(colDateTimeLoad_UTC);
    F.HasBeenRead = ReadFlag(colHasBeenRead);
    F.IsArchived = ReadFlag(colIsArchived);
    F.IsPurged = ReadFlag(colIsPurged);
    F.DateTimeNode_UTC = ReadText(colDateTimeNode_UTC);
    F.IsDownloaded = ReadByte(colIsDownloaded);
    return true;
}

void cOmNodeRecord::Recycle() {
    cSQLRecord::Recycle();
    F = {};
}

void cOmNodeRecord::Attach(cSQLTable* owner) {
    cSQLRecord::Attach(owner);
    F.ID = NewId();
}

void cOmNodeRecord::Changed(Column column) {
    MarkField(column);
    MarkModified();
}

void cOmNodeRecord::SetParentChannelId(int64_t value) {
    F.ParentChannelId = value;
    Changed(colParentChannelId);
}

void cOmNodeRecord::SetTitle(const QString& value) {
    F.Title = value;
    Changed(colTitle);
}

void cOmNodeRecord::SetDescription(const QString& value) {
    F.Description = value;
    Changed(colDescription);
}

void cOmNodeRecord::SetLink(const QString& value) {
    F.Link = value;
    Changed(colLink);
}

void cOmNodeRecord::SetGUID(const QString& value) {
    F.GUID = value;
    Changed(colGUID);
}

void cOmNodeRecord::SetPubDateTimeNode_822(const QString& value) {
    F.PubDateTimeNode_822 = value;
    Changed(colPubDateTimeNode_822);
}

void cOmNodeRecord::SetIsoLanguageCode(const QString& value) {
    F.IsoLanguageCode = value;
    Changed(colIsoLanguageCode);
}

void cOmNodeRecord::SetDateTimeLoad_UTC(const QString& value) {
    F.DateTimeLoad_UTC = value;
    Changed(colDateTimeLoad_UTC);
}

void cOmNodeRecord::SetHasBeenRead(bool value) {
    F.HasBeenRead = value;
    Changed(colHasBeenRead);
}

void cOmNodeRecord::SetIsArchived(bool value) {
    F.IsArchived = value;
    Changed(colIsArchived);
}

void cOmNodeRecord::SetIsPurged(bool value) {
    F.IsPurged = value;
    Changed(colIsPurged);
}

void cOmNodeRecord::SetDateTimeNode_UTC(const QString& value) {
    F.DateTimeNode_UTC = value;
    Changed(colDateTimeNode_UTC);
}

void cOmNodeRecord::SetIsDownloaded(uint8_t value) {
    F.IsDownloaded = value;
    Changed(colIsDownloaded);
}

cOmNodeTable::cOmNodeTable(cSQLDatabase& database, const cRecordClass* recordClass)
    : cSQLTable(database, recordClass ? *recordClass : RecordClassOf<cOmNodeRecord>()) {}

int64_t CountStoredNodes(cSQLDatabase& database) {
    return database.QueryInt64(QStringLiteral("select count(*) from Node"));
}

QHash<int64_t, int64_t> CountStoredNodesOfChannels(cSQLDatabase& database,
                                                   const QList<int64_t>& channelIds) {
    QHash<int64_t, int64_t> counts;
    if (channelIds.isEmpty())
        return counts;
    QStringList ids;
    for (int64_t id : channelIds)
        ids << NumberText(id);
    TSQLLiteImp& connection = database.Connection();
    connection.PrepareQuery({QStringLiteral("select ParentChannelId, count(*) from Node where "
                                            "ParentChannelId in (") %
                             ids.join(u',') % QStringLiteral(") group by ParentChannelId")});
    const auto closed = qScopeGuard([&connection] { connection.CloseQuery(); });
    for (; !connection.Eof(); connection.Step())
        counts.insert(connection.ColumnInt64(0), connection.ColumnInt64(1));
    return counts;
}
