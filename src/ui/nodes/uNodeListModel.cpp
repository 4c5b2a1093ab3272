#include "ui/nodes/uNodeListModel.h"

#include "ingest/uEnclosure.h"
#include "model/uOMEnclosure.h"
#include "ui/nodes/uListErrors.h"
#include "ui/shell/dVelmora.h"

#include <QPixmap>
#include <iterator>

namespace {

constexpr const char* ColumnTitles[] = {"Channel", "Title", "Status"};
static_assert(std::size(ColumnTitles) == cNodeListModel::ColumnCount);
// Lists start in date order.
static_assert(NodeOrder{} == NodeOrder::ByDate);

} // namespace

cNodeListModel::cNodeListModel(TdmVelmora& data, QObject* parent)
    : cRecordListModel(data, ColumnTitles, parent) {}

bool cNodeListModel::Requery(const cQuery& query) {
    return RunQuery("node list query", query);
}

void cNodeListModel::SaveRow(int row, const std::function<void(cNodeChannel&)>& change) {
    if (!Row(row))
        return;
    change(*Table().Record(row));
    const bool saved =
        RunGuarded("saving a node row", [&] { FData.Database().SaveAllInTransaction(); });
    if (!saved)
        RunGuarded("reading a node row again", [&] { Table().Reread(row); });
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void cNodeListModel::MarkRead(int row) {
    SaveRow(row, [](cNodeChannel& node) { node.SetHasBeenRead(true); });
}

void cNodeListModel::RequestEnclosure(int row) {
    const cNodeChannel* node = Row(row);
    if (!node || (node->EnclosureStatus() != dsOffered && node->EnclosureStatus() != dsFailed))
        return;
    SaveRow(row, [](cNodeChannel& changed) { changed.SetEnclosureStatus(dsRequested); });
}

void cNodeListModel::RequestPage(int row) {
    SaveRow(row, [](cNodeChannel& node) { node.SetIsDownloaded(dsRequested); });
}

QString cNodeListModel::ReadyEnclosureFile(int row) {
    const cNodeChannel* node = Row(row);
    if (!node || node->EnclosureStatus() != dsDownloaded)
        return QString();
    cEnclosureTable enclosures(FData.Database());
    enclosures.OpenNodeEnclosures(node->Id());
    if (enclosures.Count() == 0)
        return QString();
    return enclosures.Record(0)->EnclosureFileName();
}

void cNodeListModel::MarkChannelRead(int64_t channelId) {
    Table().MarkChannelRead(channelId);
}

void cNodeListModel::MarkCategoryRead(int64_t categoryId) {
    Table().MarkCategoryRead(categoryId);
}

QVariant cNodeListModel::data(const QModelIndex& index, int role) const {
    const cNodeChannel* node = index.isValid() ? Row(index.row()) : nullptr;
    if (!node)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == ChannelColumn)
            return node->ChannelTitle();
        if (index.column() == TitleColumn)
            return node->Title();
        return QVariant();
    case NodeIdRole:
        return QVariant::fromValue<qint64>(node->Id());
    case ChannelIdRole:
        return QVariant::fromValue<qint64>(node->ParentChannelId());
    case ChannelTitleRole:
        return node->ChannelTitle();
    case ChannelIconRole:
        return FData.ChannelIcons().Icon(node->ParentChannelId());
    case TitleRole:
        return node->Title();
    case DescriptionRole:
        return node->Description();
    case LinkRole:
        return node->Link();
    case LanguageRole:
        return node->LanguageCode();
    case DateRole:
        return node->DateTimeNode_UTC();
    case HasBeenReadRole:
        return node->HasBeenRead();
    case EnclosureStatusRole:
        return int(node->EnclosureStatus());
    case PageStateRole:
        return int(node->IsDownloaded());
    case IsoLanguageCodeRole:
        return node->IsoLanguageCode();
    default:
        return QVariant();
    }
}
