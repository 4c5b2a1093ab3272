#pragma once

#include "engine/uJob.h"

#include <cstdint>

class cSQLDatabase;

// Rebuilds the channel's ChannelStat row and flags the CategoryStat rows of
// the categories it reaches, in a transaction of its own. A channel that no
// longer exists gets no new row.
void RecomputeChannelStatistics(cSQLDatabase& database, int64_t channelId);

// Rebuilds the counters of one flagged channel per run.
class cChannelStatJob : public cBaseJob {
public:
    void Run() override;
    QString ThreadName() const override { return QStringLiteral("cChannelStatJob"); }
};

// Rebuilds the counters of every flagged category: each non-archived node
// of the category counts once, whether its channel or the node itself is
// linked to the category.
class cCategoryStatJob : public cBaseJob {
public:
    void Run() override;
    QString ThreadName() const override { return QStringLiteral("cCategoryStatJob"); }
};
