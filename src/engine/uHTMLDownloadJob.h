#pragma once

#include "engine/uJob.h"

// Saves one requested page per run, the first in the database's order, as
// an MHTML document in the cache folder: requested → downloading → saved,
// or failed (and no file) when the page could not be fetched or written.
class cHTMLDownloadJob : public cBaseJob {
public:
    void Run() override;
    QString ThreadName() const override { return QStringLiteral("cHTMLDownloadJob"); }
};
