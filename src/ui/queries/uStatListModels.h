#pragma once

#include "readmodels/uCategoryStat.h"
#include "readmodels/uChannelStat.h"

#include <QAbstractTableModel>
#include <memory>

class TdmVelmora;

// The role every statistics list gives its row's id under.
constexpr int StatIdRole = Qt::UserRole + 1;

// The channels with their counters. The model owns the query's result and
// the order it runs with (0 title, 1 last update newest first, 2 total,
// 3 unread, 4 new, the last three largest first).
class cChannelListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { ChannelColumn, TitleColumn, TotalColumn, UnreadColumn, NewColumn, ColumnCount };
    enum Role {
        ChannelIdRole = StatIdRole,
        TitleRole,
        LanguageRole,   // two letters, upper case
        LastUpdateRole, // as stored
        ChannelIconRole,
    };

    explicit cChannelListModel(TdmVelmora& data, QObject* parent = nullptr);
    ~cChannelListModel() override;

    int Order() const { return FOrder; }
    void SetOrder(int order) { FOrder = order; }
    // Replaces the rows; a failing query leaves none.
    bool Requery(const QString& titleFilter);
    void Release();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    const cChannelStat* Row(int row) const;

    TdmVelmora& FData;
    std::unique_ptr<cChannelStatTable> FTable;
    int FOrder = 0;
};

// The categories with their counters; order 0 name, 1 total, 2 unread,
// 3 new, the last three largest first.
class cCategoryListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { TitleColumn, TotalColumn, UnreadColumn, NewColumn, ColumnCount };
    enum Role { CategoryIdRole = StatIdRole };

    explicit cCategoryListModel(TdmVelmora& data, QObject* parent = nullptr);
    ~cCategoryListModel() override;

    int Order() const { return FOrder; }
    void SetOrder(int order) { FOrder = order; }
    bool Requery(const QString& nameFilter);
    void Release();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    const cCategoryStat* Row(int row) const;

    TdmVelmora& FData;
    std::unique_ptr<cCategoryStatTable> FTable;
    int FOrder = 0;
};
