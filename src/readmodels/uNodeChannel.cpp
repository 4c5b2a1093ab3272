#include "readmodels/uNodeChannel.h"

#include "readmodels/uLanguageCode.h"
#include "readmodels/uReadModelsLog.h"
#include "storage/uConfig.h"
#include "storage/uSQLValue.h"

namespace {

const QString Columns = QStringLiteral(
    " select node.id,node.parentchannelid,node.title,node.description,node.link,"
    "node.isolanguagecode,node.hasbeenread,node.datetimenode_utc,channel.title,channel.imageurl,"
    "enclosure.status,node.isdownloaded  from node  join channel on channel.id = "
    "node.parentchannelid ");

const QString ListHead =
    Columns + QStringLiteral(" left join node2enclosure on node2enclosure.nodeid = node.id  left "
                             "join enclosure on node2enclosure.enclosureid = enclosure.id  where ");

const QString EnclosureListHead =
    Columns + QStringLiteral(" join node2enclosure on node2enclosure.nodeid = node.id  join "
                             "enclosure on node2enclosure.enclosureid = enclosure.id  where ");

QString OrderClause(NodeOrder order) {
    switch (order) {
    case NodeOrder::ByDate:
        return QStringLiteral(" order by node.DateTimeNode_UTC DESC ");
    case NodeOrder::ByChannel:
        return QStringLiteral(" order by channel.Title ");
    case NodeOrder::ByTitle:
        return QStringLiteral(" order by node.Title ");
    case NodeOrder::ByReadState:
        return QStringLiteral(" order by node.HasBeenRead ");
    }
    return QString();
}

QString FilterConditions(int filter) {
    QString conditions;
    if (filter & EnclosureReadyOnly)
        conditions += QStringLiteral(" and enclosure.status = ") % QStringLiteral("1");
    if (filter & DownloadedOnly)
        conditions += QStringLiteral(" and node.IsDownloaded = ") % QStringLiteral("1");
    if (filter & UnreadOnly)
        conditions += QStringLiteral(" and node.HasBeenRead = 0");
    return conditions;
}

QString ChannelAndCategory(int64_t channelId, int64_t categoryId) {
    QString conditions;
    if (channelId > 0)
        conditions += QStringLiteral(" and channel.id = ") % NumberText(channelId);
    if (categoryId > 0) {
        const QString k = NumberText(categoryId);
        conditions += QStringLiteral(" and ((node.id in (select nodeid from node2category where "
                                     "categoryid = ") %
                      k % QStringLiteral(")) or") %
                      QStringLiteral(" (node.parentchannelid in (select channelid from "
                                     "channel2category where categoryid = ") %
                      k % QStringLiteral(")))");
    }
    return conditions;
}

} // namespace

bool cNodeChannel::WriteUpdate(QStringList& statements) {
    const QString id = NumberText(F.Id);
    const QString channel = NumberText(F.ParentChannelId);
    // Only the states changed in this list are written: a download state
    // that a background job moved on since the list was loaded stays.
    const bool read = ModifiedFields.test(ReadState);
    const bool download = ModifiedFields.test(DownloadState);
    if (read && download)
        statements << QStringLiteral(" update node  set HasBeenRead = ") % FlagText(F.HasBeenRead) %
                          QStringLiteral(" , ") % QStringLiteral(" IsDownloaded = ") %
                          NumberText(F.IsDownloaded) % QStringLiteral(" where id = ") % id;
    else if (read)
        statements << QStringLiteral(" update node  set HasBeenRead = ") % FlagText(F.HasBeenRead) %
                          QStringLiteral(" where id = ") % id;
    else if (download)
        statements << QStringLiteral(" update node  set IsDownloaded = ") %
                          NumberText(F.IsDownloaded) % QStringLiteral(" where id = ") % id;
    if (ModifiedFields.test(EnclosureState))
        statements << QStringLiteral(" update enclosure  set Status = ") %
                          NumberText(F.EnclosureStatus) % QStringLiteral(" where id in ") %
                          QStringLiteral(" (select e.id from enclosure e,node2enclosure n where "
                                         "n.enclosureid = e.id and n.nodeid = ") %
                          id % u')';
    statements << QStringLiteral("update channelstat  set NeedRecalc = -1  where ChannelId = ") %
                      channel;
    statements << QStringLiteral(" update categorystat    set NeedRecalc = -1  where categoryid "
                                 "in  (select categoryid from node2category  where "
                                 "node2category.nodeid = ") %
                      id % u')';
    statements << QStringLiteral(" update categorystat  set needrecalc = -1  where categoryid in  "
                                 "(select categoryid from channel2category  where "
                                 "channel2category.channelid = ") %
                      channel % u')';
    // A row stays on screen after its save: its next save writes only what
    // changes from then on, never a state that a job has since moved on.
    ModifiedFields.reset();
    return true;
}

