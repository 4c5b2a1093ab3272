#pragma once

#include "readmodels/uViewRecord.h"
#include "storage/uSQLDataTabRec.h"

#include <QString>
#include <cstdint>

enum class NodeOrder : int { ByDate = 0, ByChannel = 1, ByTitle = 2, ByReadState = 3 };

// A set of flags narrowing a node list.
enum NodeFilter : int {
    NoFilter = 0,
    EnclosureReadyOnly = 1,
    DownloadedOnly = 2,
    UnreadOnly = 4,
};

// One row of a node list: a node with its channel's title and image and its
// enclosure's status. The list changes a row's read and download states;
// saving writes the changed states and flags the statistics.
class cNodeChannel : public cViewRecord {
public:
    bool WriteUpdate(QStringList& statements) override;
    bool LoadFromRow() override;
    void Recycle() override;

    int64_t Id() const { return F.Id; }
    int64_t ParentChannelId() const { return F.ParentChannelId; }
    const QString& Title() const { return F.Title; }
    const QString& Description() const { return F.Description; }
    const QString& Link() const { return F.Link; }
    const QString& IsoLanguageCode() const { return F.IsoLanguageCode; }
    bool HasBeenRead() const { return F.HasBeenRead; }
    const QString& DateTimeNode_UTC() const { return F.DateTimeNode_UTC; }
    const QString& ChannelTitle() const { return F.ChannelTitle; }
    const QString& ChannelImageURL() const { return F.ChannelImageURL; }
    uint8_t EnclosureStatus() const { return F.EnclosureStatus; }
    uint8_t IsDownloaded() const { return F.IsDownloaded; }

    void SetHasBeenRead(bool value);
    void SetEnclosureStatus(uint8_t value);
    void SetIsDownloaded(uint8_t value);
    // Takes every value of the stored row and forgets the changes: after a
    // failed save the list shows what the database holds.
    void RestoreFrom(const cNodeChannel& stored);

    QString LanguageCode() const;
    // The page's file name in the cache folder: the node's ID and ".mht".
    QString PageCacheName() const;
    // The title made safe as a file name (cut to fit one; the ID when the
    // title is blank), and ".mht".
    QString ExportFileName() const;

private:
    enum ChangedState { ReadState = 0, DownloadState = 1, EnclosureState = 2 };

    struct cFields {
        int64_t Id = 0;
        int64_t ParentChannelId = 0;
        QString Title;
        QString Description;
        QString Link;
        QString IsoLanguageCode;
        bool HasBeenRead = false;
        QString DateTimeNode_UTC;
        QString ChannelTitle;
        QString ChannelImageURL;
        uint8_t EnclosureStatus = 0;
        uint8_t IsDownloaded = 0;
    } F;
};

// The node lists. Each query replaces the rows; lists end at the
// configured row limit.
class cNodeChannelTable : public cSQLTable {
public:
    explicit cNodeChannelTable(cSQLDatabase& database);

    cNodeChannel* Record(int index) const { return ItemAs<cNodeChannel>(index); }

    void QueryAllNodes(NodeOrder order, const QString& titleFilter, int64_t channelId,
                       int64_t categoryId);
    // Unread, current nodes; UnreadOnly adds nothing here.
    void QueryRecentNodes(NodeOrder order, int filter, const QString& titleFilter,
                          int64_t channelId, int64_t categoryId);
    void QueryNodesByChannel(NodeOrder order, int filter, int64_t channelId,
                             const QString& titleFilter);
    void QueryNodesByCategory(NodeOrder order, const QString& titleFilter, int64_t categoryId);
    void QueryDownloadedNodes(NodeOrder order, int filter, const QString& titleFilter);
    void QueryEnclosureNodes(NodeOrder order, int filter, const QString& titleFilter);
    // At most 100 nodes with a downloaded page, oldest first.
    void QueryPagesToExport();
    // The rows of the given nodes, archived or not, for marking them.
    void QueryNodesById(const QList<int64_t>& ids);
    // The row at index read again from the database, clean; a node that is
    // gone leaves the row as it was.
    void Reread(int index);
    void ClearNodes();

    // Mark every node of the channel (or category) read and flag the
    // statistics, in one transaction; a failure is rolled back and raised.
    void MarkChannelReadOrRaise(int64_t channelId);
    void MarkCategoryReadOrRaise(int64_t categoryId);
    // The same for the windows' lists, where a failure is rolled back
    // silently: the list shows the unchanged nodes when queried again, and a
    // fault of the file reaches the status panel (LastDatabaseFault).
    void MarkChannelRead(int64_t channelId);
    void MarkCategoryRead(int64_t categoryId);

private:
    void RunList(const QString& head, const QString& conditions, int honouredFilter, int filter,
                 const QString& titleFilter, NodeOrder order);
};
