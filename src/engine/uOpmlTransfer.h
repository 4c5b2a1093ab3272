#pragma once

#include "ingest/uOPML.h"

class cSQLDatabase;

// What an import came to.
struct cOpmlImport {
    int Added = 0;
    // Feeds already subscribed, or met earlier in the same file.
    int Skipped = 0;
};

// The subscriptions of an OPML file. A file that cannot be read or parsed
// raises, the reason prefixed with the path.
QList<cOutline> ReadOpmlFile(const QString& path);

// Subscribes to every outline not subscribed yet, each linked to a category
// named after its folder, all in one transaction: a failure stores nothing.
cOpmlImport ImportOutlines(cSQLDatabase& database, const QList<cOutline>& outlines);

// Every subscription with an address as an outline, ordered by title (a
// channel without one goes by its URL), in the folder of the channel's first
// category.
QList<cOutline> SubscriptionOutlines(cSQLDatabase& database);

// Writes the outlines as an OPML 2.0 document; raises when the file cannot be
// written. A file already there is replaced only by the whole document.
void WriteOpmlFile(const QString& path, const QList<cOutline>& outlines);
