#pragma once

#include "readmodels/uNodeChannel.h"
#include "ui/nodes/modQueryNodes.h"
#include "ui/queries/fQueryWindows.h"

#include <QString>
#include <cstdint>

// What a node query of a query window is run with.
struct cNodeQueryArgs {
    NodeOrder Order;
    int Filter;
    QString TitleFilter;
    int64_t ChannelId; // 0: no restriction
    int64_t CategoryId;
};

// The list above the node list, whose selected row the node query needs.
enum class QueryUpperList { None, Channels, Categories };

// What a click on a node list column header does.
enum class NodeColumnClick {
    None,
    DateOrChannel, // "Channel" alternates date and channel order, "Title", "Status"
    CategoryOrder, // sorts the category list by the clicked column's index
};

// Everything in which the six query windows differ.
struct cQueryWindowDescription {
    QueryWindowKind Kind;
    const char* WindowName;
    const char* NodeFrameName;
    const char* Title;
    QueryUpperList Upper;
    TmodNodes::ToolbarLayout Toolbar;
    bool Choosers; // filled from the channels and categories with new items; bound
    int InitialFilter;
    // The node frame's host actions this window handles, as bits of
    // 1 << TmodNodes::HostAction.
    int HostActions;
    NodeColumnClick ColumnClick;
    bool ReleaseOnHide;
    void (*Query)(cNodeChannelTable& table, const cNodeQueryArgs& args);
};

const cQueryWindowDescription& QueryWindowDescription(QueryWindowKind kind);

constexpr int HostActionBit(TmodNodes::HostAction action) {
    return 1 << int(action);
}
