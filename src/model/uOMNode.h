#pragma once

#include "storage/uSQLDataTabRec.h"

#include <QHash>
#include <QList>
#include <QString>
#include <cstdint>

// One row of Node: a feed item. Each setter marks its column, and an update
// writes only the marked columns; marks stay set for the record's life.
class cOmNodeRecord : public cSQLRecord {
public:
    enum Column {
        colID,
        colParentChannelId,
        colTitle,
        colDescription,
        colLink,
        colGUID,
        colPubDateTimeNode_822,
        colIsoLanguageCode,
        colDateTimeLoad_UTC,
        colHasBeenRead,
        colIsArchived,
        colIsPurged,
        colDateTimeNode_UTC,
        colIsDownloaded,
        ColumnCount
    };

    bool WriteUpdate(QStringList& statements) override;
    bool WriteDelete(QStringList& statements) override;
    bool WriteInsert(QStringList& statements) override;
    bool LoadFromRow() override;
    void Recycle() override;
    void Attach(cSQLTable* owner) override;

    int64_t ID() const { return F.ID; }
    int64_t ParentChannelId() const { return F.ParentChannelId; }
    const QString& Title() const { return F.Title; }
    const QString& Description() const { return F.Description; }
    const QString& Link() const { return F.Link; }
    const QString& GUID() const { return F.GUID; }
    const QString& PubDateTimeNode_822() const { return F.PubDateTimeNode_822; }
    const QString& IsoLanguageCode() const { return F.IsoLanguageCode; }
    const QString& DateTimeLoad_UTC() const { return F.DateTimeLoad_UTC; }
    bool HasBeenRead() const { return F.HasBeenRead; }
    bool IsArchived() const { return F.IsArchived; }
    bool IsPurged() const { return F.IsPurged; }
    const QString& DateTimeNode_UTC() const { return F.DateTimeNode_UTC; }
    uint8_t IsDownloaded() const { return F.IsDownloaded; }

    void SetParentChannelId(int64_t value);
    void SetTitle(const QString& value);
    void SetDescription(const QString& value);
    void SetLink(const QString& value);
    void SetGUID(const QString& value);
    void SetPubDateTimeNode_822(const QString& value);
    void SetIsoLanguageCode(const QString& value);
    void SetDateTimeLoad_UTC(const QString& value);
    void SetHasBeenRead(bool value);
    void SetIsArchived(bool value);
    void SetIsPurged(bool value);
    void SetDateTimeNode_UTC(const QString& value);
    void SetIsDownloaded(uint8_t value);

private:
    void Changed(Column column);
    QString ColumnAssignment(int column) const;

    struct cFields {
        int64_t ID = 0;
        int64_t ParentChannelId = 0;
        QString Title;
        QString Description;
        QString Link;
        QString GUID;
        QString PubDateTimeNode_822;
        QString IsoLanguageCode;
        QString DateTimeLoad_UTC;
        bool HasBeenRead = false;
        bool IsArchived = false;
        bool IsPurged = false;
        QString DateTimeNode_UTC;
        uint8_t IsDownloaded = 0;
    } F;
};

class cOmNodeTable : public cSQLTable {
public:
    explicit cOmNodeTable(cSQLDatabase& database, const cRecordClass* recordClass = nullptr);

    cOmNodeRecord* Record(int index) const { return ItemAs<cOmNodeRecord>(index); }
    cOmNodeRecord* NewNode() { return NewRecordAs<cOmNodeRecord>(); }
};

// How many items the database holds, archived ones included: what a refresh
// brought is the change of this number.
int64_t CountStoredNodes(cSQLDatabase& database);
// How many items each of the channels holds, archived ones included; a
// channel without items (or gone) is left out.
QHash<int64_t, int64_t> CountStoredNodesOfChannels(cSQLDatabase& database,
                                                   const QList<int64_t>& channelIds);
