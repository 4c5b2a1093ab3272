#pragma once

#include "model/uOMEnclosure.h"

// An enclosure as the feed and download paths see it.
class cEnclosure : public cOmEnclosureRecord {
public:
    // The cache folder, the enclosure's ID and the extension of its URL.
    QString EnclosureFileName() const;
};

class cEnclosureTable : public cOmEnclosureTable {
public:
    explicit cEnclosureTable(cSQLDatabase& database);

    cEnclosure* Record(int index) const { return ItemAs<cEnclosure>(index); }
    cEnclosure* NewEnclosure() { return NewRecordAs<cEnclosure>(); }

    void OpenNodeEnclosures(int64_t nodeId);
    // Enclosures whose download was requested.
    void OpenQueuedEnclosures();
};

// The extension of a URL's path (its query and fragment left out): from its
// last "." to its end, unless a path separator or ":" follows that "."; then
// there is none.
QString UrlExtension(const QString& url);
