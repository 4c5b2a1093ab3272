#include "ui/queries/uStatListModels.h"

#include "ui/shell/dVelmora.h"

#include <QPixmap>
#include <iterator>

namespace {

constexpr const char* ChannelTitles[] = {"Channel", "Title", "Total", "Unread", "New"};
static_assert(std::size(ChannelTitles) == cChannelListModel::ColumnCount);

constexpr const char* CategoryTitles[] = {"Category's Title", "Total", "Unread", "New"};
static_assert(std::size(CategoryTitles) == cCategoryListModel::ColumnCount);

} // namespace

cChannelListModel::cChannelListModel(TdmVelmora& data, QObject* parent)
    : cRecordListModel(data, ChannelTitles, parent) {}

bool cChannelListModel::Requery(const QString& titleFilter) {
    return RunQuery("channel list query", [&](cChannelStatTable& table) {
        table.QueryChannelStats(Order(), titleFilter);
    });
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
        return FData.ChannelIcons().Icon(channel->Id());
    default:
        return QVariant();
    }
}

cCategoryListModel::cCategoryListModel(TdmVelmora& data, QObject* parent)
    : cRecordListModel(data, CategoryTitles, parent) {}

bool cCategoryListModel::Requery(const QString& nameFilter) {
    return RunQuery("category list query", [&](cCategoryStatTable& table) {
        table.QueryCategoryStats(Order(), nameFilter);
    });
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
