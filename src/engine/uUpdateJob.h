#pragma once

#include "engine/uJob.h"

#include <cstdint>

// Refreshes one channel on a connection of its own (kept for the worker's
// next job), then rebuilds its statistics when the refresh stored a feed
// (not after a 304).
class cUpdateJob : public cBaseJob {
public:
    explicit cUpdateJob(int64_t channelId = 0) : ChannelId(channelId) {}

    void Run() override;
    QString ThreadName() const override;

    const int64_t ChannelId;
};
