#pragma once

#include <QStyledItemDelegate>

class QTreeView;

// What every owner-drawn list row shares: 64 pixels with a grid line below,
// and under each cell's content the selection fill and the grid line, both
// across the whole row (each cell draws its part). The list's own base is
// made transparent, so rows lie on the window's background.
class cListRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int RowHeight = 64;

    using QStyledItemDelegate::QStyledItemDelegate;

    // Draws the list's rows with delegate (a child of the list).
    static void Install(QTreeView& list, cListRowDelegate* delegate);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const final;
    // 64 pixels and the grid line below.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    // The 64-pixel row inside a cell, without the grid line.
    static QRect RowPart(const QRect& cell);

    // Draws the content of one cell into row (its part without the grid
    // line); the painter comes with the option's font and the pen in the
    // row's text colour, and is restored afterwards.
    virtual void PaintCell(QPainter& painter, const QStyleOptionViewItem& option, const QRect& row,
                           const QModelIndex& index) const = 0;
};
