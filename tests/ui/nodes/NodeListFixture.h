#pragma once

#include "ui/nodes/uNodePreview.h"

#include <QList>
#include <QUrl>
#include <cstdint>

class QAbstractItemModel;
class QAbstractItemView;
class cSQLDatabase;

// Puts the same small database in place for every window test (what was
// there before is removed): three channels, two categories, and unread
// items in every page and enclosure state, one of them in Hebrew.
//   channels  1 Alpha News (en)  2 Beta Daily (he)  3 Gamma Weekly (fr, no new items)
//   nodes, newest first:
//     15 Gamma  "Zebra downloading"     page 3, enclosure 24 failed (4)
//     11 Alpha  "Offered enclosure"     page 0, enclosure 21 offered (5)
//     12 Alpha  "Q&A: ready enclosure"  page 1, enclosure 22 ready (1), category Tech
//     13 Beta   Hebrew title            page 2, enclosure 23 queued (2)
//     14 Beta   "Failed page"           page 4, language "x"
//     16 Alpha  "Old read item"         read
//     17 Alpha  archived
//   categories 100 World (channel Beta), 101 Tech (node 12)
void FillNodeListFixture(cSQLDatabase& database);

// The node ids of a node list model's rows, in order.
QList<qint64> NodeIds(const QAbstractItemModel& model);
// The row showing the node, or -1.
int RowOfNode(const QAbstractItemModel& model, qint64 nodeId);

// Records what opening items asked of the main window.
class cPreviewRecorder : public cNodePreviewTarget {
public:
    void ShowNodePreview(const cNodePreview& preview) override { Previews << preview; }
    void Navigate(const QUrl& address) override { Addresses << address; }

    QList<cNodePreview> Previews;
    QList<QUrl> Addresses;
};
