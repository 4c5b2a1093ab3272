#include "ui/queries/uChannelRowDelegate.h"

#include "storage/uConfig.h"
#include "ui/chrome/uLanguageText.h"
#include "ui/queries/uStatListModels.h"

#include <QPainter>

namespace {

constexpr int IconHeight = 32;
constexpr int DateTop = IconHeight + 1;
// Around a counter: the cell's inner margin and some air before the next.
constexpr int CounterPadding = 6;

} // namespace

QSize cChannelRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
    QSize size = cListRowDelegate::sizeHint(option, index);
    if (index.column() >= cChannelListModel::TotalColumn)
        size.setWidth(option.fontMetrics.horizontalAdvance(index.data(Qt::DisplayRole).toString()) +
                      CounterPadding);
    return size;
}

void cChannelRowDelegate::PaintCell(QPainter& painter, const QStyleOptionViewItem& option,
                                    const QRect& row, const QModelIndex& index) const {
    const QRect inner = row.adjusted(1, 0, -1, 0);
    switch (index.column()) {
    case cChannelListModel::ChannelColumn: {
        const QPixmap icon = index.data(cChannelListModel::ChannelIconRole).value<QPixmap>();
        if (!icon.isNull())
            painter.drawPixmap(QRect(inner.left(), inner.top(), inner.width(), IconHeight), icon);
        const QString lastUpdate = index.data(cChannelListModel::LastUpdateRole).toString();
        painter.setFont(FontFittingWords(painter.font(), lastUpdate, inner.width()));
        DrawLanguageText(
            painter, lastUpdate,
            QRect(inner.left(), inner.top() + DateTop, inner.width(), inner.height() - DateTop),
            GetConfig().DefaultLanguage);
        break;
    }
    case cChannelListModel::TitleColumn: {
        QFont font = option.font;
        font.setUnderline(option.state.testFlag(QStyle::State_MouseOver));
        painter.setFont(font);
        DrawLanguageText(painter, index.data(cChannelListModel::TitleRole).toString(),
                         QRect(row.left() + 1, row.top(), row.width(), row.height()),
                         index.data(cChannelListModel::LanguageRole).toString());
        break;
    }
    default:
        painter.drawText(inner, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                         index.data(Qt::DisplayRole).toString());
        break;
    }
}
