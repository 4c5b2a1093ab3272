#include "ui/nodes/uTableListModel.h"

#include "ui/shell/dVelmora.h"

cTableListModel::cTableListModel(TdmVelmora& data, std::span<const char* const> columnTitles,
                                 QObject* parent)
    : QAbstractTableModel(parent), FData(data), FColumnTitles(columnTitles) {}

cTableListModel::~cTableListModel() = default;

cSQLDatabase& cTableListModel::Database() {
    return FData.Database();
}

void cTableListModel::Release() {
    beginResetModel();
    if (FTable)
        FTable->Clear();
    endResetModel();
}

int cTableListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !FTable ? 0 : FTable->Count();
}

int cTableListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(FColumnTitles.size());
}

QVariant cTableListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromUtf8(FColumnTitles[size_t(section)]);
}
