#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QTreeView;
class TElidedLabel;
class TdmVelmora;
class cChannelDetailModel;

// Every subscribed channel with its counters, in a window of its own: the
// user changes a channel's update frequency, asks for its refresh, adds a
// feed and removes a channel. Edits are made on the window's own copy of the
// rows and reach the database with "Apply changes"; adding and removing go
// through the shared connection at once. Closing the window (also Escape)
// discards it; Delete in the list removes the channel, as its button does.
class TfrmChannelDetail : public QWidget {
    Q_OBJECT

public:
    // A top-level window, owned by parent when one is given.
    explicit TfrmChannelDetail(TdmVelmora& data, QWidget* parent = nullptr);

    cChannelDetailModel& Model() { return *FModel; }

    void ApplyChanges();
    // The add-feed dialog of the main window.
    void AddChannel();
    // Asks first; removes the selected channel with its items, their
    // enclosures and their links. The row stays until the list is read again.
    void RemoveCurrentChannel();

private:
    QWidget* CreateDetailPanel();
    // The selected row, or -1.
    // The row becomes the current one and fills the panel. Setting the
    // check box and the frequency box runs their rules on it like a user's
    // change would: a due channel is asked for now, a channel not due when
    // the box was checked waits an hour.
    void ShowChannel(int row);
    void ClearDetails();
    void FitColumns();

    TdmVelmora& FData;
    cChannelDetailModel* FModel;
    QTreeView* FList;
    TElidedLabel* FChannelId;
    TElidedLabel* FChannelTitle;
    TElidedLabel* FDescription;
    TElidedLabel* FLastUpdateOk;
    TElidedLabel* FLastUpdateTime;
    QLineEdit* FFrequency;
    TElidedLabel* FChannelUrl;
    TElidedLabel* FCounters;
    QCheckBox* FAskRefresh;
    // The row the edits apply to, or -1.
    int FCurrentRow = -1;
};
