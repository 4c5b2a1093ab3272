#pragma once

#include "ui/nodes/uNodeStatus.h"

#include <QStyledItemDelegate>

class TButtonImages;

// Draws one cell of a node row from the model's roles: the channel icon
// over the date, the title in the row's language, the three status icons;
// the selection fill and the grid line span the row. A release of the left
// button on a status line reports its zone. Neither drawing nor clicks touch
// the database.
class cNodeRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int RowHeight = 64;

    explicit cNodeRowDelegate(const TButtonImages& images, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    // 64 pixels and the grid line below.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

signals:
    void StatusZoneClicked(const QModelIndex& index, NodeStatusZone zone);

private:
    void PaintChannel(QPainter& painter, const QRect& cell, const QModelIndex& index) const;
    void PaintTitle(QPainter& painter, const QStyleOptionViewItem& option, const QRect& cell,
                    const QModelIndex& index) const;
    void PaintStatus(QPainter& painter, const QRect& cell, const QModelIndex& index) const;

    const TButtonImages& FImages;
};

// What every owner-drawn list row has under its content: the selection
// fill and the grid line at the bottom, both across the whole row (each cell
// draws its part). Leaves the pen in the row's text colour.
void PaintListRowBackground(QPainter& painter, const QStyleOptionViewItem& option);