bool cNodeChannel::LoadFromRow() {
    cSQLRecord::LoadFromRow();
    F.Id = ReadInt64(0);
    F.ParentChannelId = ReadInt64(1);
    F.Title = ReadText(2);
    F.Description = ReadText(3);
    F.Link = ReadText(4);
    F.IsoLanguageCode = ReadText(5);
    F.HasBeenRead = ReadFlag(6);
    F.DateTimeNode_UTC = ReadText(7);
    F.ChannelTitle = ReadText(8);
    F.ChannelImageURL = ReadText(9);
    F.EnclosureStatus = ReadByte(10);
    F.IsDownloaded = ReadByte(11);
    return true;
}

void cNodeChannel::Recycle() {
    cSQLRecord::Recycle();
    F = {};
}

void cNodeChannel::SetHasBeenRead(bool value) {
    F.HasBeenRead = value;
    MarkField(ReadState);
    MarkModified();
}

void cNodeChannel::SetEnclosureStatus(uint8_t value) {
    F.EnclosureStatus = value;
    MarkField(EnclosureState);
    MarkModified();
}

void cNodeChannel::SetIsDownloaded(uint8_t value) {
    F.IsDownloaded = value;
    MarkField(DownloadState);
    MarkModified();
}

void cNodeChannel::RestoreFrom(const cNodeChannel& stored) {
    F = stored.F;
    RecordStatus = rsClean;
    ModifiedFields.reset();
}

QString cNodeChannel::LanguageCode() const {
    return LanguageCodeOf(F.IsoLanguageCode);
}

QString cNodeChannel::PageCacheName() const {
    return NumberText(F.Id) % QStringLiteral(".mht");
}

namespace {

// The longest start of the text whose UTF-8 takes at most the bytes given,
// never cutting a character in two.
QString Utf8Prefix(const QString& text, qsizetype bytes) {
    qsizetype used = 0;
    qsizetype kept = 0;
    while (kept < text.size()) {
        const qsizetype width = text[kept].isHighSurrogate() && kept + 1 < text.size() ? 2 : 1;
        used += QStringView(text).mid(kept, width).toUtf8().size();
        if (used > bytes)
            break;
        kept += width;
    }
    return text.left(kept);
}

} // namespace

QString cNodeChannel::ExportFileName() const {
    static const QString unsafe = QStringLiteral("\"&'*,./;<>?\\\u00AB\u00BB");
    static const QString extension = QStringLiteral(".mht");
    // A file system holds names of 255 bytes at most: a longer title is cut
    // rather than make its page impossible to export.
    constexpr qsizetype MaxNameBytes = 255;
    // An item without a title would give a hidden ".mht", shared by all of
    // them: its id names it instead.
    QString name = F.Title.trimmed().isEmpty()
                       ? NumberText(F.Id)
                       : Utf8Prefix(F.Title, MaxNameBytes - extension.size());
    for (QChar& character : name)
        if (unsafe.contains(character))
            character = QLatin1Char('_');
    return name % extension;
}

cNodeChannelTable::cNodeChannelTable(cSQLDatabase& database)
    : cSQLTable(database, RecordClassOf<cNodeChannel>()) {}

void cNodeChannelTable::RunList(const QString& head, const QString& conditions, int honouredFilter,
                                int filter, const QString& titleFilter, NodeOrder order) {
    QString text = head % conditions % FilterConditions(filter & honouredFilter);
    if (!titleFilter.isEmpty())
        text += QStringLiteral(" and node.Title like ") % LikePattern(titleFilter);
    text += OrderClause(order) % QStringLiteral(" limit ") % NumberText(GetConfig().NodeListLimit);
    Query(text);
}

void cNodeChannelTable::QueryAllNodes(NodeOrder order, const QString& titleFilter,
                                      int64_t channelId, int64_t categoryId) {
    RunList(ListHead,
            QStringLiteral("node.IsArchived = 0") % ChannelAndCategory(channelId, categoryId),
            NoFilter, NoFilter, titleFilter, order);
}

void cNodeChannelTable::QueryRecentNodes(NodeOrder order, int filter, const QString& titleFilter,
                                         int64_t channelId, int64_t categoryId) {
    RunList(ListHead,
            QStringLiteral("node.HasBeenRead = 0 and node.IsArchived = 0 and node.IsPurged = 0") %
                ChannelAndCategory(channelId, categoryId),
            EnclosureReadyOnly | DownloadedOnly, filter, titleFilter, order);
}

void cNodeChannelTable::QueryNodesByChannel(NodeOrder order, int filter, int64_t channelId,
                                            const QString& titleFilter) {
    RunList(ListHead,
            QStringLiteral("node.IsArchived = 0 and channel.id =") % NumberText(channelId),
            EnclosureReadyOnly | DownloadedOnly | UnreadOnly, filter, titleFilter, order);
}

