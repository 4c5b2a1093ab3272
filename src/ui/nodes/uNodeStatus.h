#pragma once

#include <QRect>
#include <array>
#include <cstdint>

// The three lines of a node row's status cell, top to bottom; a click on a
// line runs its action.
enum class NodeStatusZone { None, Read, Enclosure, Download };

// The icon slot each line shows for the row's states; -1 for no icon.
int ReadIconSlot(bool hasBeenRead);
int EnclosureIconSlot(uint8_t enclosureStatus);
int PageIconSlot(uint8_t pageState);

struct cStatusLine {
    NodeStatusZone Zone;
    QRect Band; // where a click means this line
    QRect Icon; // where its 16-pixel icon is drawn
};

// The lines of a status cell (the cell's rectangle in its row), shared by
// drawing and hit-testing so that a click lands where the icon is.
std::array<cStatusLine, 3> StatusLines(const QRect& cell);
NodeStatusZone StatusZoneAt(const QRect& cell, const QPoint& point);
