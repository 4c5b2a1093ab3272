#pragma once

#include "readmodels/uChannelDetailStat.h"
#include "ui/nodes/uTableListModel.h"

// The channels of one detail window, with their counters and schedules, on
// a connection of the window's own: edits stay in these rows until they are
// applied, so two windows edit their own copies and the one applied last
// wins for a channel.
class cChannelDetailModel : public cRecordListModel<cChannelDetailStatTable, int> {
    Q_OBJECT

public:
    enum Column {
        IdColumn,
        TitleColumn,
        LastUpdateOkColumn,
        LastUpdateColumn,
        TotalColumn,
        UnreadColumn,
        NewColumn,
        ColumnCount
    };
    enum Role {
        ChannelIdRole = Qt::UserRole + 1,
        TitleRole,
        DescriptionRole,
        LastUpdateOkRole, // "-1" or "0", as the list shows it
        LastUpdateRole,   // as stored
        ChannelUrlRole,
        CountersRole,   // total, unread and new, one blank apart
        FrequencyRole,  // its stored text form, "d: 1h: 0m:30"
        NextUpdateRole, // the text "Apply changes" writes
    };

    // Opens the model's own connection on the main database.
    explicit cChannelDetailModel(TdmVelmora& data, QObject* parent = nullptr);
    ~cChannelDetailModel() override;

    // Replaces the rows, unapplied edits included; a failing query leaves
    // none.
    bool Requery();

    // Whether the channel falls due now: its next update time is not later
    // than now, or is empty or unreadable (the scheduler takes those too).
    bool IsDue(int row) const;
    // The frequency as typed: a text that does not read as a stored
    // frequency means 30 minutes.
    void SetFrequencyText(int row, const QString& text);
    // A refresh at the scheduler's next pass (the next update time becomes
    // now), or none for an hour.
    void SetRefreshAsap(int row, bool asap);
    // Writes every changed row in one transaction. When that fails nothing
    // is written and the rows are read again, so that they show what is
    // stored; returns whether the changes were written.
    bool ApplyChanges();

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

protected:
    cSQLDatabase& Database() override { return FDatabase; }

private:
    // The row's record, changed afterwards through the given edit.
    void Edit(int row, const std::function<void(cChannelDetailStat& channel)>& edit);

    cSQLDatabase FDatabase;
};
