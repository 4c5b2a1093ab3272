#include "ui/queries/uQueryWindowKinds.h"

namespace {

using Layout = TmodNodes::ToolbarLayout;
using Host = TmodNodes::HostAction;

constexpr int EnclosureToggle = HostActionBit(Host::EnclosureReadyOnly);

const cQueryWindowDescription Descriptions[] = {
    {QueryWindowKind::RecentNodes, "frmQueryRecentNodes", "modRecentNodes", "Display recent nodes ",
     QueryUpperList::None, Layout::OneRow, true, NoFilter,
     EnclosureToggle | HostActionBit(Host::ChannelNodeByChannelId), NodeColumnClick::DateOrChannel,
     true,
     [](cNodeChannelTable& table, const cNodeQueryArgs& args) {
         table.QueryRecentNodes(args.Order, args.Filter, args.TitleFilter, args.ChannelId,
                                args.CategoryId);
     }},
    {QueryWindowKind::AllNodes, "frmQueryNodes", "modAllNodes", "All nodes", QueryUpperList::None,
     Layout::OneRow, true, NoFilter, 0, NodeColumnClick::DateOrChannel, false,
     [](cNodeChannelTable& table, const cNodeQueryArgs& args) {
         table.QueryAllNodes(args.Order, args.TitleFilter, args.ChannelId, args.CategoryId);
     }},
    {QueryWindowKind::DownloadedNodes, "frmQueryDownloadedNodes", "modDownloadedNodes",
     "Downloaded Nodes", QueryUpperList::None, Layout::TitleAlone, false, NoFilter, EnclosureToggle,
     NodeColumnClick::DateOrChannel, false,
     [](cNodeChannelTable& table, const cNodeQueryArgs& args) {
         table.QueryDownloadedNodes(args.Order, args.Filter, args.TitleFilter);
     }},
    {QueryWindowKind::EnclosureNodes, "frmQueryEnclosureNode", "mopEnclosureNode",
     "Nodes with enclosure", QueryUpperList::None, Layout::TwoRows, false, EnclosureReadyOnly,
     EnclosureToggle, NodeColumnClick::DateOrChannel, false,
     [](cNodeChannelTable& table, const cNodeQueryArgs& args) {
         table.QueryEnclosureNodes(args.Order, args.Filter, args.TitleFilter);
     }},
    {QueryWindowKind::NodesByChannel, "frmQueryNodesByChannel", "modNodesByChannel",
     "Nodes in selected channel", QueryUpperList::Channels, Layout::TwoRows, false, NoFilter,
     HostActionBit(Host::UnreadOnly), NodeColumnClick::None, true,
     [](cNodeChannelTable& table, const cNodeQueryArgs& args) {
         table.QueryNodesByChannel(args.Order, args.Filter, args.ChannelId, args.TitleFilter);
     }},
    {QueryWindowKind::NodesByCategory, "frmQueryNodesByCategory", "modNodesByCategory",
     "Nodes in selected categories", QueryUpperList::Categories, Layout::TwoRows, false, NoFilter,
     0, NodeColumnClick::CategoryOrder, true,
     [](cNodeChannelTable& table, const cNodeQueryArgs& args) {
         table.QueryNodesByCategory(args.Order, args.TitleFilter, args.CategoryId);
     }},
};

} // namespace

const cQueryWindowDescription& QueryWindowDescription(QueryWindowKind kind) {
    for (const cQueryWindowDescription& description : Descriptions)
        if (description.Kind == kind)
            return description;
    return Descriptions[0];
}
