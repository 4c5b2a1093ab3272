#pragma once

#include "engine/uJob.h"

class cEnclosure;
class cSQLDatabase;

// Downloads the enclosure into its file in the cache folder: requested →
// downloading → downloaded, or failed when the transfer did not end with a
// 2xx reply or the file could not be written; a failed download leaves no
// file. The body streams to the file as it arrives, never whole in memory.
// Errors recording the start or the failure reach the caller.
void DownloadEnclosure(cSQLDatabase& database, const cEnclosure& enclosure);

// Downloads one requested enclosure per run, the first in the database's
// order.
class cEnclosureJob : public cBaseJob {
public:
    void Run() override;
    QString ThreadName() const override { return QStringLiteral("cEnclosureJob"); }
};
