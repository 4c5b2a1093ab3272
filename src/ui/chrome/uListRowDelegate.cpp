#include "ui/chrome/uListRowDelegate.h"

#include <QPainter>
#include <QTreeView>

namespace {

// Leaves the pen in the row's text colour.
void PaintRowBackground(QPainter& painter, const QStyleOptionViewItem& option) {
    // The colour of an inactive window caption on the desktop the lists
    // were first drawn for: light enough to separate rows quietly.
    static const QColor gridLine(0xbf, 0xcd, 0xdb);
    const QRect cell = option.rect;
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    if (selected)
        painter.fillRect(cell, option.palette.brush(QPalette::Active, QPalette::Highlight));
    painter.setPen(gridLine);
    painter.drawLine(cell.left(), cell.bottom(), cell.right(), cell.bottom());
    painter.setPen(option.palette.color(QPalette::Active,
                                        selected ? QPalette::HighlightedText : QPalette::Text));
}

} // namespace

void cListRowDelegate::Install(QTreeView& list, cListRowDelegate* delegate) {
    list.setItemDelegate(delegate);
    QPalette clear = list.palette();
    clear.setColor(QPalette::Base, Qt::transparent);
    list.setPalette(clear);
}

QRect cListRowDelegate::RowPart(const QRect& cell) {
    return QRect(cell.left(), cell.top(), cell.width(), RowHeight);
}

QSize cListRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return QSize(option.rect.width(), RowHeight + 1);
}

void cListRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    painter->save();
    PaintRowBackground(*painter, option);
    painter->setFont(option.font);
    PaintCell(*painter, option, RowPart(option.rect), index);
    painter->restore();
}
