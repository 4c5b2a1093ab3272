// A fetched document read into the records of a refresh: the channel's
// fields, new items, enclosures, categories and purge marks. Nothing is
// stored; the tables need a connection for the rows they query, made once
// per process on a temporary database.

#include "FuzzHome.h"
#include "ingest/uChannel.h"
#include "ingest/uRefreshTables.h"
#include "storage/uErrors.h"
#include "storage/uSQLDataTabRec.h"
#include "storage/uSchema.h"

#include <cstddef>
#include <cstdint>

namespace {

struct cFeedReader {
    cFeedReader() {
        const QString path = FuzzHome() + QStringLiteral("/fuzz.dat");
        CreateMainDatabase(path);
        Database.Open(path);
        Channel = Channels.NewChannel();
    }

    cSQLDatabase Database;
    cChannelTable Channels{Database};
    cChannel* Channel = nullptr;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static cFeedReader reader;
    const QByteArray body(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    cRefreshTables tables(reader.Database);
    try {
        reader.Channel->ReadFeed(body, tables);
    } catch (const EVelmoraError&) {
        // A document that cannot be read raises by design; anything else
        // escapes and is reported.
    }
    return 0;
}
