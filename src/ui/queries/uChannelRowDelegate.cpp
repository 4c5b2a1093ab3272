#include "ui/queries/uChannelRowDelegate.h"

#include "storage/uConfig.h"
#include "ui/chrome/uLanguageText.h"
#include "ui/nodes/uNodeRowDelegate.h"
#include "ui/queries/uStatListModels.h"

#include <QPainter>

namespace {

constexpr int IconHeight = 32;
constexpr int DateTop = IconHeight + 1;

} // namespace

QSize cChannelRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return QSize(option.rect.width(), RowHeight + 1);
}

void cChannelRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    painter->save();
    PaintListRowBackground(*painter, option);
    QFont font = option.font;
    const QRect cell(option.rect.left(), option.rect.top(), option.rect.width(), RowHeight);
    const QRect inner = cell.adjusted(1, 0, -1, 0);
    switch (index.column()) {
    case cChannelListModel::ChannelColumn: {
        const QPixmap icon = index.data(cChannelListModel::ChannelIconRole).value<QPixmap>();
        if (!icon.isNull())
            painter->drawPixmap(QRect(inner.left(), inner.top(), inner.width(), IconHeight), icon);
        painter->setFont(font);
        DrawLanguageText(
            *painter, index.data(cChannelListModel::LastUpdateRole).toString(),
            QRect(inner.left(), inner.top() + DateTop, inner.width(), inner.height() - DateTop),
            GetConfig().DefaultLanguage);
        break;
    }
    case cChannelListModel::TitleColumn:
        font.setUnderline(option.state.testFlag(QStyle::State_MouseOver));
        painter->setFont(font);
        DrawLanguageText(*painter, index.data(cChannelListModel::TitleRole).toString(),
                         QRect(cell.left() + 1, cell.top(), cell.width(), cell.height()),
                         index.data(cChannelListModel::LanguageRole).toString());
        break;
    default:
        painter->setFont(font);
        painter->drawText(inner, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                          index.data(Qt::DisplayRole).toString());
        break;
    }
    painter->restore();
}
