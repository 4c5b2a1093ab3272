#include "ui/nodes/uNodeRowDelegate.h"

#include "ui/chrome/uLanguageText.h"
#include "ui/nodes/uNodeListModel.h"
#include "ui/shell/uButtonImages.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr int IconHeight = 32;
constexpr int DateTop = IconHeight + 1;

} // namespace

cNodeRowDelegate::cNodeRowDelegate(const TButtonImages& images, QObject* parent)
    : cListRowDelegate(parent), FImages(images) {}

void cNodeRowDelegate::PaintCell(QPainter& painter, const QStyleOptionViewItem& option,
                                 const QRect& row, const QModelIndex& index) const {
    switch (index.column()) {
    case cNodeListModel::ChannelColumn:
        PaintChannel(painter, row, index);
        break;
    case cNodeListModel::TitleColumn:
        PaintTitle(painter, option, row, index);
        break;
    case cNodeListModel::StatusColumn:
        PaintStatus(painter, row, index);
        break;
    default:
        break;
    }
}

void cNodeRowDelegate::PaintChannel(QPainter& painter, const QRect& cell,
                                    const QModelIndex& index) const {
    const QRect span(cell.left() + 1, cell.top(), cell.width() - 2, cell.height());
    const QPixmap icon = index.data(cNodeListModel::ChannelIconRole).value<QPixmap>();
    if (!icon.isNull())
        painter.drawPixmap(QRect(span.left(), span.top(), span.width(), IconHeight), icon);
    const QString date = index.data(cNodeListModel::DateRole).toString();
    painter.setFont(FontFittingWords(painter.font(), date, span.width()));
    DrawLanguageText(
        painter, date,
        QRect(span.left(), span.top() + DateTop, span.width(), span.height() - DateTop),
        index.data(cNodeListModel::LanguageRole).toString());
}

void cNodeRowDelegate::PaintTitle(QPainter& painter, const QStyleOptionViewItem& option,
                                  const QRect& cell, const QModelIndex& index) const {
    QFont font = option.font;
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() + 2);
    else
        font.setPixelSize(font.pixelSize() * 4 / 3);
    font.setBold(option.state.testFlag(QStyle::State_Selected));
    painter.setFont(font);
    DrawLanguageText(painter, index.data(cNodeListModel::TitleRole).toString(),
                     cell.adjusted(1, 1, -1, -1),
                     index.data(cNodeListModel::LanguageRole).toString());
}

void cNodeRowDelegate::PaintStatus(QPainter& painter, const QRect& cell,
                                   const QModelIndex& index) const {
    const int iconSlots[] = {
        ReadIconSlot(index.data(cNodeListModel::HasBeenReadRole).toBool()),
        EnclosureIconSlot(uint8_t(index.data(cNodeListModel::EnclosureStatusRole).toInt())),
        PageIconSlot(uint8_t(index.data(cNodeListModel::PageStateRole).toInt())),
    };
    const auto lines = StatusLines(cell);
    for (size_t line = 0; line < lines.size(); ++line)
        if (iconSlots[line] >= 0)
            painter.drawPixmap(lines[line].Icon, FImages.Pixmap(iconSlots[line]));
}

bool cNodeRowDelegate::editorEvent(QEvent* event, QAbstractItemModel*,
                                   const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event->type() != QEvent::MouseButtonRelease ||
        index.column() != cNodeListModel::StatusColumn)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton)
        return false;
    const NodeStatusZone zone = StatusZoneAt(RowPart(option.rect), mouse->position().toPoint());
    if (zone == NodeStatusZone::None)
        return false;
    emit StatusZoneClicked(index, zone);
    return true;
}
