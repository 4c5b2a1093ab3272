#pragma once

#include "engine/uJob.h"

// Keeps the main database small, one channel per run and each channel at
// most once a day: the channel's read nodes older than ArchiveAgeDays are
// marked archived (hidden from every list and counter), and its archived
// nodes that have also left the feed move, with their enclosures and
// enclosure links, into the archive file. Each step is a transaction of its
// own and copies before it deletes; the copies take rows already in the
// archive file in their stride, so a run that ended between a copy and its
// delete is finished by the channel's next run. Errors end the run quietly;
// the channel stays due until a run has gone through every step.
class cArchiveJob : public cBaseJob {
public:
    static constexpr int DaysBetweenArchivings = 1;
    static constexpr int ArchiveAgeDays = 40;

    void Run() override;
    QString ThreadName() const override { return QStringLiteral("cArchiveJob"); }
};
