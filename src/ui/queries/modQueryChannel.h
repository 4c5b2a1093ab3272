#pragma once

#include "ui/queries/modStatList.h"

class cChannelListModel;

// The channel list frame: owner-drawn 64-pixel rows (icon over the last
// update time, title in the channel's language, the three counters).
class TmodChannel : public TmodStatList {
    Q_OBJECT

public:
    enum FrameAction { SelectChannel, MarkChannelAsRead };

    explicit TmodChannel(TdmVelmora& data, QWidget* parent = nullptr);

    cChannelListModel& Model() { return *FModel; }

private:
    cChannelListModel* FModel;
};
