#pragma once

#include "readmodels/uNodeChannel.h"
#include "ui/nodes/uTableListModel.h"

#include <functional>

// The rows of one node list. The model owns the result of the host window's
// query together with the order and the filter flags the window runs it
// with; views and the main window's hint read the rows through roles only.
// A row change is saved at once, in one transaction on the shared
// connection, and repaints that row only: rows keep their place until the
// next query even when they no longer match it.
class cNodeListModel : public cRecordListModel<cNodeChannelTable, NodeOrder> {
    Q_OBJECT

public:
    enum Column { ChannelColumn, TitleColumn, StatusColumn, ColumnCount };

    enum Role {
        NodeIdRole = Qt::UserRole + 1,
        ChannelIdRole,
        ChannelTitleRole,
        ChannelIconRole, // QPixmap
        TitleRole,
        DescriptionRole, // as stored, markup included
        LinkRole,
        LanguageRole, // two letters, upper case
        DateRole,     // as stored
        HasBeenReadRole,
        EnclosureStatusRole,
        PageStateRole,
        IsoLanguageCodeRole, // as stored
    };

    // A query of the host window, run on the model's rows.
    using cQuery = std::function<void(cNodeChannelTable& table)>;

    explicit cNodeListModel(TdmVelmora& data, QObject* parent = nullptr);

    // NodeFilter flags.
    int Filter() const { return FFilter; }
    void SetFilter(int filter) { FFilter = filter; }

    // Replaces the rows by those of the query; a query that fails leaves no
    // rows, never the ones it discarded. Returns whether it ran through.
    bool Requery(const cQuery& query);

    // Item actions on a row: mark it read; request its offered enclosure,
    // or a failed one again; request its page (again). Each saves at once;
    // after a failed save the row shows what the database holds.
    void MarkRead(int row);
    void RequestEnclosure(int row);
    void RequestPage(int row);
    // The local file of the row's downloaded enclosure; empty when the
    // enclosure is not ready or is gone.
    QString ReadyEnclosureFile(int row);

    // Every unread node of the channel (or category) read; the rows shown
    // change only with the next query.
    void MarkChannelRead(int64_t channelId);
    void MarkCategoryRead(int64_t categoryId);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    void SaveRow(int row, const std::function<void(cNodeChannel&)>& change);

    int FFilter = NoFilter;
};
