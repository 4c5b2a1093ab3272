#pragma once

class QWidget;
class TdmVelmora;
class cNodePreviewTarget;

// The six lists the dock panel can hold.
enum class QueryWindowKind {
    RecentNodes,
    NodesByChannel,
    NodesByCategory,
    EnclosureNodes,
    DownloadedNodes,
    AllNodes,
};

// A new, hidden query window of the kind, owned by parent; showing it runs
// its first query, hiding it releases its rows.
QWidget* CreateQueryWindow(QueryWindowKind kind, TdmVelmora& data, cNodePreviewTarget& preview,
                           QWidget* parent);
