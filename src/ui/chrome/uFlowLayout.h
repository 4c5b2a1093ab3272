#pragma once

#include <QLayout>
#include <QList>

// Lays its items out left to right in rows, in the order they were added,
// and moves an item that does not fit to the next row, so a toolbar in a
// narrow panel grows taller instead of cutting its controls off. An item
// alone on a row that is too narrow for it shrinks, but not below its
// minimum width. Rows may also be ended on purpose. Hidden widgets take no
// room.
class cFlowLayout : public QLayout {
public:
    explicit cFlowLayout(QWidget* parent = nullptr);
    ~cFlowLayout() override;

    // Adds the widget at width, or at its size hint's width when width is
    // negative.
    void AddWidget(QWidget* widget, int width = -1);
    // The next visible item starts a new row.
    void AddRowBreak();

    void addItem(QLayoutItem* item) override;
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    struct cEntry {
        QLayoutItem* Item;
        int Width;        // negative: the item's size hint
        bool BreakBefore; // ends the row before this item
    };

    // Places the items inside rect (when apply) and returns the height the
    // rows take, margins included.
    int Arrange(const QRect& rect, bool apply) const;
    int PreferredWidth(const cEntry& entry) const;
    int RowSpacing() const;

    QList<cEntry> FEntries;
    bool FBreakPending = false;
};
