#pragma once

#include "ui/chrome/uListRowDelegate.h"
#include "ui/nodes/uNodeStatus.h"

class TButtonImages;

// Draws one cell of a node row from the model's roles: the channel icon
// over the date, the title in the row's language, the three status icons;
// the selection fill and the grid line span the row. A release of the left
// button on a status line reports its zone. Neither drawing nor clicks touch
// the database.
class cNodeRowDelegate : public cListRowDelegate {
    Q_OBJECT

public:
    explicit cNodeRowDelegate(const TButtonImages& images, QObject* parent = nullptr);

    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

signals:
    void StatusZoneClicked(const QModelIndex& index, NodeStatusZone zone);

protected:
    void PaintCell(QPainter& painter, const QStyleOptionViewItem& option, const QRect& row,
                   const QModelIndex& index) const override;

private:
    void PaintChannel(QPainter& painter, const QRect& cell, const QModelIndex& index) const;
    void PaintTitle(QPainter& painter, const QStyleOptionViewItem& option, const QRect& cell,
                    const QModelIndex& index) const;
    void PaintStatus(QPainter& painter, const QRect& cell, const QModelIndex& index) const;

    const TButtonImages& FImages;
};
