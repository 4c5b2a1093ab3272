#include "ui/nodes/uNodeStatus.h"

#include "model/uOMEnclosure.h"

namespace {

constexpr int IconSize = 16;
// Each line is an icon and a 2-pixel gap; the download line has no gap.
constexpr int LineStep = IconSize + 2;

struct cSlotOf {
    uint8_t State;
    int Slot;
};

// A failed enclosure shows the failed page's icon: a click asks for it again.
constexpr cSlotOf EnclosureSlots[] = {
    {dsDownloaded, 47},
    {dsRequested, 48},
    {dsFailed, 58},
    {dsOffered, 49},
};

constexpr cSlotOf PageSlots[] = {
    {dsNothing, 61}, {dsDownloaded, 60}, {dsRequested, 59}, {dsRunning, 59}, {dsFailed, 58},
};

template <size_t N> int SlotOf(const cSlotOf (&iconSlots)[N], uint8_t state) {
    for (const cSlotOf& entry : iconSlots)
        if (entry.State == state)
            return entry.Slot;
    return -1;
}

} // namespace

int ReadIconSlot(bool hasBeenRead) {
    return hasBeenRead ? 39 : 41;
}

int EnclosureIconSlot(uint8_t enclosureStatus) {
    return SlotOf(EnclosureSlots, enclosureStatus);
}

int PageIconSlot(uint8_t pageState) {
    return SlotOf(PageSlots, pageState);
}

std::array<cStatusLine, 3> StatusLines(const QRect& cell) {
    const int iconLeft = cell.left() + cell.width() / 2 - IconSize / 2 + 2;
    const NodeStatusZone zones[] = {NodeStatusZone::Read, NodeStatusZone::Enclosure,
                                    NodeStatusZone::Download};
    std::array<cStatusLine, 3> lines{};
    for (int line = 0; line < 3; ++line) {
        const int top = cell.top() + line * LineStep;
        const int height = line < 2 ? LineStep : IconSize;
        lines[line] = {zones[line], QRect(cell.left(), top, cell.width(), height),
                       QRect(iconLeft, top + 1, IconSize, IconSize)};
    }
    return lines;
}

NodeStatusZone StatusZoneAt(const QRect& cell, const QPoint& point) {
    for (const cStatusLine& line : StatusLines(cell))
        if (line.Band.contains(point))
            return line.Zone;
    return NodeStatusZone::None;
}
