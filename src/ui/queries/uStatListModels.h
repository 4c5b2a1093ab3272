#pragma once

#include "readmodels/uCategoryStat.h"
#include "readmodels/uChannelStat.h"
#include "ui/nodes/uTableListModel.h"

// The role every statistics list gives its row's id under.
constexpr int StatIdRole = Qt::UserRole + 1;

// The channels with their counters. The model owns the query's result and
// the order it runs with (0 title, 1 last update newest first, 2 total,
// 3 unread, 4 new, the last three largest first).
class cChannelListModel : public cRecordListModel<cChannelStatTable, int> {
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

    // Replaces the rows; a failing query leaves none.
    bool Requery(const QString& titleFilter);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
};

// The categories with their counters; order 0 name, 1 total, 2 unread,
// 3 new, the last three largest first.
class cCategoryListModel : public cRecordListModel<cCategoryStatTable, int> {
    Q_OBJECT

public:
    enum Column { TitleColumn, TotalColumn, UnreadColumn, NewColumn, ColumnCount };
    enum Role { CategoryIdRole = StatIdRole };

    explicit cCategoryListModel(TdmVelmora& data, QObject* parent = nullptr);

    bool Requery(const QString& nameFilter);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
};
