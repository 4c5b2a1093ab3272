#pragma once

#include "engine/uJob.h"

// Downloads one requested enclosure per run, the first in the database's
// order, into its file in the cache folder: requested → downloading →
// downloaded, or failed when the transfer did not end with a 2xx reply or
// the file could not be written. The body streams to the file as it
// arrives, never whole in memory.
class cEnclosureJob : public cBaseJob {
public:
    void Run() override;
    QString ThreadName() const override { return QStringLiteral("cEnclosureJob"); }
};
