#include "ui/nodes/uNodeRowDelegate.h"

#include "ui/chrome/uLanguageText.h"
#include "ui/nodes/uNodeListModel.h"
#include "ui/shell/uButtonImages.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr int IconHeight = 32;
constexpr int DateTop = IconHeight + 1;

// The 64-pixel row inside a cell, without the grid line.
QRect RowPart(const QRect& cell) {
    return QRect(cell.left(), cell.top(), cell.width(), cNodeRowDelegate::RowHeight);
}

} // namespace

void PaintListRowBackground(QPainter& painter, const QStyleOptionViewItem& option) {
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

cNodeRowDelegate::cNodeRowDelegate(const TButtonImages& images, QObject* parent)
    : QStyledItemDelegate(parent), FImages(images) {}

QSize cNodeRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return QSize(option.rect.width(), RowHeight + 1);
}

void cNodeRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    painter->save();
    PaintListRowBackground(*painter, option);
    painter->setFont(option.font);
    const QRect row = RowPart(option.rect);
    switch (index.column()) {
    case cNodeListModel::ChannelColumn:
        PaintChannel(*painter, row, index);
        break;
    case cNodeListModel::TitleColumn:
        PaintTitle(*painter, option, row, index);
        break;
    case cNodeListModel::StatusColumn:
        PaintStatus(*painter, row, index);
        break;
    default:
        break;
    }
    painter->restore();
}

void cNodeRowDelegate::PaintChannel(QPainter& painter, const QRect& cell,
                                    const QModelIndex& index) const {
    const QRect span(cell.left() + 1, cell.top(), cell.width() - 2, cell.height());
    const QPixmap icon = index.data(cNodeListModel::ChannelIconRole).value<QPixmap>();
    if (!icon.isNull())
        painter.drawPixmap(QRect(span.left(), span.top(), span.width(), IconHeight), icon);
    DrawLanguageText(
        painter, index.data(cNodeListModel::DateRole).toString(),
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
