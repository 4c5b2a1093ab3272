#include "ui/queries/uStatListModels.h"

#include "ui/nodes/uListErrors.h"
#include "ui/shell/dVelmora.h"

#include <QPixmap>

namespace {

QVariant HorizontalHeader(const char* const titles[], int count, int section,
                          Qt::Orientation orientation, int role) {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= count)
        return QVariant();
    return QString::fromUtf8(titles[section]);
}

} // namespace

cChannelListModel::cChannelListModel(TdmVelmora& data, QObject* parent)
    : QAbstractTableModel(parent), FData(data) {}

cChannelListModel::~cChannelListModel() = default;

const cChannelStat* cChannelListModel::Row(int row) const {
    if (!FTable || row < 0 || row >= FTable->Count())
        return nullptr;
    return FTable->Record(row);
}

bool cChannelListModel::Requery(const QString& titleFilter) {
    beginResetModel();
    if (!FTable)
        FTable = std::make_unique<cChannelStatTable>(FData.Database());
    const bool ran =
        RunGuarded("channel list query", [&] { FTable->QueryChannelStats(FOrder, titleFilter); });
    if (!ran)
        FTable->Clear();
    endResetModel();
    return ran;
}

void cChannelListModel::Release() {
    beginResetModel();
    if (FTable)
        FTable->Clear();
    endResetModel();
}

int cChannelListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !FTable ? 0 : FTable->Count();
}

int cChannelListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant cChannelListModel::data(const QModelIndex& index, int role) const {
    const cChannelStat* channel = index.isValid() ? Row(index.row()) : nullptr;
    if (!channel)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case ChannelColumn:
            return channel->LastUpdateTime_UTC();
        case TitleColumn:
            return channel->Title();
        case TotalColumn:
            return channel->Total();
        case UnreadColumn:
            return channel->Unread();
        case NewColumn:
            return channel->New();
        default:
            return QVariant();
        }
    case Qt::TextAlignmentRole:
        if (index.column() >= TotalColumn)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant();
    case ChannelIdRole:
        return QVariant::fromValue<qint64>(channel->Id());
    case TitleRole:
        return channel->Title();
    case LanguageRole:
        return channel->LanguageCode();
    case LastUpdateRole:
        return channel->LastUpdateTime_UTC();
    case ChannelIconRole:
        return FData.ChannelIcons().Icon(channel->Id(), channel->Title());
    default:
        return QVariant();
    }
}

QVariant cChannelListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const Titles[] = {"Channel", "Title", "Total", "Unread", "New"};
    const QVariant title = HorizontalHeader(Titles, ColumnCount, section, orientation, role);
    return title.isValid() ? title : QAbstractTableModel::headerData(section, orientation, role);
}

cCategoryListModel::cCategoryListModel(TdmVelmora& data, QObject* parent)
    : QAbstractTableModel(parent), FData(data) {}

cCategoryListModel::~cCategoryListModel() = default;

const cCategoryStat* cCategoryListModel::Row(int row) const {
    if (!FTable || row < 0 || row >= FTable->Count())
        return nullptr;
    return FTable->Record(row);
}

bool cCategoryListModel::Requery(const QString& nameFilter) {
    beginResetModel();
    if (!FTable)
        FTable = std::make_unique<cCategoryStatTable>(FData.Database());
    const bool ran =
        RunGuarded("category list query", [&] { FTable->QueryCategoryStats(FOrder, nameFilter); });
    if (!ran)
        FTable->Clear();
    endResetModel();
    return ran;
}

void cCategoryListModel::Release() {
    beginResetModel();
    if (FTable)
        FTable->Clear();
    endResetModel();
}

int cCategoryListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !FTable ? 0 : FTable->Count();
}

int cCategoryListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant cCategoryListModel::data(const QModelIndex& index, int role) const {
    const cCategoryStat* category = index.isValid() ? Row(index.row()) : nullptr;
    if (!category)
        return QVariant();
    if (role == CategoryIdRole)
        return QVariant::fromValue<qint64>(category->Id());
    if (role != Qt::DisplayRole)
        return QVariant();
    switch (index.column()) {
    case TitleColumn:
        return category->Libelle();
    case TotalColumn:
        return category->Total();
    case UnreadColumn:
        return category->Unread();
    case NewColumn:
        return category->New();
    default:
        return QVariant();
    }
}

QVariant cCategoryListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const Titles[] = {"Category's Title", "Total", "Unread", "New"};
    const QVariant title = HorizontalHeader(Titles, ColumnCount, section, orientation, role);
    return title.isValid() ? title : QAbstractTableModel::headerData(section, orientation, role);
}
