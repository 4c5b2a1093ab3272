#pragma once

#include <QStyledItemDelegate>

// Draws one cell of a channel row from the model's roles: the channel icon
// over its last update time, the title in the channel's language, the
// counters right-aligned; selection fill and grid line as for node rows,
// and the title underlined under the mouse.
class cChannelRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int RowHeight = 64;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
