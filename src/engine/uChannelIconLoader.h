#pragma once

#include "engine/uJob.h"

#include <cstdint>

class cChannelIconList;

// Loads one channel's image on a worker and stores it with the icon cache:
// the image its feed names, decoded by the format its first bytes show, or
// the red fallback badge when there is none to load. A damaged or oversized
// image, or a failed fetch, ends the run with nothing stored, so the next
// lookup that misses the ring tries again. Urgent: the user is waiting to
// see it. Once stored, the window repaints.
class cChannelIconLoaderJob : public cBaseJob {
public:
    cChannelIconLoaderJob(int64_t channelId, cChannelIconList& icons);

    void Run() override;
    QString ThreadName() const override { return QStringLiteral("cChannelIconLoaderJob"); }

    const int64_t ChannelId;
    // The fallback badge's size.
    const int Size = 64;

private:
    cChannelIconList& FIcons;
};
