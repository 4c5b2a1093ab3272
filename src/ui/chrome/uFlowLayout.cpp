#include "ui/chrome/uFlowLayout.h"

#include <QWidget>
#include <algorithm>

cFlowLayout::cFlowLayout(QWidget* parent) : QLayout(parent) {
    setSpacing(2);
}

cFlowLayout::~cFlowLayout() {
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void cFlowLayout::AddWidget(QWidget* widget, int width) {
    addChildWidget(widget);
    addItem(new QWidgetItem(widget));
    FEntries.last().Width = width;
}

void cFlowLayout::AddRowBreak() {
    FBreakPending = true;
    invalidate();
}

void cFlowLayout::addItem(QLayoutItem* item) {
    FEntries.append({item, -1, FBreakPending});
    FBreakPending = false;
    invalidate();
}

int cFlowLayout::count() const {
    return int(FEntries.size());
}

QLayoutItem* cFlowLayout::itemAt(int index) const {
    return index >= 0 && index < count() ? FEntries[index].Item : nullptr;
}

QLayoutItem* cFlowLayout::takeAt(int index) {
    if (index < 0 || index >= count())
        return nullptr;
    const cEntry taken = FEntries.takeAt(index);
    // The row still ends where it did.
    if (taken.BreakBefore && index < count())
        FEntries[index].BreakBefore = true;
    invalidate();
    return taken.Item;
}

Qt::Orientations cFlowLayout::expandingDirections() const {
    return {};
}

bool cFlowLayout::hasHeightForWidth() const {
    return true;
}

int cFlowLayout::heightForWidth(int width) const {
    return Arrange(QRect(0, 0, width, 0), false);
}

QSize cFlowLayout::minimumSize() const {
    // Every item on a row of its own, as narrow as it may be.
    QSize size(0, 0);
    for (const cEntry& entry : FEntries)
        if (!entry.Item->isEmpty())
            size = size.expandedTo(
                QSize(entry.Item->minimumSize().width(), entry.Item->sizeHint().height()));
    const QMargins margins = contentsMargins();
    return size.grownBy(margins);
}

QSize cFlowLayout::sizeHint() const {
    // The rows ended on purpose, each at its items' preferred widths.
    int widest = 0;
    int row = 0;
    bool breakPending = false;
    for (const cEntry& entry : FEntries) {
        breakPending = breakPending || entry.BreakBefore;
        if (entry.Item->isEmpty())
            continue;
        if (breakPending && row > 0) {
            widest = std::max(widest, row - RowSpacing());
            row = 0;
        }
        breakPending = false;
        row += PreferredWidth(entry) + RowSpacing();
    }
    if (row > 0)
        widest = std::max(widest, row - RowSpacing());
    const QMargins margins = contentsMargins();
    const int width = widest + margins.left() + margins.right();
    return {width, heightForWidth(width)};
}

void cFlowLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    Arrange(rect, true);
}

int cFlowLayout::RowSpacing() const {
    return std::max(0, spacing());
}

int cFlowLayout::PreferredWidth(const cEntry& entry) const {
    const QLayoutItem& item = *entry.Item;
    const int width = entry.Width < 0 ? item.sizeHint().width() : entry.Width;
    return std::max(item.minimumSize().width(), std::min(width, item.maximumSize().width()));
}

int cFlowLayout::Arrange(const QRect& rect, bool apply) const {
    const QRect area = rect.marginsRemoved(contentsMargins());
    const int gap = RowSpacing();
    struct cPlaced {
        QLayoutItem* Item;
        int Left;
        int Width;
        int Height;
    };
    QList<cPlaced> row;
    int top = area.top();
    int next = area.left();
    int rowHeight = 0;
    int rows = 0;
    const auto endRow = [&] {
        if (row.isEmpty())
            return;
        // Controls of different heights share the row's middle line.
        if (apply)
            for (const cPlaced& placed : row)
                placed.Item->setGeometry(QRect(placed.Left, top + (rowHeight - placed.Height) / 2,
                                               placed.Width, placed.Height));
        top += rowHeight + gap;
        ++rows;
        row.clear();
        next = area.left();
        rowHeight = 0;
    };

    bool breakPending = false;
    for (const cEntry& entry : FEntries) {
        breakPending = breakPending || entry.BreakBefore;
        if (entry.Item->isEmpty())
            continue;
        int width = PreferredWidth(entry);
        if (breakPending || (!row.isEmpty() && next + width > area.left() + area.width()))
            endRow();
        breakPending = false;
        if (row.isEmpty())
            width = std::max(entry.Item->minimumSize().width(), std::min(width, area.width()));
        const int height = entry.Item->sizeHint().height();
        row.append({entry.Item, next, width, height});
        next += width + gap;
        rowHeight = std::max(rowHeight, height);
    }
    endRow();

    const QMargins margins = contentsMargins();
    const int content = rows > 0 ? top - gap - area.top() : 0;
    return content + margins.top() + margins.bottom();
}
