#pragma once

#include "ui/chrome/uListRowDelegate.h"

// Draws one cell of a channel row from the model's roles: the channel icon
// over its last update time, the title in the channel's language, the
// counters right-aligned; selection fill and grid line as for node rows,
// and the title underlined under the mouse.
class cChannelRowDelegate : public cListRowDelegate {
    Q_OBJECT

public:
    using cListRowDelegate::cListRowDelegate;

    // A counter's column is as wide as its number: the header sizes the
    // counters' columns to their contents.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    void PaintCell(QPainter& painter, const QStyleOptionViewItem& option, const QRect& row,
                   const QModelIndex& index) const override;
};
