#include "ui/queries/modQueryChannel.h"

#include "ui/queries/uChannelRowDelegate.h"
#include "ui/queries/uStatListModels.h"

#include <QHeaderView>
#include <QTreeView>

TmodChannel::TmodChannel(TdmVelmora& data, QWidget* parent)
    : TmodStatList(data, {"tbChannel", "tntChannels", "edChannelFilter", "lvChannel"},
                   QStringLiteral("Channels"), new cChannelListModel(data),
                   {{"acSelectChannel", "Select a channel",
                     "Select channel and display nodes belonging to this channel", 62},
                    {"acMarkChannelAsRead", "Mark channel as read",
                     "Mark all nodes in this channel as read", 39}},
                   parent),
      FModel(static_cast<cChannelListModel*>(List().model())) {
    setObjectName(QStringLiteral("modChannel"));
    QTreeView& list = List();
    cListRowDelegate::Install(list, new cChannelRowDelegate(&list));
    list.setMouseTracking(true);
    QHeaderView* header = list.header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(cChannelListModel::ChannelColumn, QHeaderView::Fixed);
    header->resizeSection(cChannelListModel::ChannelColumn, 64);
    header->setSectionResizeMode(cChannelListModel::TitleColumn, QHeaderView::Stretch);
    for (int column = cChannelListModel::TotalColumn; column < cChannelListModel::ColumnCount;
         ++column)
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
}