void cNodeChannelTable::QueryNodesByCategory(NodeOrder order, const QString& titleFilter,
                                             int64_t categoryId) {
    const QString k = NumberText(categoryId);
    RunList(ListHead,
            QStringLiteral("node.IsArchived = 0  and node.id in ( select node.id from "
                           "node,channel2category where node.parentchannelid = "
                           "channel2category.channelId and channel2category.categoryid = ") %
                k % QStringLiteral(" union") %
                QStringLiteral(" select nodeid from node2category ") %
                QStringLiteral(" where node2category.categoryid = ") % k % QStringLiteral(" )"),
            NoFilter, NoFilter, titleFilter, order);
}

void cNodeChannelTable::QueryDownloadedNodes(NodeOrder order, int filter,
                                             const QString& titleFilter) {
    RunList(ListHead, QStringLiteral("node.IsArchived = 0  and node.isdownloaded <> ") % u'0',
            EnclosureReadyOnly | DownloadedOnly, filter, titleFilter, order);
}

void cNodeChannelTable::QueryEnclosureNodes(NodeOrder order, int filter,
                                            const QString& titleFilter) {
    RunList(EnclosureListHead,
            QStringLiteral("node.IsArchived = 0  and Enclosure.Status <> ") % u'0',
            EnclosureReadyOnly | DownloadedOnly, filter, titleFilter, order);
}

void cNodeChannelTable::QueryPagesToExport() {
    Query(ListHead % QStringLiteral("node.IsArchived = 0  and node.isdownloaded = ") % u'1' %
          QStringLiteral(" order by Node.DateTimeNode_UTC ") % QStringLiteral(" limit 100"));
}

void cNodeChannelTable::QueryNodesById(const QList<int64_t>& ids) {
    QStringList numbers;
    for (int64_t id : ids)
        numbers << NumberText(id);
    Query(ListHead % QStringLiteral("node.id in (") % numbers.join(u',') % u')');
}

void cNodeChannelTable::Reread(int index) {
    cNodeChannel* row = Record(index);
    cNodeChannelTable stored(Database());
    stored.QueryNodesById({row->Id()});
    if (stored.Count() > 0)
        row->RestoreFrom(*stored.Record(0));
}

void cNodeChannelTable::ClearNodes() {
    Query(QStringLiteral("select * from node where node.id = 0"));
}

void cNodeChannelTable::MarkChannelReadOrRaise(int64_t channelId) {
    const QString x = NumberText(channelId);
    Database().InTransaction([&] {
        Database().Execute(QStringLiteral(" update node  set HasBeenRead = -1  where "
                                          "ParentChannelId = ") %
                           x % QStringLiteral(" and HasBeenRead = 0 "));
        Database().Execute(
            QStringLiteral(" update channelstat  set NeedRecalc = -1  where ChannelId = ") % x);
        Database().Execute(
            QStringLiteral(" update categorystat  set NeedRecalc = -1  where categoryid in  ( "
                           "select node2category.categoryid from node2category,node   where "
                           "node.id = node2category.nodeid and   node.parentchannelid = ") %
            x % QStringLiteral(" union ") %
            QStringLiteral(" select channel2category.categoryid from channel2category ") %
            QStringLiteral(" where channel2category.channelid = ") % x % QStringLiteral(" ) "));
    });
}

void cNodeChannelTable::MarkCategoryReadOrRaise(int64_t categoryId) {
    const QString k = NumberText(categoryId);
    Database().InTransaction([&] {
        Database().Execute(QStringLiteral(" update node  set HasBeenRead = -1  where "
                                          "HasBeenRead = 0  and Id in  (select nodeid from "
                                          "node2category where categoryid = ") %
                           k % u')');
        Database().Execute(QStringLiteral(" update node  set HasBeenRead = -1  where "
                                          "HasBeenRead = 0  and ParentChannelId in  (select "
                                          "Channelid from Channel2category where categoryid = ") %
                           k % u')');
        Database().Execute(
            QStringLiteral(" update channelstat  set NeedRecalc = -1  where ChannelId in  "
                           "(select parentchannelid from node,node2category  where node.id = "
                           "node2category.nodeid  and node2category.categoryid = ") %
            k % u')');
        // The channels linked to the category had their nodes marked read
        // too: their counters are stale as well.
        Database().Execute(QStringLiteral(" update channelstat  set NeedRecalc = -1  where "
                                          "ChannelId in  (select ChannelId from "
                                          "Channel2category where categoryid = ") %
                           k % u')');
        Database().Execute(
            QStringLiteral(" update categorystat  set NeedRecalc = -1  where categoryid = ") % k);
    });
}

void cNodeChannelTable::MarkChannelRead(int64_t channelId) {
    try {
        MarkChannelReadOrRaise(channelId);
    } catch (const EVelmoraError& error) {
        // Rolled back; the list shows the unchanged nodes when queried again.
        qCDebug(ReadModelsLog) << "channel" << channelId << "not marked read:" << error.Message();
    }
}

void cNodeChannelTable::MarkCategoryRead(int64_t categoryId) {
    try {
        MarkCategoryReadOrRaise(categoryId);
    } catch (const EVelmoraError& error) {
        // Rolled back; nothing changes.
        qCDebug(ReadModelsLog) << "category" << categoryId << "not marked read:" << error.Message();
    }
}
