#include "ui/channels/uChannelDetailModel.h"

#include "storage/uConfig.h"
#include "storage/uDTFormat.h"
#include "storage/uErrors.h"

#include <iterator>

namespace {

constexpr const char* ColumnTitles[] = {
    "ID", "Title", "LastUpdateOk", "LastUpdateDateTime", "TotalNodes", "TotalUnread", "TotalNew"};
static_assert(std::size(ColumnTitles) == cChannelDetailModel::ColumnCount);

QString FlagShown(bool flag) {
    return flag ? QStringLiteral("-1") : QStringLiteral("0");
}

} // namespace

cChannelDetailModel::cChannelDetailModel(TdmVelmora& data, QObject* parent)
    : cRecordListModel(data, ColumnTitles, parent) {
    FDatabase.Open(GetConfig().MainDatabasePath());
}

cChannelDetailModel::~cChannelDetailModel() {
    // The rows go before the connection they were read on.
    FTable.reset();
}

bool cChannelDetailModel::Requery() {
    return RunQuery("channel details query",
                    [](cChannelDetailStatTable& table) { table.QueryChannelDetails(); });
}

bool cChannelDetailModel::IsDue(int row) const {
    const cChannelDetailStat* channel = Row(row);
    if (!channel)
        return false;
    const QString& next = channel->NextUpdateDateTime_UTC();
    if (next.isEmpty())
        return true;
    try {
        return TextToDateTime(next) <= LocalNow();
    } catch (const EVelmoraError&) {
        return true;
    }
}

void cChannelDetailModel::SetFrequencyText(int row, const QString& text) {
    Edit(row, [&](cChannelDetailStat& channel) {
        const cFrequency frequency = FrequencyFromText(text);
        channel.SetFrequency(frequency.Days, frequency.Hours, frequency.Minutes);
    });
}

void cChannelDetailModel::SetRefreshAsap(int row, bool asap) {
    Edit(row, [asap](cChannelDetailStat& channel) {
        const QDateTime now = LocalNow();
        channel.SetNextUpdate(DateTimeToText(asap ? now : now.addSecs(3600)));
    });
}

bool cChannelDetailModel::ApplyChanges() {
    if (RunGuarded("applying channel changes", [this] { FDatabase.SaveAllInTransaction(); }))
        return true;
    Requery();
    return false;
}

void cChannelDetailModel::Edit(int row,
                               const std::function<void(cChannelDetailStat& channel)>& edit) {
    if (!Row(row))
        return;
    edit(*Table().Record(row));
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

QVariant cChannelDetailModel::data(const QModelIndex& index, int role) const {
    const cChannelDetailStat* channel = index.isValid() ? Row(index.row()) : nullptr;
    if (!channel)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case IdColumn:
            return QString::number(channel->Id());
        case TitleColumn:
            return channel->Title();
        case LastUpdateOkColumn:
            return FlagShown(channel->IsLastUpdateOk());
        case LastUpdateColumn:
            return channel->LastUpdateTime_UTC();
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
        if (index.column() == IdColumn || index.column() >= TotalColumn)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant();
    case ChannelIdRole:
        return QVariant::fromValue<qint64>(channel->Id());
    case TitleRole:
        return channel->Title();
    case DescriptionRole:
        return channel->Description();
    case LastUpdateOkRole:
        return FlagShown(channel->IsLastUpdateOk());
    case LastUpdateRole:
        return channel->LastUpdateTime_UTC();
    case ChannelUrlRole:
        return channel->ChannelURL();
    case CountersRole:
        return QStringLiteral("%1 %2 %3")
            .arg(channel->Total())
            .arg(channel->Unread())
            .arg(channel->New());
    case FrequencyRole:
        return FrequencyText(channel->Frequency());
    case NextUpdateRole:
        return channel->NextUpdateDateTime_UTC();
    default:
        return QVariant();
    }
}
